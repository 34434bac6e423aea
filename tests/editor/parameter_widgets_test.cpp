// The Details panel's parameter rows, value widgets and offset widgets.
#include <regex>

#include "editor_ui/parameter_widgets.h"
#include "panel_harness.h"

namespace {

constexpr const char* kDetails = "/Details Child Box_";

}  // namespace

class DetailsTest : public PanelTest {
protected:
    // Puts an instruction with the given layout last in the queue and selects it.
    LayoutOnlyFunction& AddAndSelect(ParamLayout layout) {
        instructionQueue.push_back(std::make_unique<LayoutOnlyFunction>(std::move(layout)));
        selectedIndex = int32_t(instructionQueue.size()) - 1;
        Frame();
        return static_cast<LayoutOnlyFunction&>(*instructionQueue.back());
    }
    ImVec2 Widget(const std::string& label) {
        const auto at = FindWidget(kDetails, label);
        EXPECT_TRUE(at) << label << " not drawn";
        return at.value_or(ImVec2(-1, -1));
    }
};

TEST_F(DetailsTest, ColorChannelStoresTheLowEightBitsOfWhatTheSliderReports) {
    selectedIndex = 2;  // the red Fill
    Frame();
    queueDirty = false;
    TypeInto(Widget("##Color_Green"), "256");
    EXPECT_EQ(At(2)->GetRawValue("Color_Green"), ParamValue(uint8_t(0)));
    EXPECT_TRUE(queueDirty);
    TypeInto(Widget("##Color_Green"), "300");
    EXPECT_EQ(At(2)->GetRawValue("Color_Green"), ParamValue(uint8_t(44)));
    EXPECT_EQ(At(2)->GetRawValue("Color_Red"), ParamValue(uint8_t(255)));
}

TEST_F(DetailsTest, IndexIsStoredAsUInt64WithinZeroToInt32Max) {
    selectedIndex = 0;  // Set Seed
    Frame();
    TypeInto(Widget("##Seed"), "2147483647");
    EXPECT_EQ(At(0)->GetRawValue("Seed"), ParamValue(uint64_t(2147483647)));
    TypeInto(Widget("##Seed"), "-5");
    EXPECT_EQ(At(0)->GetRawValue("Seed"), ParamValue(uint64_t(0)));

    // Dragging right by 40 pixels at one per pixel.
    const ImVec2 seed = Widget("##Seed");
    PressAndDrag(seed, ImVec2(seed.x + 40, seed.y), 4);
    SetButton(false);
    Frame();
    const ParamValue dragged = At(0)->GetRawValue("Seed");
    EXPECT_EQ(dragged.Type(), ValueType::UInt64);
    EXPECT_GT(dragged.AsUInt64(), 20u);
    EXPECT_LE(dragged.AsUInt64(), 40u);
}

TEST_F(DetailsTest, DrawingGivesEveryKindItsValueTypeAndLimit) {
    auto& f = AddAndSelect({{"Patch", kPatchSize}, {"Size", kSize}, {"Count", kCount}, {"Spread", kSpread},
                            {"Overlap", kOverlap}, {"Signed", kSignedPercent}, {"Toggle", kToggle},
                            {"Fine", kFineFloat}, {"Unknown", 42}});
    // Empty values read as 0 and come back with the kind's type and its floor.
    EXPECT_EQ(f.GetRawValue("Patch"), ParamValue(uint32_t(3)));
    EXPECT_EQ(f.GetRawValue("Size"), ParamValue(uint32_t(1)));
    EXPECT_EQ(f.GetRawValue("Count"), ParamValue(uint32_t(2)));
    EXPECT_EQ(f.GetRawValue("Spread"), ParamValue(0.0f));
    EXPECT_EQ(f.GetRawValue("Overlap"), ParamValue(uint32_t(0)));
    EXPECT_EQ(f.GetRawValue("Signed"), ParamValue(int32_t(0)));
    EXPECT_EQ(f.GetRawValue("Toggle"), ParamValue(int32_t(0)));
    EXPECT_EQ(f.GetRawValue("Fine"), ParamValue(0.0f));
    // An unknown kind gets a row (checkbox and name) but no value widget.
    EXPECT_TRUE(f.HasParameter("Unknown"));
    EXPECT_TRUE(f.GetRawValue("Unknown").IsEmpty());

    // Values from a file outside the widgets' ranges are brought within them.
    f.SetValue("Signed", ParamValue(int32_t(-500)));
    f.SetValue("Spread", ParamValue(-2.5f));
    f.SetValue("Toggle", ParamValue(uint8_t(7)));
    f.SetValue("Size", ParamValue(uint32_t(250)));  // only raised, never lowered
    Frame();
    EXPECT_EQ(f.GetRawValue("Signed"), ParamValue(int32_t(-100)));
    EXPECT_EQ(f.GetRawValue("Spread"), ParamValue(0.0f));
    EXPECT_EQ(f.GetRawValue("Toggle"), ParamValue(int32_t(1)));
    EXPECT_EQ(f.GetRawValue("Size"), ParamValue(uint32_t(250)));
}

TEST_F(DetailsTest, PatchSizeDraggedBelowThreeSnapsBackAndHasNoUpperLimit) {
    auto& f = AddAndSelect({{"Patch", kPatchSize}});
    f.SetValue("Patch", ParamValue(uint32_t(10)));
    queueDirty = false;
    const ImVec2 patch = Widget("##Patch");
    PressAndDrag(patch, ImVec2(patch.x - 60, patch.y), 6);
    SetButton(false);
    Frame();
    EXPECT_EQ(f.GetRawValue("Patch"), ParamValue(uint32_t(3)));
    EXPECT_TRUE(queueDirty);
    TypeInto(Widget("##Patch"), "5000");
    EXPECT_EQ(f.GetRawValue("Patch"), ParamValue(uint32_t(5000)));
}

TEST_F(DetailsTest, TickingRandomisedShowsOffsetsThatNeverCross) {
    selectedIndex = 2;
    std::string text = Frame();
    EXPECT_EQ(CountOf(text, "Random Offset"), 0);
    queueDirty = false;
    Click(Widget("##Color_BlueRandomizedCheckbox"));
    EXPECT_TRUE(queueDirty);
    EXPECT_TRUE(At(2)->GetRecord("Color_Blue").randomized);
    text = Frame();
    EXPECT_EQ(CountOf(text, "Random Offset"), 1);
    EXPECT_TRUE(std::regex_search(text, std::regex("Min: +0 +Max: +0"))) << text;
    EXPECT_EQ(At(2)->GetRecord("Color_Blue").offsetMin, ParamValue(int32_t(0)));
    EXPECT_EQ(At(2)->GetRecord("Color_Blue").offsetMax, ParamValue(int32_t(0)));

    // Max dragged up shows a plus sign; Min dragged far past it stops at Max.
    const ImVec2 max = Widget("##Color_Bluemax");
    PressAndDrag(max, ImVec2(max.x + 12, max.y), 3);
    SetButton(false);
    text = Frame();
    const int32_t upper = At(2)->GetRecord("Color_Blue").offsetMax.AsInt32();
    EXPECT_GT(upper, 0);
    EXPECT_TRUE(std::regex_search(text, std::regex("Max: +\\+" + std::to_string(upper)))) << text;

    const ImVec2 min = Widget("##Color_Bluemin");
    PressAndDrag(min, ImVec2(min.x + 80, min.y), 8);
    SetButton(false);
    Frame();
    EXPECT_EQ(At(2)->GetRecord("Color_Blue").offsetMin, ParamValue(int32_t(upper)));

    // Max dragged down stops at Min.
    PressAndDrag(max, ImVec2(max.x - 80, max.y), 8);
    SetButton(false);
    Frame();
    EXPECT_EQ(At(2)->GetRecord("Color_Blue").offsetMax, ParamValue(int32_t(upper)));
    EXPECT_EQ(At(2)->GetRawValue("Color_Blue"), ParamValue(uint8_t(0)));  // the value itself is untouched
}

TEST_F(DetailsTest, FloatOffsetsShowThreeDecimalsWithAPlusOnlyWhenPositive) {
    auto& f = AddAndSelect({{"Fine", kFineFloat}, {"Drift", kFreeFloat}});
    f.SetRecord("Fine", ParamRecord{ParamValue(0.25f), true, ParamValue(-0.5f), ParamValue(1.5f)});
    f.SetRecord("Drift", ParamRecord{ParamValue(2.0f), true, ParamValue(0.0f), ParamValue(0.0f)});
    const std::string text = Frame();
    EXPECT_TRUE(std::regex_search(text, std::regex("Min: +-0\\.500 +Max: +\\+1\\.500"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("Min: +0\\.000 +Max: +0\\.000"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("Fine +0\\.250"))) << text;
}

TEST_F(DetailsTest, ToggleRandomisationIsOnlyABooleanAndSpacersDrawNoRow) {
    auto& f = AddAndSelect({{"Gap", kSeparator}, {"Flag", kToggle}, {"Air", kSpace}});
    Click(Widget("##FlagRandomizedCheckbox"));
    const std::string text = Frame();
    EXPECT_EQ(CountOf(text, "Randomized Boolean"), 1);
    EXPECT_EQ(CountOf(text, "Random Offset"), 0);
    EXPECT_EQ(CountOf(text, "Gap"), 0);
    EXPECT_EQ(CountOf(text, "Air"), 0);
    EXPECT_FALSE(f.HasParameter("Gap"));
    EXPECT_FALSE(FindWidget(kDetails, "##GapRandomizedCheckbox"));
}

// The offset widgets' own clamping and storage, without interaction.
TEST_F(DetailsTest, OffsetWidgetsClampToTheirLimitsAndStoreInt32OrFloat) {
    ImGui::NewFrame();
    ImGui::Begin("offsets");
    ParamValue wide(uint64_t(7));
    DrawOffsetWidget("a", kIndex, wide, std::nullopt, ParamValue(int32_t(4)));
    ParamValue below(int32_t(-9));
    DrawOffsetWidget("b", kPosition, below, ParamValue(int32_t(-2)), std::nullopt);
    ParamValue f(5.5f);
    DrawOffsetWidget("c", kSpread, f, std::nullopt, ParamValue(2.25f));
    ParamValue g(-200000.0f);
    DrawOffsetWidget("d", kFineFloat, g, std::nullopt, std::nullopt);
    ParamValue none(int32_t(3));
    DrawOffsetWidget("e", kSeparator, none, std::nullopt, std::nullopt);
    ImGui::End();
    ImGui::Render();
    EXPECT_EQ(wide, ParamValue(int32_t(4)));
    EXPECT_EQ(below, ParamValue(int32_t(-2)));
    EXPECT_EQ(f, ParamValue(2.25f));
    EXPECT_EQ(g, ParamValue(-100000.0f));
    EXPECT_EQ(none, ParamValue(int32_t(3)));
}
