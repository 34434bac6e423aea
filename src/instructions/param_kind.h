#pragma once
// Parameter kinds. Every fact about a kind stands in one row of the kind
// table (param_kind.cpp): its value type and default, the range a randomised
// read is clamped to, and how the Details panel edits it. The registration
// of defaults, the randomiser and the editor's widgets all read that table;
// adding a kind is adding a row.
#include <cstdint>
#include <string>
#include <vector>

#include "instructions/param_value.h"

enum ParamKind : uint32_t {
    kNoKind = 0,
    kColorChannel = 1,
    kPosition = 2,
    kFineFloat = 3,
    kToggle = 4,
    kSize = 5,
    kSeparator = 6,  // layout only
    kSpace = 7,      // layout only
    kFreeFloat = 8,
    kCount = 9,
    kPercent = 10,
    kSignedPercent = 11,
    kCellSize = 12,
    kSpread = 13,
    kIndex = 14,
    kDensity = 15,
    kOverlap = 16,
    kPatchSize = 17,
};

struct ParamLayoutEntry {
    std::string name;
    uint32_t kind;
};
using ParamLayout = std::vector<ParamLayoutEntry>;

// An inclusive range; an infinite end does not limit.
struct KindRange {
    double low;
    double high;
};

// How the Details panel edits a kind's value.
enum class KindWidget {
    kNone,      // layout-only kinds and unknown codes: nothing to edit
    kSlider,    // SliderInt between widgetMin and widgetMax
    kDrag,      // DragInt or DragFloat at `speed`; widgetMin not below widgetMax means unlimited
    kCheckbox,  // 0 or 1
};

struct ParamKindInfo {
    uint32_t kind;
    const char* name;
    bool layoutOnly;       // Separator and Space: spacing in the panel, no parameter
    ValueType valueType;   // stored type; None for layout-only kinds
    bool isFloat;          // Float values and Float offsets (else Int32 offsets)
    double defaultValue;   // the registered default, in valueType
    KindRange randomClamp; // a randomised read is clamped to this
    KindWidget widget;
    float speed;           // drag speed
    double widgetMin, widgetMax;
    const char* format;    // printf format of the value widget
    KindRange editLimit;   // applied to the widget's value before it is stored
};

// The row of a kind; unknown codes get the row of kNoKind (no type, no widget).
const ParamKindInfo& KindInfo(uint32_t kind);

inline bool IsLayoutOnly(uint32_t kind) { return KindInfo(kind).layoutOnly; }
inline bool IsFloatKind(uint32_t kind) { return KindInfo(kind).isFloat; }
// The value type of a kind (None for layout-only and unknown codes).
inline ValueType KindValueType(uint32_t kind) { return KindInfo(kind).valueType; }
// A value of the kind's type; a whole number in `v` for integer kinds.
ParamValue KindValue(uint32_t kind, double v);
// The record a kind's parameter gets in its class's prototype: the default
// value, not randomised, empty offsets. Unknown codes give the all-zero record.
ParamRecord DefaultRecord(uint32_t kind);
