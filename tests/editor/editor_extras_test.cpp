// Undo, the Edit, View and Open Recent menus, the seed gallery window and the
// generating indicator, driven through the editor's windows.
#include <chrono>
#include <thread>

#include "editor_ui/editor_extras.h"
#include "panel_harness.h"
#include "project/file_commands.h"
#include "project/project_file.h"
#include "project/project_file_format.h"
#include "project/undo_history.h"

namespace {

constexpr const char* kDetails = "/Details Child Box_";

class ExtrasTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        ResetDocumentHistory();
        Frame();  // the default queue becomes the history's start
    }
    void TearDown() override {
        SetSeedGalleryOpen(false);
        NoteGenerationBusy(false);
        StopEditorExtras();
        ResetDocumentHistory();
        hasCurrentProject = false;
        currentProjectPath.clear();
        PanelTest::TearDown();
    }
    void CtrlKey(int key, bool shift = false) {
        ImGuiIO& io = ImGui::GetIO();
        io.KeyCtrl = true;
        io.KeyShift = shift;
        io.KeysDown[key] = true;
        Frame();
        io.KeysDown[key] = false;
        io.KeyCtrl = io.KeyShift = false;
        Frame();
    }
    std::string Bytes() { return EncodeProject(instructionQueue); }
};

TEST_F(ExtrasTest, ASliderDragIsOneStepAndUndoSelectsItsRow) {
    const std::string original = Bytes();
    Click(RowCentre(2));  // the red Fill
    const auto green = FindWidget(kDetails, "##Color_Green");
    ASSERT_TRUE(green);
    PressAndDrag(*green, ImVec2(green->x + 40, green->y), 8);
    SetButton(false);
    Frame();
    Frame();
    ASSERT_NE(At(2)->GetRawValue("Color_Green").AsUInt8(), 0) << "the drag changed nothing";
    const std::string dragged = Bytes();
    Click(RowCentre(4));  // selecting another row is no step
    CtrlKey('Z');
    EXPECT_EQ(Bytes(), original) << "one undo takes back the whole drag";
    EXPECT_EQ(selectedIndex, 2);
    EXPECT_FALSE(CanUndoDocumentEdit());
    CtrlKey('Y');
    EXPECT_EQ(Bytes(), dragged);
    CtrlKey('Z');
    CtrlKey('Z', true);  // Ctrl+Shift+Z redoes too
    EXPECT_EQ(Bytes(), dragged);
}

TEST_F(ExtrasTest, ADragReorderIsOneStepAndTheEditMenuUndoesIt) {
    const std::string original = Bytes();
    const ImVec2 row4 = RowCentre(4);
    PressAndDrag(row4, ImVec2(row4.x + 12, RowCentre(1).y), 6);
    SetButton(false);
    Frame();
    ASSERT_NE(Bytes(), original);
    ASSERT_EQ(selectedIndex, 1);
    const std::string text = Frame();
    EXPECT_NE(text.find("File"), std::string::npos);
    EXPECT_NE(text.find("Edit"), std::string::npos);
    EXPECT_NE(text.find("View"), std::string::npos);
    EXPECT_TRUE(CanUndoDocumentEdit());
    CtrlKey('Z');
    EXPECT_EQ(Bytes(), original);
    EXPECT_EQ(selectedIndex, 4) << "the dragged row, back where it was";
    EXPECT_FALSE(CanUndoDocumentEdit()) << "the drag was more than one step";
}

TEST_F(ExtrasTest, UndoShortcutsWaitWhileATextFieldHasTheKeyboard) {
    Click(RowCentre(2));
    const auto red = FindWidget(kDetails, "##Color_Red");
    ASSERT_TRUE(red);
    TypeInto(*red, "17");
    ASSERT_EQ(At(2)->GetRawValue("Color_Red").AsUInt8(), 17);
    ImGuiIO& io = ImGui::GetIO();
    io.KeyCtrl = true;
    Click(*red);  // the field is open again
    io.KeysDown['Z'] = true;
    Frame();
    io.KeysDown['Z'] = false;
    io.KeyCtrl = false;
    Frame();
    EXPECT_EQ(At(2)->GetRawValue("Color_Red").AsUInt8(), 17) << "Ctrl+Z belonged to the text field";
    io.KeysDown[257] = true;  // Enter
    Frame();
    io.KeysDown[257] = false;
    Frame();
    CtrlKey('Z');
    EXPECT_EQ(At(2)->GetRawValue("Color_Red").AsUInt8(), 255);
}

TEST_F(ExtrasTest, GalleryClickSetsTheSeedAsOneUndoableStep) {
    instructionQueue[0]->SetValue("Seed", ParamValue(uint64_t(30)));
    Frame();
    Frame();
    SetSeedGalleryOpen(true);
    ImGuiWindow* gallery = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);  // against a hang only
    std::string text;
    while (std::chrono::steady_clock::now() < deadline) {
        text = Frame();
        gallery = FindWindow("Seed Gallery");
        if (text.find("Seeds 30 to 45") != std::string::npos && CountOf(text, "(rendering)") == 0 &&
            CountOf(text, "...") == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(gallery, nullptr);
    ASSERT_EQ(CountOf(text, "(rendering)"), 0) << text;
    // The first control the mouse meets in the gallery's body is the first thumbnail.
    std::optional<ImVec2> thumb;
    const ImRect area = gallery->InnerClipRect;
    for (float y = area.Min.y + 1; y < area.Max.y && !thumb; y += 8)
        for (float x = area.Min.x + 1; x < area.Max.x && !thumb; x += 8) {
            MoveMouse(x, y);
            Frame();
            if (GImGui->HoveredId != 0 && GImGui->HoveredWindow == gallery) thumb = ImVec2(x + 4, y + 4);
        }
    ASSERT_TRUE(thumb) << "no thumbnail under the mouse";
    Click(*thumb);  // the first thumbnail: the current seed itself
    Frame();
    EXPECT_EQ(At(0)->GetRawValue("Seed").AsUInt64(), 30u);
    // Four columns of equal pitch: the fourth thumbnail sits three pitches right.
    const float pitch = 72.0f + 2 * ImGui::GetStyle().FramePadding.x + ImGui::GetStyle().ItemSpacing.x;
    Click(ImVec2(thumb->x + 3 * pitch, thumb->y));
    Frame();
    EXPECT_EQ(At(0)->GetRawValue("Seed").AsUInt64(), 33u);
    EXPECT_TRUE(queueDirty);
    CtrlKey('Z');
    EXPECT_EQ(At(0)->GetRawValue("Seed").AsUInt64(), 30u);
    EXPECT_EQ(selectedIndex, 0) << "the row whose seed changed";
}

TEST_F(ExtrasTest, GalleryWithoutASeedSaysSo) {
    instructionQueue.erase(instructionQueue.begin());
    SetSeedGalleryOpen(true);
    const std::string text = Frame();
    EXPECT_NE(text.find("no Seed parameter"), std::string::npos) << text;
}

TEST_F(ExtrasTest, GeneratingShowsOnlyAfterAHundredMilliseconds) {
    NoteGenerationBusy(true);
    EXPECT_EQ(CountOf(Frame(), "generating..."), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    NoteGenerationBusy(true);
    Frame();  // a window that auto-sizes is hidden in its first frame
    EXPECT_EQ(CountOf(Frame(), "generating..."), 1);
    NoteGenerationBusy(false);
    EXPECT_EQ(CountOf(Frame(), "generating..."), 0);
}

TEST_F(ExtrasTest, OpenRecentLoadsAsOpenDoesAndANewCurrentProjectIsRemembered) {
    const std::string path = testing::TempDir() + "orvane_extras_recent.pcg";
    InstructionList one;
    one.push_back(instructionQueue[2]->Clone());
    ASSERT_TRUE(WriteProjectFile(path, one));
    OpenRecentProject(path.c_str());
    Frame();
    EXPECT_EQ(instructionQueue.size(), 1u);
    EXPECT_TRUE(hasCurrentProject);
    EXPECT_EQ(currentProjectPath, path);
    CtrlKey('Z');
    EXPECT_EQ(instructionQueue.size(), 5u);
    EXPECT_FALSE(hasCurrentProject) << "undoing an open goes back to no project";

    // Open B, undo back to A's queue and project: a "Save" of A then puts it
    // first again, noticed by the file's new modification time.
    const std::string other = testing::TempDir() + "orvane_extras_recent_b.pcg";
    one.push_back(instructionQueue[0]->Clone());  // another queue than A's
    ASSERT_TRUE(WriteProjectFile(other, one));
    OpenRecentProject(path.c_str());
    Frame();
    OpenRecentProject(other.c_str());
    Frame();
    CtrlKey('Z');
    EXPECT_EQ(currentProjectPath, path);
    EXPECT_EQ(RecentProjectPaths().front(), other) << "undo opens nothing";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(SaveProjectFile(path));
    Frame();
    EXPECT_EQ(RecentProjectPaths().front(), path);
    std::remove(other.c_str());

    const std::string before = EncodeProject(instructionQueue);
    testing::internal::CaptureStderr();
    OpenRecentProject((path + ".missing").c_str());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to open file\n"), std::string::npos);
    EXPECT_EQ(EncodeProject(instructionQueue), before);
    EXPECT_EQ(currentProjectPath, path);
    std::remove(path.c_str());
}

}  // namespace
