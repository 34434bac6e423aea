#include "instructions/randomise.h"

#include <cmath>
#include <limits>

#include "instructions/param_kind.h"
#include "instructions/parameter_rng.h"

namespace {

// Float-to-integer conversions truncate toward zero and saturate where the
// language leaves out-of-range values undefined (NaN becomes 0).
int32_t TruncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    return int32_t(v);
}

int64_t TruncateToInt64(double v) {
    if (std::isnan(v)) return 0;
    if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    if (v >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    return int64_t(v);
}

// Negative sums wrap as two's complement, as an unsigned 64-bit conversion
// does on common hardware; the kind's clamp then sees them as negative.
uint64_t TruncateToUInt64(double v) {
    if (std::isnan(v)) return 0;
    if (v < 0.0) return uint64_t(TruncateToInt64(v));
    if (v >= 18446744073709551615.0) return std::numeric_limits<uint64_t>::max();
    return uint64_t(v);
}

int32_t RoundToInt32(float v) { return TruncateToInt32(std::round(double(v))); }

// The sum converted back to the stored value's type, keeping low-order bytes.
ParamValue ConvertSum(double sum, ValueType type) {
    switch (type) {
        case ValueType::None: return ParamValue(uint64_t(0));
        case ValueType::Bool: return ParamValue(sum != 0.0);
        case ValueType::Int8: return ParamValue(int8_t(TruncateToInt32(sum)));
        case ValueType::UInt8: return ParamValue(uint8_t(TruncateToInt32(sum)));
        case ValueType::Int16: return ParamValue(int16_t(TruncateToInt32(sum)));
        case ValueType::UInt16: return ParamValue(uint16_t(TruncateToInt32(sum)));
        case ValueType::Int32: return ParamValue(TruncateToInt32(sum));
        case ValueType::UInt32: return ParamValue(uint32_t(TruncateToInt64(sum)));
        case ValueType::Int64: return ParamValue(TruncateToInt64(sum));
        case ValueType::UInt64: return ParamValue(TruncateToUInt64(sum));
        case ValueType::Float: return ParamValue(float(sum));
        case ValueType::Double: return ParamValue(sum);
    }
    return ParamValue(uint64_t(0));
}

// The value read as a signed number of its own width.
int64_t SignedView(const ParamValue& v) {
    switch (ValueWidth(v.Type())) {
        case 1: return v.AsInt8();
        case 2: return v.AsInt16();
        case 4: return v.AsInt32();
        case 8: return v.AsInt64();
        default: return 0;
    }
}

// A whole number rebuilt in the given type, keeping its low-order bytes.
ParamValue IntegerOfType(int64_t v, ValueType type) {
    switch (type) {
        case ValueType::Bool: return ParamValue(v != 0);
        case ValueType::Int8: return ParamValue(int8_t(v));
        case ValueType::UInt8: return ParamValue(uint8_t(v));
        case ValueType::Int16: return ParamValue(int16_t(v));
        case ValueType::UInt16: return ParamValue(uint16_t(v));
        case ValueType::Int32: return ParamValue(int32_t(v));
        case ValueType::UInt32: return ParamValue(uint32_t(v));
        case ValueType::Int64: return ParamValue(int64_t(v));
        case ValueType::UInt64: return ParamValue(uint64_t(v));
        case ValueType::Float: return ParamValue(float(v));
        case ValueType::Double: return ParamValue(double(v));
        case ValueType::None: break;
    }
    return ParamValue();
}

// Clamps the converted result to its kind's range and gives it the kind's
// value type. A NaN float stays NaN.
ParamValue ClampByKind(const ParamValue& result, uint32_t kind) {
    const ParamKindInfo& info = KindInfo(kind);
    if (info.valueType == ValueType::None) return result;  // no kind: keep as converted
    const KindRange range = info.randomClamp;
    if (info.isFloat) {
        float f = result.Type() == ValueType::Float ? result.AsFloat() : float(result.ToDouble());
        if (f < range.low) f = float(range.low);
        if (f > range.high) f = float(range.high);
        return ParamValue(f);
    }
    int64_t v;
    if (result.Type() == ValueType::Float || result.Type() == ValueType::Double)
        v = TruncateToInt64(result.ToDouble());
    else
        v = SignedView(result);
    if (double(v) < range.low) v = int64_t(range.low);
    if (double(v) > range.high) v = int64_t(range.high);
    return IntegerOfType(v, info.valueType);
}

}  // namespace

ParamValue RandomisedValue(const ParamRecord& record, uint32_t kind) {
    float lo, hi;
    if (IsFloatKind(kind)) {
        lo = record.offsetMin.AsFloat();
        hi = record.offsetMax.AsFloat();
    } else {
        lo = float(record.offsetMin.AsInt32());
        hi = float(record.offsetMax.AsInt32());
    }
    const float u = DrawUnitFloat();
    const float span = hi - lo;
    const float scaled = u * span;
    const float x = scaled + lo;

    const ParamValue offset = IsFloatKind(kind) ? ParamValue(x) : ParamValue(RoundToInt32(x));
    const double sum = record.value.ToDouble() + offset.ToDouble();
    return ClampByKind(ConvertSum(sum, record.value.Type()), kind);
}
