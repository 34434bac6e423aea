#include "instructions/param_kind.h"

ValueType KindValueType(uint32_t kind) {
    switch (kind) {
        case kColorChannel: return ValueType::UInt8;
        case kPosition:
        case kToggle:
        case kSignedPercent: return ValueType::Int32;
        case kFineFloat:
        case kFreeFloat:
        case kSpread: return ValueType::Float;
        case kSize:
        case kCount:
        case kPercent:
        case kCellSize:
        case kDensity:
        case kOverlap:
        case kPatchSize: return ValueType::UInt32;
        case kIndex: return ValueType::UInt64;
        default: return ValueType::None;
    }
}

ParamRecord DefaultRecord(uint32_t kind) {
    ParamRecord record;
    switch (kind) {
        case kColorChannel: record.value = ParamValue(uint8_t(255)); break;
        case kPosition:
        case kToggle:
        case kSignedPercent: record.value = ParamValue(int32_t(0)); break;
        case kFineFloat:
        case kFreeFloat:
        case kSpread: record.value = ParamValue(0.0f); break;
        case kSize: record.value = ParamValue(uint32_t(1)); break;
        case kCount: record.value = ParamValue(uint32_t(2)); break;
        case kPercent: record.value = ParamValue(uint32_t(100)); break;
        case kCellSize: record.value = ParamValue(uint32_t(10)); break;
        case kIndex: record.value = ParamValue(uint64_t(0)); break;
        case kDensity: record.value = ParamValue(uint32_t(0)); break;
        case kOverlap: record.value = ParamValue(uint32_t(4)); break;
        case kPatchSize: record.value = ParamValue(uint32_t(10)); break;
        default: break;
    }
    return record;
}
