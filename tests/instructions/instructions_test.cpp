// Parameter values, kinds, randomised reads and the catalogue by their worked
// values. (The uniform integer draw is swept against its rule with texture
// synthesis, its user.)
#include <cfloat>
#include <climits>
#include <cmath>
#include <set>

#include "functions/default_queues.h"
#include "functions/fill.h"
#include "functions/function_catalogue.h"
#include "instructions/randomise.h"
#include "support/test_support.h"

namespace {

class InstructionsTest : public CoreTest {};

TEST_F(InstructionsTest, ValuesAndTheCatalogue) {
    const std::pair<ParamValue, uint64_t> payloads[] = {
        {I32(2), 0xFFFFFFFF00000002ull}, {U8(255), ~0ull}, {F32(1.0f), 0xFFFFFFFF3F800000ull},
        {ParamValue(true), 0xFFFFFFFFFFFFFF01ull}, {ParamValue(false), 0xFFFFFFFFFFFFFF00ull},
        {ParamValue(int64_t(-1)), ~0ull}, {ParamValue(uint16_t(0x1234)), 0xFFFFFFFFFFFF1234ull},
        {ParamValue(1.5), 0x3FF8000000000000ull}, {ParamValue(), 0}};
    for (const auto& [value, payload] : payloads) EXPECT_EQ(value.Payload(), payload) << std::hex << payload;
    // Reads take the low bytes of their width whatever the tag: wider reads see the fill.
    EXPECT_TRUE(U8(255).AsUInt32() == 4294967295u && I32(-1).AsUInt8() == 255 && U8(0).AsUInt32() == 0xFFFFFF00u);
    EXPECT_TRUE(I32(-2).AsInt64() == -2 && U32(300).AsUInt8() == 44 && F32(2.5f).AsFloat() == 2.5f && ParamValue(-7.25).AsDouble() == -7.25);
    EXPECT_TRUE(ParamValue().Type() == ValueType::None && ParamValue().AsUInt8() == 0 && ParamValue().AsUInt64() == 0);
    // Conversion to double follows the tag; an empty value is 0 whatever its payload.
    EXPECT_TRUE(U8(200).ToDouble() == 200 && ParamValue(int8_t(-56)).ToDouble() == -56 && ParamValue(true).ToDouble() == 1 &&
                U32(4000000000u).ToDouble() == 4e9 && ParamValue::FromPayload(ValueType::None, 0xFFFFFFFF00000005ull).ToDouble() == 0);

    // The catalogue: names and type identifiers in order; prototypes hold every parameter at its kind's default.
    const char* names[] = {"Fill", "Rectangular Selection", "Polygon Selection", "Set Seed", "Clear Selection", "Gradient", "Shape Line",
                           "Shape Rectangle", "Shape Circle", "Shape Triangle", "Motion Blur", "Gaussian Blur", "Fragmentation Blur",
                           "HSL Modify", "Crystallize", "Dilate Morph", "Erode Morph", "Select Layer", "Create Layer", "Synthesize Texture"};
    const uint32_t ids[] = {1, 3, 2, 14, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19};
    // The default value of each kind, codes 0 .. 17 (6 and 7 are layout rows without a parameter).
    const ParamValue defaults[] = {{}, U8(255), I32(0), F32(0), I32(0), U32(1), {}, {}, F32(0), U32(2), U32(100),
                                   I32(0), U32(10), F32(0), U64(0), U32(0), U32(4), U32(10)};
    const auto& catalogue = functionCatalogue();
    ASSERT_EQ(catalogue.size(), 20u);
    for (size_t k = 0; k < 20; ++k) {
        const AbstractRasterFunction& p = *catalogue[k];
        EXPECT_TRUE(p.GetName() == names[k] && p.GetTypeId() == ids[k]) << k << " " << p.GetName();
        EXPECT_TRUE(FindPrototypeByTypeId(ids[k]) == &p && p.GetPrototype() == &p) << p.GetName();
        size_t parameters = 0;
        for (const ParamLayoutEntry& e : p.GetParameterLayout()) {
            ASSERT_TRUE(e.kind >= 1 && e.kind <= 17) << e.name;
            const bool layoutOnly = e.kind == kSeparator || e.kind == kSpace;
            parameters += !layoutOnly;
            EXPECT_EQ(p.GetRecord(e.name), (layoutOnly ? ParamRecord() : ParamRecord{defaults[e.kind], false, {}, {}})) << p.GetName() << " " << e.name;
        }
        EXPECT_EQ(p.Parameters().size(), parameters) << p.GetName();
    }
    EXPECT_EQ(FindPrototypeByTypeId(20), nullptr);
    EXPECT_TRUE(catalogue[1]->GetKind("Separator") == 6 && catalogue[1]->GetKind("Pos_EndY") == 2 && catalogue[1]->GetKind("Nope") == 0);

    // A direct construction has an empty map; clones copy whole records and stay independent.
    const FillRasterFunction direct;
    EXPECT_TRUE(direct.Parameters().empty() && direct.GetValue("Color_Red").AsUInt8() == 0 && !direct.HasParameter("Color_Red"));
    auto a = catalogue[0]->Clone(), b = catalogue[0]->Clone();
    Randomise(*a, "Color_Red", I32(-3), I32(4));
    a->SetValue("Color_Red", U8(10));  // keeps the randomisation
    auto c = a->Clone();
    c->SetValue("Color_Red", U8(99));
    EXPECT_TRUE(a->GetRecord("Color_Red") == (ParamRecord{U8(10), true, I32(-3), I32(4)}) && c->GetName() == "Fill" &&
                c->GetRecord("Color_Red") == (ParamRecord{U8(99), true, I32(-3), I32(4)}));
    EXPECT_TRUE(b->GetRawValue("Color_Red") == U8(255) && catalogue[0]->GetRawValue("Color_Red") == U8(255));

    // Swapping with a neighbour outside the queue changes nothing and returns the row.
    InstructionList queue = Queue(catalogue[0]->Clone(), catalogue[3]->Clone(), catalogue[5]->Clone());
    EXPECT_TRUE(SwapInstructions(queue, 0, -1) == 0 && SwapInstructions(queue, 2, 3) == 2 && SwapInstructions(queue, -1, 0) == -1);
    EXPECT_TRUE(queue[0]->GetName() == "Fill" && queue[2]->GetName() == "Gradient");
    EXPECT_TRUE(SwapInstructions(queue, 0, 1) == 1 && queue[0]->GetName() == "Set Seed" && queue[1]->GetName() == "Fill");
    const InstructionList fresh = MakeNewQueue();
    EXPECT_TRUE(fresh.size() == 1 && fresh[0]->GetName() == "Set Seed" && fresh[0]->GetRawValue("Seed") == U64(0));
}

TEST_F(InstructionsTest, RandomisedReads) {
    ReseedParameterRng(0);
    EXPECT_TRUE(DrawUniformInt(1) == 0 && parameterRng()() == 2357136044u && parameterRng()() == 2546248239u);  // U(1) draws nothing
    ReseedParameterRng(0);
    const float u = 2357136128.0f / 4294967296.0f;  // the first output, rounded to float
    EXPECT_EQ(DrawUnitFloat(), u);
    const struct { uint32_t kind; ParamValue value, lo, hi, out; } rows[] = {
        {kColorChannel, U8(250), I32(10), I32(10), U8(4)}, {kColorChannel, U8(5), I32(-10), I32(-10), U8(251)},  // wrap
        {kSize, U32(3), I32(200), I32(200), U32(100)}, {kCount, U32(3), I32(-9), I32(-9), U32(2)},
        {kPercent, U32(150), I32(100), I32(100), U32(200)}, {kSignedPercent, I32(0), I32(-500), I32(-500), I32(-100)},
        {kCellSize, U32(3), I32(-9), I32(-9), U32(2)}, {kSpread, F32(1), F32(-5), F32(-5), F32(0)},
        {kSpread, F32(INFINITY), F32(0), F32(0), F32(FLT_MAX)}, {kIndex, U64(0), I32(-5), I32(-1), U64(0)},
        {kIndex, U64(7), I32(3), I32(3), U64(10)}, {kDensity, U32(9), I32(5), I32(5), U32(10)},
        {kOverlap, U32(3), I32(-9), I32(-9), U32(0)}, {kPatchSize, U32(3), I32(-9), I32(-9), U32(3)},
        {kPosition, I32(-5), I32(-100), I32(-100), I32(-105)},  // not clamped
        {kPosition, I32(10), I32(0), I32(100), I32(65)}, {kPosition, I32(0), I32(-8388608), I32(0), I32(-3784827)},  // halves away from 0
        {kFreeFloat, F32(1), F32(-1), F32(1), F32(float(1.0 + double(u * 2.0f + -1.0f)))},
        {kToggle, I32(1), {}, {}, I32(1)}, {kNoKind, {}, I32(5), I32(9), U64(0)},  // no offsets; no stored value
        {kPosition, I32(INT_MAX), I32(INT_MAX), I32(INT_MAX), I32(INT_MAX)},  // sums beyond the range saturate
        {kPosition, I32(INT_MIN), I32(INT_MIN), I32(INT_MIN), I32(INT_MIN)},
    };
    for (const auto& row : rows) {
        ReseedParameterRng(0);
        EXPECT_EQ(RandomisedValue({row.value, true, row.lo, row.hi}, row.kind), row.out) << "row " << &row - rows;
        EXPECT_EQ(parameterRng()(), 2546248239u) << "row " << &row - rows << " draws once";
    }
    EXPECT_TRUE(std::isnan(RandomisedValue({F32(NAN), true, F32(0), F32(0)}, kSpread).AsFloat()));
    std::set<uint32_t> sizes;  // value 5, offsets -10 .. 0: every size from 1 to 5
    for (int i = 0; i < 1000; ++i) sizes.insert(RandomisedValue({U32(5), true, I32(-10), I32(0)}, kSize).AsUInt32());
    EXPECT_EQ(sizes, (std::set<uint32_t>{1, 2, 3, 4, 5}));
}

}  // namespace
