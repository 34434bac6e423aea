#include <gtest/gtest.h>

#include <map>

#include "functions/fill.h"
#include "functions/gradient.h"
#include "functions/rect_selection.h"
#include "functions/set_seed.h"
#include "instructions/function_catalogue.h"
#include "support/test_support.h"

namespace {

class CatalogueTest : public CoreTest {};

// Catalogue position -> (display name, type identifier), as fixed for the
// "Add Instruction" combo and for project files.
const std::vector<std::pair<std::string, uint32_t>> kTable = {
    {"Fill", 1},          {"Rectangular Selection", 3}, {"Polygon Selection", 2}, {"Set Seed", 14},
    {"Clear Selection", 0}, {"Gradient", 4},           {"Shape Line", 5},        {"Shape Rectangle", 6},
    {"Shape Circle", 7},  {"Shape Triangle", 8},       {"Motion Blur", 9},       {"Gaussian Blur", 10},
    {"Fragmentation Blur", 11}, {"HSL Modify", 12},    {"Crystallize", 13},      {"Dilate Morph", 15},
    {"Erode Morph", 16},  {"Select Layer", 17},        {"Create Layer", 18},     {"Synthesize Texture", 19},
};

TEST_F(CatalogueTest, PrototypesFollowTheFixedOrder) {
    const auto& catalogue = functionCatalogue();
    ASSERT_FALSE(catalogue.empty());
    // Every class present appears in table order, with its name and identifier.
    size_t row = 0;
    for (const AbstractRasterFunction* prototype : catalogue) {
        while (row < kTable.size() && kTable[row].first != prototype->GetName()) ++row;
        ASSERT_LT(row, kTable.size()) << prototype->GetName() << " out of order";
        EXPECT_EQ(prototype->GetTypeId(), kTable[row].second) << prototype->GetName();
        EXPECT_EQ(prototype->GetPrototype(), prototype);
        ++row;
    }
    EXPECT_EQ(catalogue[0]->GetName(), "Fill");
    EXPECT_EQ(FindPrototypeByTypeId(14)->GetName(), "Set Seed");
    EXPECT_EQ(FindPrototypeByTypeId(20), nullptr);
}

TEST_F(CatalogueTest, PrototypesCarryDefaultsForEveryLayoutParameter) {
    for (const AbstractRasterFunction* prototype : functionCatalogue()) {
        size_t parameters = 0;
        for (const ParamLayoutEntry& entry : prototype->GetParameterLayout()) {
            if (IsLayoutOnly(entry.kind)) {
                EXPECT_FALSE(prototype->HasParameter(entry.name)) << entry.name;
                continue;
            }
            ++parameters;
            EXPECT_EQ(prototype->GetRecord(entry.name), DefaultRecord(entry.kind))
                << prototype->GetName() << " " << entry.name;
        }
        EXPECT_EQ(prototype->Parameters().size(), parameters) << prototype->GetName();
    }
}

TEST_F(CatalogueTest, DirectConstructionHasAnEmptyMapAndClonesAreIndependent) {
    FillRasterFunction direct;
    EXPECT_TRUE(direct.Parameters().empty());
    EXPECT_EQ(direct.GetValue("Color_Red").AsUInt8(), 0u);
    EXPECT_EQ(direct.GetRecord("Color_Red"), ParamRecord());
    EXPECT_FALSE(direct.HasParameter("Color_Red"));

    const AbstractRasterFunction* prototype = functionCatalogue()[0];
    auto a = prototype->Clone();
    auto b = prototype->Clone();
    Randomise(*a, "Color_Red", I32(-3), I32(4));
    a->SetValue("Color_Red", U8(10));
    // SetValue keeps the randomisation settings.
    EXPECT_TRUE(a->GetRecord("Color_Red").randomized);
    EXPECT_EQ(a->GetRecord("Color_Red").offsetMin, I32(-3));
    EXPECT_EQ(b->GetRawValue("Color_Red"), U8(255));
    EXPECT_EQ(prototype->GetRawValue("Color_Red"), U8(255));
    // A clone copies the whole record, randomisation included.
    auto c = a->Clone();
    EXPECT_EQ(c->GetRecord("Color_Red"), a->GetRecord("Color_Red"));
    c->SetValue("Color_Red", U8(99));
    EXPECT_EQ(a->GetRawValue("Color_Red"), U8(10));
    EXPECT_EQ(c->GetName(), "Fill");
}

TEST_F(CatalogueTest, KindsComeFromTheLayout) {
    RectSelectionRasterFunction rect;
    EXPECT_EQ(rect.GetKind("Separator"), uint32_t(kSeparator));
    EXPECT_EQ(rect.GetKind("Pos_EndY"), uint32_t(kPosition));
    EXPECT_EQ(rect.GetKind("Setting_SelectMode"), uint32_t(kToggle));
    EXPECT_EQ(rect.GetKind("Nope"), uint32_t(kNoKind));
    auto toggle = MakeDefault<RectSelectionRasterFunction>();
    EXPECT_EQ(toggle->GetValue("Setting_SelectMode").AsUInt8(), 0u);
    EXPECT_EQ(toggle->GetValue("Setting_SelectMode").AsUInt32(), 0u);
}

TEST_F(CatalogueTest, SwapInstructionsGuardsBothEnds) {
    InstructionList queue = Queue(Make<FillRasterFunction>(), Make<SetSeedRasterFunction>(),
                                  Make<GradientRasterFunction>());
    EXPECT_EQ(SwapInstructions(queue, 0, -1), 0);
    EXPECT_EQ(SwapInstructions(queue, 2, 3), 2);
    EXPECT_EQ(SwapInstructions(queue, -1, 0), -1);
    EXPECT_EQ(queue[0]->GetName(), "Fill");
    EXPECT_EQ(queue[2]->GetName(), "Gradient");
    EXPECT_EQ(SwapInstructions(queue, 0, 1), 1);
    EXPECT_EQ(queue[0]->GetName(), "Set Seed");
    EXPECT_EQ(queue[1]->GetName(), "Fill");
}

TEST_F(CatalogueTest, AddNewAndRemovalRequests) {
    queueDirty = false;
    AddInstruction(0);
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_TRUE(queueDirty);
    for (const char* channel : {"Color_Red", "Color_Green", "Color_Blue", "Color_Alpha"})
        EXPECT_EQ(instructionQueue[0]->GetRawValue(channel), U8(255));
    AddInstruction(-1);
    AddInstruction(int(functionCatalogue().size()));
    EXPECT_EQ(instructionQueue.size(), 1u);

    AddInstruction(3);
    AddInstruction(5);
    selectedIndex = 2;
    queueDirty = false;
    removalRequests = {0, 7, 1};  // applied last posted first; 7 is ignored
    EXPECT_TRUE(ApplyRemovalRequests());
    EXPECT_TRUE(queueDirty);
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(instructionQueue[0]->GetName(), "Gradient");
    EXPECT_FALSE(ApplyRemovalRequests());

    selectedIndex = 0;
    draggedIndex = 0;
    ResetToNewQueue();
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(instructionQueue[0]->GetName(), "Set Seed");
    EXPECT_EQ(instructionQueue[0]->GetRawValue("Seed"), U64(0));
    EXPECT_EQ(selectedIndex, -1);
    EXPECT_EQ(draggedIndex, -1);
}

}  // namespace
