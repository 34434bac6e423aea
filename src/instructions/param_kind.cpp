#include "instructions/param_kind.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace {

constexpr double kNone = HUGE_VAL;
constexpr KindRange kUnlimited{-kNone, kNone};

// clang-format off
const ParamKindInfo kKinds[] = {
//   kind            name             layout  type               float  default  random clamp          widget                 speed  min     max      format  edit limit
    {kNoKind,        "None",          false, ValueType::None,   false, 0,   kUnlimited,       KindWidget::kNone,     0.0f,  0,      0,       "",     kUnlimited},
    // Randomised values wrap modulo 256 (the low byte is kept); so does an edit.
    {kColorChannel,  "ColorChannel",  false, ValueType::UInt8,  false, 255, kUnlimited,       KindWidget::kSlider,   0.0f,  0,      255,     "%d",   kUnlimited},
    {kPosition,      "Position",      false, ValueType::Int32,  false, 0,   kUnlimited,       KindWidget::kDrag,     1.0f,  0,      0,       "%d",   kUnlimited},
    {kFineFloat,     "FineFloat",     false, ValueType::Float,  true,  0,   kUnlimited,       KindWidget::kDrag,     0.1f,  0,      0,       "%.3f", kUnlimited},
    {kToggle,        "Toggle",        false, ValueType::Int32,  false, 0,   kUnlimited,       KindWidget::kCheckbox, 0.0f,  0,      1,       "",     {0, 1}},
    // The slider stops at 100; a value typed into it is only raised to 1.
    {kSize,          "Size",          false, ValueType::UInt32, false, 1,   {1, 100},         KindWidget::kSlider,   0.0f,  1,      100,     "%d",   {1, kNone}},
    {kSeparator,     "Separator",     true,  ValueType::None,   false, 0,   kUnlimited,       KindWidget::kNone,     0.0f,  0,      0,       "",     kUnlimited},
    {kSpace,         "Space",         true,  ValueType::None,   false, 0,   kUnlimited,       KindWidget::kNone,     0.0f,  0,      0,       "",     kUnlimited},
    {kFreeFloat,     "FreeFloat",     false, ValueType::Float,  true,  0,   kUnlimited,       KindWidget::kDrag,     1.0f,  0,      0,       "%.3f", kUnlimited},
    {kCount,         "Count",         false, ValueType::UInt32, false, 2,   {2, 100},         KindWidget::kSlider,   0.0f,  2,      100,     "%d",   {2, kNone}},
    {kPercent,       "Percent",       false, ValueType::UInt32, false, 100, {0, 200},         KindWidget::kSlider,   0.0f,  0,      200,     "%d",   {0, 200}},
    {kSignedPercent, "SignedPercent", false, ValueType::Int32,  false, 0,   {-100, 100},      KindWidget::kSlider,   0.0f,  -100,   100,     "%d",   {-100, 100}},
    {kCellSize,      "CellSize",      false, ValueType::UInt32, false, 10,  {2, 100},         KindWidget::kSlider,   0.0f,  2,      100,     "%d",   {2, 100}},
    {kSpread,        "Spread",        false, ValueType::Float,  true,  0,   {0, FLT_MAX},     KindWidget::kDrag,     1.0f,  0,      FLT_MAX, "%.3f", {0, FLT_MAX}},
    {kIndex,         "Index",         false, ValueType::UInt64, false, 0,   {0, kNone},       KindWidget::kDrag,     1.0f,  0,      INT_MAX, "%d",   {0, INT_MAX}},
    {kDensity,       "Density",       false, ValueType::UInt32, false, 0,   {0, 10},          KindWidget::kSlider,   0.0f,  0,      10,      "%d",   {0, 10}},
    {kOverlap,       "Overlap",       false, ValueType::UInt32, false, 4,   {0, kNone},       KindWidget::kDrag,     1.0f,  0,      0,       "%d",   {0, kNone}},
    {kPatchSize,     "PatchSize",     false, ValueType::UInt32, false, 10,  {3, kNone},       KindWidget::kDrag,     1.0f,  3,      0,       "%d",   {3, kNone}},
};
// clang-format on
constexpr uint32_t kKindCount = sizeof kKinds / sizeof kKinds[0];
static_assert(kKindCount == kPatchSize + 1, "one row per kind code, in code order");

}  // namespace

const ParamKindInfo& KindInfo(uint32_t kind) { return kind < kKindCount ? kKinds[kind] : kKinds[kNoKind]; }

ParamValue KindValue(uint32_t kind, double v) {
    switch (KindValueType(kind)) {
        case ValueType::UInt8: return ParamValue(uint8_t(int64_t(v)));
        case ValueType::Int32: return ParamValue(int32_t(int64_t(v)));
        case ValueType::UInt32: return ParamValue(uint32_t(int64_t(v)));
        case ValueType::UInt64: return ParamValue(uint64_t(int64_t(v)));
        case ValueType::Float: return ParamValue(float(v));
        default: return ParamValue();
    }
}

ParamRecord DefaultRecord(uint32_t kind) {
    ParamRecord record;
    record.value = KindValue(kind, KindInfo(kind).defaultValue);
    return record;
}
