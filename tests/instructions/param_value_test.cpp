#include <gtest/gtest.h>

#include "instructions/param_kind.h"
#include "instructions/param_value.h"

namespace {

TEST(ParamValueTest, PayloadBytesFollowTheFileLayout) {
    EXPECT_EQ(ParamValue(int32_t(2)).Payload(), 0xFFFFFFFF00000002ull);
    EXPECT_EQ(ParamValue(uint8_t(255)).Payload(), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(ParamValue(1.0f).Payload(), 0xFFFFFFFF3F800000ull);
    EXPECT_EQ(ParamValue(true).Payload(), 0xFFFFFFFFFFFFFF01ull);
    EXPECT_EQ(ParamValue(false).Payload(), 0xFFFFFFFFFFFFFF00ull);
    EXPECT_EQ(ParamValue(int64_t(-1)).Payload(), ~0ull);
    EXPECT_EQ(ParamValue(uint16_t(0x1234)).Payload(), 0xFFFFFFFFFFFF1234ull);
    EXPECT_EQ(ParamValue(1.5).Payload(), 0x3FF8000000000000ull);
    EXPECT_EQ(ParamValue().Payload(), 0u);
    EXPECT_EQ(ParamValue().Type(), ValueType::None);
}

TEST(ParamValueTest, ReadsAreByWidthNotByTag) {
    EXPECT_EQ(ParamValue(uint8_t(255)).AsUInt32(), 4294967295u);  // fill bytes picked up
    EXPECT_EQ(ParamValue(int32_t(-1)).AsUInt8(), 255u);            // truncated to the low byte
    EXPECT_EQ(ParamValue(uint8_t(0)).AsUInt32(), 0xFFFFFF00u);
    EXPECT_EQ(ParamValue(int32_t(-2)).AsInt64(), -2);              // fill reads as sign extension
    EXPECT_EQ(ParamValue(uint32_t(300)).AsUInt8(), 44u);
    EXPECT_EQ(ParamValue(int32_t(0)).AsInt8(), 0);
    EXPECT_EQ(ParamValue(int32_t(1)).AsUInt8(), 1u);  // a Toggle reads alike at 8 and 32 bits
    EXPECT_FLOAT_EQ(ParamValue(2.5f).AsFloat(), 2.5f);
    EXPECT_DOUBLE_EQ(ParamValue(-7.25).AsDouble(), -7.25);
    const ParamValue empty;
    EXPECT_EQ(empty.AsUInt8(), 0u);
    EXPECT_EQ(empty.AsInt32(), 0);
    EXPECT_EQ(empty.AsUInt64(), 0u);
    EXPECT_EQ(empty.AsFloat(), 0.0f);
}

TEST(ParamValueTest, ToDoubleFollowsTheTag) {
    EXPECT_EQ(ParamValue(uint8_t(200)).ToDouble(), 200.0);
    EXPECT_EQ(ParamValue(int8_t(-56)).ToDouble(), -56.0);
    EXPECT_EQ(ParamValue(uint32_t(4000000000u)).ToDouble(), 4000000000.0);
    EXPECT_EQ(ParamValue(true).ToDouble(), 1.0);
    // A None tag reads as 0 whatever its payload carries.
    EXPECT_EQ(ParamValue::FromPayload(ValueType::None, 0xFFFFFFFF00000005ull).ToDouble(), 0.0);
}

TEST(ParamKindTest, DefaultsByKind) {
    EXPECT_EQ(DefaultRecord(kColorChannel).value, ParamValue(uint8_t(255)));
    EXPECT_EQ(DefaultRecord(kToggle).value, ParamValue(int32_t(0)));
    EXPECT_EQ(DefaultRecord(kSize).value, ParamValue(uint32_t(1)));
    EXPECT_EQ(DefaultRecord(kCount).value, ParamValue(uint32_t(2)));
    EXPECT_EQ(DefaultRecord(kPercent).value, ParamValue(uint32_t(100)));
    EXPECT_EQ(DefaultRecord(kCellSize).value, ParamValue(uint32_t(10)));
    EXPECT_EQ(DefaultRecord(kIndex).value, ParamValue(uint64_t(0)));
    EXPECT_EQ(DefaultRecord(kOverlap).value, ParamValue(uint32_t(4)));
    EXPECT_EQ(DefaultRecord(kPatchSize).value, ParamValue(uint32_t(10)));
    EXPECT_EQ(DefaultRecord(kSpread).value, ParamValue(0.0f));
    for (uint32_t kind : {0u, 6u, 7u, 18u, 99u}) EXPECT_EQ(DefaultRecord(kind), ParamRecord());
    EXPECT_FALSE(DefaultRecord(kColorChannel).randomized);
    EXPECT_TRUE(DefaultRecord(kColorChannel).offsetMin.IsEmpty());
}

}  // namespace
