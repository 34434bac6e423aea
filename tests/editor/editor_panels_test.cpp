// The editor's windows driven through ImGui without a platform or renderer
// back-end: the queue panel's rows and the shortcuts through
// BuildEditorWindows; the Details panel's widgets drawn into a window of the
// test's own, whose text is read back through ImGui's log.
#include <cmath>
#include <functional>

#include "editor/main_window.h"
#include "editor/parameter_help.h"
#include "editor/parameter_widgets.h"
#include "editor/seed_gallery_window.h"
#include "functions/default_queues.h"
#include "functions/function_catalogue.h"
#include "imgui_internal.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

namespace {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImGuiIO& io = (ImGui::CreateContext(), ImGui::GetIO());
        io.IniFilename = nullptr, io.DisplaySize = ImVec2(1000, 800), io.DeltaTime = 1.0f / 60.0f;
        io.Fonts->Build();
        doc.instructionQueue = MakeDefaultQueue();
        for (int settle = 0; settle < 3; ++settle) Move(ImVec2(-100, -100));  // windows take their sizes
    }
    void TearDown() override { ImGui::DestroyContext(); }

    // One frame as the shell runs it: the drag ends while the button is up,
    // posted deletions go, then the windows and, when set, the probe window over them.
    void Frame() {
        doc.draggedIndex = ImGui::GetIO().MouseDown[0] ? doc.draggedIndex : -1;
        ApplyRemovalRequests(doc), ImGui::NewFrame(), BuildEditorWindows(doc, ui);
        if (probe) {
            ImGui::SetNextWindowPos(ImVec2(0, 100)), ImGui::SetNextWindowSize(ImVec2(900, 600));
            ImGui::Begin("probe", nullptr, ImGuiWindowFlags_NoDecoration), ImGui::LogToBuffer(), probe();
            text = GImGui->LogBuffer.c_str(), ImGui::End();
        }
        ImGui::Render();
    }
    void Move(ImVec2 to) { ImGui::GetIO().MousePos = to, Frame(); }
    void Button(bool down) { ImGui::GetIO().MouseDown[0] = down, Frame(); }
    void Click(ImVec2 at) { Move(at), Button(true), Button(false); }
    // A letter pressed with Ctrl (and Shift) and held for `frames` frames.
    void Key(int key, bool shift = false, int frames = 1) {
        ImGui::GetIO().KeyCtrl = true, ImGui::GetIO().KeyShift = shift;
        for (int f = 0; f <= frames; ++f) ImGui::GetIO().KeysDown[key] = f < frames, Frame();
        ImGui::GetIO().KeyCtrl = ImGui::GetIO().KeyShift = false;
    }
    // Queue row i at `x` from its left edge (from its right end when negative).
    ImVec2 Row(int i, float x = 60) {
        const ImGuiWindow* box = ImGui::FindWindowByName("Instructions Queue")->DC.ChildWindows[0];
        const ImVec2 start = box->DC.CursorStartPos;
        return ImVec2(x >= 0 ? start.x + x : box->ContentRegionRect.Max.x + x, start.y + 35.0f * float(i) + 15);
    }

    EditorDocument doc;
    EditorUi ui;
    std::function<void()> probe;
    std::string text;  // what the probe window drew in the last frame
};

TEST_F(PanelTest, RowsSelectDeleteAndDragAsOneUndoStep) {
    const AbstractRasterFunction *polygon = doc.instructionQueue[3].get(), *blue = doc.instructionQueue[4].get();
    // Pressing row 2 selects it and shows its Delete button: pressed, it posts the
    // row and clears the selection at once.
    Click(Row(2)), Click(Row(2, -43));
    EXPECT_EQ(std::make_pair(doc.removalRequests, doc.selectedIndex), std::make_pair(std::vector<int32_t>{2}, -1));
    // The frame update removes the rows last posted first, ignoring those outside
    // the queue: row 4 posted before it in the same frame is gone by then.
    doc.removalRequests.insert(doc.removalRequests.begin(), 4), doc.queueDirty = false, Frame();
    EXPECT_TRUE(doc.queueDirty && doc.instructionQueue.size() == 4 && doc.instructionQueue[2].get() == polygon);

    const std::string before = EncodeProject(doc.instructionQueue);
    const ImVec2 from = Row(3);
    Move(from), Button(true), Move(ImVec2(from.x + 3, from.y - 2));  // within the drag threshold: a press
    EXPECT_EQ(std::make_pair(doc.draggedIndex, doc.selectedIndex), std::make_pair(-1, 3));
    Move(ImVec2(from.x + 12, Row(2).y)), Move(ImVec2(from.x + 12, Row(1).y));  // one swap per row passed
    Move(ImVec2(from.x, Row(1).y));  // a delta with a zero coordinate selects no pressed row
    EXPECT_EQ(std::make_pair(doc.draggedIndex, doc.selectedIndex), std::make_pair(1, 1));
    EXPECT_TRUE(doc.instructionQueue[1].get() == blue && doc.instructionQueue[3].get() == polygon);
    Button(false), Key('Z');
    EXPECT_TRUE(EncodeProject(doc.instructionQueue) == before) << "one undo takes back the whole drag";
    EXPECT_EQ(doc.selectedIndex, 3) << "the dragged row, where it came from";
}

TEST_F(PanelTest, ShortcutsActOncePerPressAndWaitForTextFieldsAndHeldWidgets) {
    const auto seed = [&] { return doc.instructionQueue[0]->GetRawValue("Seed").AsUInt64(); };
    for (uint64_t s : {1u, 2u}) doc.instructionQueue[0]->SetValue("Seed", U64(s)), Frame();
    Key('Z', false, 60);  // held for a second: no repeat
    EXPECT_EQ(seed(), 1u);
    Move(Row(3)), Button(true), Key('Y');
    EXPECT_EQ(seed(), 1u) << "redone while a row was held";
    Button(false), Key('Y');
    EXPECT_EQ(seed(), 2u);
    char field[8] = "";
    probe = [&] { if (!ImGui::IsAnyItemActive()) ImGui::SetKeyboardFocusHere(); ImGui::InputText("##f", field, 8); };
    Frame(), Frame(), Key('N'), Key('Z');
    EXPECT_TRUE(doc.instructionQueue.size() == 5 && seed() == 2) << "a text field had the keyboard";
    probe = nullptr, Frame(), Frame(), Key('N');
    EXPECT_TRUE(EncodeProject(doc.instructionQueue) == EncodeProject(MakeNewQueue())) << "Ctrl+N: a new project";
    Key('Z'), Key('Z', true);
    EXPECT_EQ(doc.instructionQueue.size(), 1u) << "Ctrl+Shift+Z redoes";
}

// Drawing gives each kind's value, as a file may hold it, the stored type and
// edit limit of the kind table (ColorChannel the low 8 bits, Size raised to 1
// but never lowered, Index the low 32 bits within 0..2147483647, a NaN kept);
// randomised rows show offsets that never cross, a plus sign on positive ones.
TEST_F(PanelTest, DetailsWidgetsStoreEachKindWithinItsLimitsAndShowTheirOffsets) {
    const struct { uint32_t kind; ParamValue given, stored; } kinds[] = {
        {kColorChannel, I32(300), U8(44)}, {kColorChannel, ParamValue(), U8(0)}, {kPosition, I32(-7), I32(-7)},
        {kFineFloat, F32(-2.5f), F32(-2.5f)}, {kFreeFloat, F32(1e9f), F32(1e9f)}, {kToggle, U8(7), I32(1)},
        {kToggle, ParamValue(), I32(0)}, {kSize, I32(0), U32(1)}, {kSize, U32(250), U32(250)},
        {kCount, U32(0), U32(2)}, {kCount, U32(250), U32(250)}, {kPercent, I32(-1), U32(0)},
        {kPercent, U32(300), U32(200)}, {kSignedPercent, I32(-500), I32(-100)}, {kSignedPercent, U32(500), I32(100)},
        {kCellSize, U32(1), U32(2)}, {kCellSize, U32(500), U32(100)}, {kSpread, F32(-2.5f), F32(0.0f)},
        {kSpread, F32(std::nanf("")), F32(std::nanf(""))}, {kIndex, U64((1ull << 32) + 5), U64(5)},
        {kIndex, U64(0xFFFFFFFFu), U64(0)}, {kIndex, U64(2147483647), U64(2147483647)}, {kDensity, U32(11), U32(10)},
        {kOverlap, I32(-3), U32(0)}, {kPatchSize, U32(2), U32(3)}, {kPatchSize, U32(5000), U32(5000)},
        {kSeparator, I32(9), I32(9)}, {kSpace, I32(9), I32(9)}, {99, I32(9), I32(9)},  // nothing to edit
    };
    InstructionList rows = Queue(FindPrototypeByTypeId(3)->Clone(), FindPrototypeByTypeId(13)->Clone());
    for (const auto& k : kinds) rows[1]->SetValue(std::to_string(&k - kinds), k.given);
    bool changed = false;
    probe = [&] {
        for (auto& f : rows) DrawParameterRows(*f, changed);
        for (const auto& k : kinds) DrawParameterWidget(*rows[1], {std::to_string(&k - kinds), k.kind}, changed);
    };
    Frame();
    for (const auto& k : kinds) EXPECT_EQ(rows[1]->GetRawValue(std::to_string(&k - kinds)), k.stored) << k.kind;
    EXPECT_FALSE(changed);
    const ImVec2 first = ImGui::FindWindowByName("probe")->DC.CursorStartPos;
    Click(ImVec2(first.x + 9, first.y + 9));  // the first row's checkbox: Rectangular Selection's Toggle
    EXPECT_TRUE(changed && rows[0]->GetRecord("Setting_SelectMode").randomized);
    // Every name and the randomise box explain themselves on hover (a tooltip
    // ends the log, so the mouse then moves away).
    EXPECT_NE(ImGui::FindWindowByName("##Tooltip_00"), nullptr);
    ImGui::GetIO().MousePos = ImVec2(-100, -100);
    Randomise(*rows[0], "Pos_StartX", U64(5), I32(-3));  // crossed, as a file may hold them
    Randomise(*rows[0], "Pos_EndX", I32(0), I32(4));
    Randomise(*rows[1], "Crystal_Density_SpreadX", F32(-0.5f), F32(1.5f));
    Randomise(*rows[1], "Crystal_Density_SpreadY", F32(-2e5f), F32(0.0f));
    Frame(), Frame();  // a widget shows what the frame before stored
    EXPECT_EQ(rows[0]->GetRecord("Pos_StartX").offsetMin, I32(-3)) << "Min never above Max, stored as Int32";
    EXPECT_EQ(rows[1]->GetRecord("Crystal_Density_SpreadY").offsetMin, F32(-1e5f));
    // A Toggle shows only its flag; layout entries draw no row of their own.
    for (const char* shown : {"[ ]\nRandomized Boolean\n---", "Min:  { -3 } Max:  { -3 }", "Min:  { 0 } Max:  { +4 }",
                              "Min:  { -0.500 } Max:  { +1.500 }", "Min:  { -100000.000 } Max:  { 0.000 }"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << " in\n" << text;
    EXPECT_TRUE(text.find("Separator") == std::string::npos && text.find("Space") == std::string::npos) << text;
}

// The gallery's page stays put when a seed on it is taken, moves 16 at a
// time with its buttons (never below 0) and follows a seed set elsewhere to
// another page.
TEST_F(PanelTest, TheGalleryPagesAndKeepsItsGridWhenASeedIsTaken) {
    ui.gallery.open = true, Frame();
    const ImGuiWindow* gallery = ImGui::FindWindowByName("Seed Gallery");
    ASSERT_NE(gallery, nullptr);
    EXPECT_GE(gallery->Pos.x, 500.0f) << "beside the queue, not over it";
    const ImVec2 start = gallery->DC.CursorStartPos, padding = ImGui::GetStyle().FramePadding;
    const ImVec2 previous(start.x + 10, start.y + 8);
    const ImVec2 next(start.x + ImGui::CalcTextSize("< Previous").x + 2 * padding.x + 18, start.y + 8);
    TakeGallerySeed(doc, 5), Frame();
    EXPECT_EQ(ui.gallery.PageStart(), 0u) << "a seed on the page keeps the grid";
    Click(next), Click(next);
    EXPECT_EQ(ui.gallery.PageStart(), 32u);
    Click(previous);
    EXPECT_EQ(ui.gallery.PageStart(), 16u) << "the page stays while its seed is elsewhere";
    doc.instructionQueue[0]->SetValue("Seed", U64(3)), Frame();
    EXPECT_EQ(ui.gallery.PageStart(), 3u) << "a seed set elsewhere, off the page";
    Click(previous);
    EXPECT_EQ(ui.gallery.PageStart(), 0u);
    ui.gallery.Stop();
}

// Every parameter of every instruction says what it does, its range and
// what randomising does; a colour picked sets the four channels exactly.
TEST(ParameterWords, EveryParameterIsExplainedAndColoursRoundTrip) {
    for (const AbstractRasterFunction* prototype : functionCatalogue())
        for (const ParamLayoutEntry& entry : prototype->GetParameterLayout()) {
            const std::string help = ParameterHelp(prototype->GetName(), entry.name, entry.kind);
            if (IsLayoutOnly(entry.kind)) {
                EXPECT_EQ(help, "");
                continue;
            }
            EXPECT_TRUE(help.rfind("Range: ", 0) == std::string::npos && help.find("\nRange: ") != std::string::npos &&
                        help.find("\nRandomised: ") != std::string::npos)
                << prototype->GetName() << " " << entry.name << ": " << help;
        }
    auto fill = FindPrototypeByTypeId(1)->Clone();
    for (int v = 0; v < 256; ++v) {
        const float rgba[4] = {float(v) / 255.0f, float(255 - v) / 255.0f, v / 510.0f, 1.0f};
        float back[4];
        WriteColorChannels(*fill, "Color_", rgba), ReadColorChannels(*fill, "Color_", back);
        EXPECT_EQ(std::make_tuple(back[0], back[1], back[3]), std::make_tuple(rgba[0], rgba[1], 1.0f)) << v;
        EXPECT_EQ(fill->GetRawValue("Color_Blue"), U8(uint8_t(std::lround(v / 2.0))));
    }
    const float wild[4] = {-1.0f, 7.0f, std::nanf(""), 0.5f};
    WriteColorChannels(*fill, "Color_", wild);
    EXPECT_EQ(fill->GetRawValue("Color_Red").AsUInt8() + fill->GetRawValue("Color_Green").AsUInt8() * 1000, 255000);
}

}  // namespace
