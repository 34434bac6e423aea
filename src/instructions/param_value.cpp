#include "instructions/param_value.h"

unsigned ValueWidth(ValueType type) {
    switch (type) {
        case ValueType::Bool:
        case ValueType::Int8:
        case ValueType::UInt8: return 1;
        case ValueType::Int16:
        case ValueType::UInt16: return 2;
        case ValueType::Int32:
        case ValueType::UInt32:
        case ValueType::Float: return 4;
        case ValueType::Int64:
        case ValueType::UInt64:
        case ValueType::Double: return 8;
        case ValueType::None: break;
    }
    return 0;
}

double ParamValue::ToDouble() const {
    switch (type_) {
        case ValueType::None: return 0.0;
        case ValueType::Bool: return AsUInt8() != 0 ? 1.0 : 0.0;
        case ValueType::Int8: return AsInt8();
        case ValueType::UInt8: return AsUInt8();
        case ValueType::Int16: return AsInt16();
        case ValueType::UInt16: return AsUInt16();
        case ValueType::Int32: return AsInt32();
        case ValueType::UInt32: return AsUInt32();
        case ValueType::Int64: return double(AsInt64());
        case ValueType::UInt64: return double(AsUInt64());
        case ValueType::Float: return AsFloat();
        case ValueType::Double: return AsDouble();
    }
    return 0.0;
}
