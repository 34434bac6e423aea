#include <gtest/gtest.h>

#include <set>

#include "functions/fill.h"
#include "instructions/param_kind.h"
#include "instructions/parameter_rng.h"
#include "instructions/randomise.h"
#include "support/test_support.h"

namespace {

class RandomiseTest : public CoreTest {};

ParamRecord Randomised(ParamValue value, ParamValue lo, ParamValue hi) {
    ParamRecord record;
    record.value = value;
    record.randomized = true;
    record.offsetMin = lo;
    record.offsetMax = hi;
    return record;
}

TEST_F(RandomiseTest, GeneratorSeedingAndUnitFloat) {
    ReseedParameterRng(0);
    EXPECT_EQ(parameterRng()(), 2357136044u);
    EXPECT_EQ(parameterRng()(), 2546248239u);
    ReseedParameterRng(0);
    EXPECT_EQ(DrawUnitFloat(), 2357136128.0f / 4294967296.0f);
    EXPECT_NEAR(2357136128.0 / 4294967296.0, 0.54881352, 1e-8);
    ReseedParameterRng(5489);
    EXPECT_EQ(parameterRng()(), 3499211612u);  // the standard generator's default-seed output
}

TEST_F(RandomiseTest, KindRangesAreApplied) {
    std::set<uint32_t> sizes;
    std::set<int32_t> percents;
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < 4000; ++i) {
        const uint32_t s =
            RandomisedValue(Randomised(U32(5), I32(-10), I32(0)), kSize).AsUInt32();
        ASSERT_GE(s, 1u);
        ASSERT_LE(s, 5u);
        sizes.insert(s);
        const int32_t p =
            RandomisedValue(Randomised(I32(0), I32(-50), I32(50)), kSignedPercent).AsInt32();
        ASSERT_GE(p, -50);
        ASSERT_LE(p, 50);
        percents.insert(p);
        const float f = RandomisedValue(Randomised(F32(10.0f), F32(-1.5f), F32(2.5f)), kFreeFloat).AsFloat();
        ASSERT_GE(f, 8.5f);
        ASSERT_LE(f, 12.5f);
        lowest = std::min(lowest, f);
        highest = std::max(highest, f);
    }
    EXPECT_EQ(sizes, (std::set<uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(percents.count(-50) && percents.count(50) && percents.count(0));
    EXPECT_LT(lowest, 8.6f);
    EXPECT_GT(highest, 12.4f);

    // Upper bounds and the "0 upward" kinds.
    EXPECT_EQ(RandomisedValue(Randomised(U32(150), I32(100), I32(100)), kPercent), U32(200));
    EXPECT_EQ(RandomisedValue(Randomised(U32(9), I32(5), I32(5)), kDensity), U32(10));
    EXPECT_EQ(RandomisedValue(Randomised(U32(3), I32(-9), I32(-9)), kCellSize), U32(2));
    EXPECT_EQ(RandomisedValue(Randomised(U32(3), I32(-9), I32(-9)), kCount), U32(2));
    EXPECT_EQ(RandomisedValue(Randomised(U32(3), I32(-9), I32(-9)), kPatchSize), U32(3));
    EXPECT_EQ(RandomisedValue(Randomised(U32(3), I32(-9), I32(-9)), kOverlap), U32(0));
    EXPECT_EQ(RandomisedValue(Randomised(U64(0), I32(-5), I32(-1)), kIndex), U64(0));
    EXPECT_EQ(RandomisedValue(Randomised(U64(7), I32(3), I32(3)), kIndex), U64(10));
    EXPECT_EQ(RandomisedValue(Randomised(F32(1.0f), F32(-5.0f), F32(-5.0f)), kSpread), F32(0.0f));
    // Positions are not clamped.
    EXPECT_EQ(RandomisedValue(Randomised(I32(-5), I32(-100), I32(-100)), kPosition), I32(-105));
}

TEST_F(RandomiseTest, ColourChannelWrapsModulo256) {
    EXPECT_EQ(RandomisedValue(Randomised(U8(250), I32(10), I32(10)), kColorChannel), U8(4));
    EXPECT_EQ(RandomisedValue(Randomised(U8(5), I32(-10), I32(-10)), kColorChannel), U8(251));
}

TEST_F(RandomiseTest, ExactValueFromAKnownDraw) {
    // u = 2357136128 / 2^32; 10 + nearest(u * 100 + 0) = 10 + 55.
    ReseedParameterRng(0);
    EXPECT_EQ(RandomisedValue(Randomised(I32(10), I32(0), I32(100)), kPosition), I32(65));
    // Float kinds keep the offset unrounded: 1 + (u * 2 - 1).
    ReseedParameterRng(0);
    const float u = 2357136128.0f / 4294967296.0f;
    const float expected = float(double(1.0f) + double(u * 2.0f + -1.0f));
    EXPECT_EQ(RandomisedValue(Randomised(F32(1.0f), F32(-1.0f), F32(1.0f)), kFreeFloat), F32(expected));
}

TEST_F(RandomiseTest, EveryReadDrawsOnceEvenWithZeroOffsets) {
    auto fill = MakeDefault<FillRasterFunction>({{"Color_Red", U8(17)}});
    Randomise(*fill, "Color_Red", I32(0), I32(0));
    Randomise(*fill, "Color_Green", ParamValue(), ParamValue());  // never-set offsets read as 0

    ReseedParameterRng(42);
    EXPECT_EQ(fill->GetValue("Color_Red"), U8(17));
    EXPECT_EQ(fill->GetValue("Color_Green"), U8(255));
    EXPECT_EQ(fill->GetValue("Color_Blue"), U8(255));  // not randomised: no draw
    const uint32_t next = parameterRng()();

    ReseedParameterRng(42);
    parameterRng()();
    parameterRng()();
    EXPECT_EQ(parameterRng()(), next);

    // The stored record is untouched by reads.
    EXPECT_EQ(fill->GetRawValue("Color_Red"), U8(17));
}

TEST_F(RandomiseTest, ToggleKeepsItsValueButDraws) {
    ReseedParameterRng(3);
    EXPECT_EQ(RandomisedValue(Randomised(I32(1), ParamValue(), ParamValue()), kToggle), I32(1));
    const uint32_t second = parameterRng()();
    ReseedParameterRng(3);
    parameterRng()();
    EXPECT_EQ(parameterRng()(), second);
}

TEST_F(RandomiseTest, ExtremeValuesStayDefined) {
    // Sums beyond the integer range saturate instead of being undefined.
    EXPECT_EQ(RandomisedValue(Randomised(I32(2147483647), I32(2147483647), I32(2147483647)), kPosition),
              I32(2147483647));
    EXPECT_EQ(RandomisedValue(Randomised(I32(-2147483647 - 1), I32(-2147483647 - 1), I32(-2147483647 - 1)),
                              kPosition),
              I32(-2147483647 - 1));
    const ParamValue nan = RandomisedValue(
        Randomised(F32(std::numeric_limits<float>::quiet_NaN()), F32(0.0f), F32(0.0f)), kSpread);
    EXPECT_TRUE(std::isnan(nan.AsFloat()));
    EXPECT_EQ(RandomisedValue(Randomised(F32(std::numeric_limits<float>::infinity()), F32(0.0f), F32(0.0f)),
                              kSpread),
              F32(std::numeric_limits<float>::max()));
    // An empty stored value gives UInt64 0.
    EXPECT_EQ(RandomisedValue(Randomised(ParamValue(), I32(5), I32(9)), kNoKind), U64(0));
}

TEST_F(RandomiseTest, UniformIntegerDraw) {
    ReseedParameterRng(1);
    const uint32_t before = parameterRng()();
    ReseedParameterRng(1);
    EXPECT_EQ(DrawUniformInt(1), 0u);  // draws nothing
    EXPECT_EQ(parameterRng()(), before);
    ReseedParameterRng(1);
    EXPECT_EQ(DrawUniformInt(5), before % 5);  // accepted unless in the biased tail
    std::set<uint32_t> seen;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t v = DrawUniformInt(7);
        ASSERT_LT(v, 7u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
}

}  // namespace
