#pragma once
// A tagged 8-byte parameter value. The payload is held as one 64-bit number
// whose big-endian bytes B0..B7 are exactly what project files store: a value
// of width w stands in the low w bytes, the bytes above it are 0xFF. The empty
// value (None) is eight zero bytes.
//
// Reads never look at the tag: a read of width r takes the low r bytes, so a
// narrower read truncates and a wider read picks up the 0xFF fill (UInt8 255
// read as 32 bits is 0xFFFFFFFF).
#include <cstdint>
#include <cstring>

enum class ValueType : uint32_t {
    None = 0,
    Bool = 1,
    Int8 = 2,
    UInt8 = 3,
    Int16 = 4,
    UInt16 = 5,
    Int32 = 6,
    UInt32 = 7,
    Int64 = 8,
    UInt64 = 9,
    Float = 10,
    Double = 11,
};

// Width in bytes of a value type; 0 for None and unknown codes.
unsigned ValueWidth(ValueType type);

class ParamValue {
public:
    ParamValue() = default;  // the empty value
    explicit ParamValue(bool v) : ParamValue(ValueType::Bool, v ? 1u : 0u, 1) {}
    explicit ParamValue(int8_t v) : ParamValue(ValueType::Int8, uint8_t(v), 1) {}
    explicit ParamValue(uint8_t v) : ParamValue(ValueType::UInt8, v, 1) {}
    explicit ParamValue(int16_t v) : ParamValue(ValueType::Int16, uint16_t(v), 2) {}
    explicit ParamValue(uint16_t v) : ParamValue(ValueType::UInt16, v, 2) {}
    explicit ParamValue(int32_t v) : ParamValue(ValueType::Int32, uint32_t(v), 4) {}
    explicit ParamValue(uint32_t v) : ParamValue(ValueType::UInt32, v, 4) {}
    explicit ParamValue(int64_t v) : ParamValue(ValueType::Int64, uint64_t(v), 8) {}
    explicit ParamValue(uint64_t v) : ParamValue(ValueType::UInt64, v, 8) {}
    explicit ParamValue(float v) : ParamValue(ValueType::Float, FloatBits(v), 4) {}
    explicit ParamValue(double v) : ParamValue(ValueType::Double, DoubleBits(v), 8) {}

    // A value with the given tag and raw payload (B0 most significant).
    static ParamValue FromPayload(ValueType type, uint64_t payload) {
        ParamValue v;
        v.type_ = type;
        v.payload_ = payload;
        return v;
    }

    ValueType Type() const { return type_; }
    uint64_t Payload() const { return payload_; }
    bool IsEmpty() const { return type_ == ValueType::None; }
    void SetPayload(uint64_t payload) { payload_ = payload; }

    uint8_t AsUInt8() const { return uint8_t(payload_); }
    int8_t AsInt8() const { return int8_t(uint8_t(payload_)); }
    uint16_t AsUInt16() const { return uint16_t(payload_); }
    int16_t AsInt16() const { return int16_t(uint16_t(payload_)); }
    uint32_t AsUInt32() const { return uint32_t(payload_); }
    int32_t AsInt32() const { return int32_t(uint32_t(payload_)); }
    uint64_t AsUInt64() const { return payload_; }
    int64_t AsInt64() const { return int64_t(payload_); }
    float AsFloat() const {
        const uint32_t bits = uint32_t(payload_);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    double AsDouble() const {
        double d;
        std::memcpy(&d, &payload_, sizeof d);
        return d;
    }

    // The value as a double according to its own tag: unsigned types as
    // unsigned, signed as signed, Bool as 0 or 1, None as 0.
    double ToDouble() const;

    friend bool operator==(const ParamValue& a, const ParamValue& b) {
        return a.type_ == b.type_ && a.payload_ == b.payload_;
    }
    friend bool operator!=(const ParamValue& a, const ParamValue& b) { return !(a == b); }

private:
    ParamValue(ValueType type, uint64_t value, unsigned width) : type_(type) {
        const uint64_t fill = width >= 8 ? 0 : ~uint64_t(0) << (width * 8);
        payload_ = fill | value;
    }
    static uint64_t FloatBits(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits;
    }
    static uint64_t DoubleBits(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return bits;
    }

    uint64_t payload_ = 0;
    ValueType type_ = ValueType::None;
};

// A parameter's stored state. The all-zero record stands for a missing one.
struct ParamRecord {
    ParamValue value;
    bool randomized = false;
    ParamValue offsetMin;
    ParamValue offsetMax;

    friend bool operator==(const ParamRecord& a, const ParamRecord& b) {
        return a.value == b.value && a.randomized == b.randomized && a.offsetMin == b.offsetMin &&
               a.offsetMax == b.offsetMax;
    }
};
