#pragma once
// Parameter kinds: each fixes a value type, a default, an editing widget and
// the range of a randomised value.
#include <cstdint>
#include <string>
#include <vector>

#include "instructions/param_value.h"

enum ParamKind : uint32_t {
    kNoKind = 0,
    kColorChannel = 1,   // UInt8, default 255; randomised values wrap modulo 256
    kPosition = 2,       // Int32, default 0
    kFineFloat = 3,      // Float, default 0.0
    kToggle = 4,         // Int32 0 or 1, default 0
    kSize = 5,           // UInt32, default 1; randomised 1..100
    kSeparator = 6,      // layout only
    kSpace = 7,          // layout only
    kFreeFloat = 8,      // Float, default 0.0
    kCount = 9,          // UInt32, default 2; randomised 2..100
    kPercent = 10,       // UInt32, default 100; randomised 0..200
    kSignedPercent = 11, // Int32, default 0; randomised -100..100
    kCellSize = 12,      // UInt32, default 10; randomised 2..100
    kSpread = 13,        // Float, default 0.0; randomised 0..FLT_MAX
    kIndex = 14,         // UInt64, default 0; randomised 0 upward
    kDensity = 15,       // UInt32, default 0; randomised 0..10
    kOverlap = 16,       // UInt32, default 4; randomised 0 upward
    kPatchSize = 17,     // UInt32, default 10; randomised 3 upward
};

struct ParamLayoutEntry {
    std::string name;
    uint32_t kind;
};
using ParamLayout = std::vector<ParamLayoutEntry>;

inline bool IsLayoutOnly(uint32_t kind) { return kind == kSeparator || kind == kSpace; }
inline bool IsFloatKind(uint32_t kind) { return kind == kFineFloat || kind == kFreeFloat || kind == kSpread; }

// The value type of a kind (None for layout-only and unknown codes).
ValueType KindValueType(uint32_t kind);
// The record a kind's parameter gets at registration: its default value, not
// randomised, empty offsets. Unknown codes give the all-zero record.
ParamRecord DefaultRecord(uint32_t kind);
