// The menu bar, overlay and "Instructions Queue" panel driven through ImGui.
#include <algorithm>
#include <regex>
#include <sstream>

#include "instructions/function_catalogue.h"
#include "panel_harness.h"
#include "project/file_commands.h"

namespace {

std::vector<const AbstractRasterFunction*> QueueOrder() {
    std::vector<const AbstractRasterFunction*> order;
    for (const auto& instruction : instructionQueue) order.push_back(instruction.get());
    return order;
}

}  // namespace

TEST_F(PanelTest, OverlayShowsFrameRateAndFrameTime) {
    const std::string text = Frame();
    // 60 frames a second: a five-wide rate with one decimal, a six-wide time with three.
    EXPECT_TRUE(std::regex_search(text, std::regex("FPS:  60\\.0 -- 16\\.667 ms"))) << text;
    EXPECT_EQ(CountOf(text, "Instructions Queue"), 1);
    EXPECT_EQ(CountOf(text, "Instruction Details"), 1);
    EXPECT_GT(uiWorkWidth, 0.0f);
    EXPECT_LT(uiWorkHeight, 800.0f);  // the menu bar takes the top of the display
}

TEST_F(PanelTest, PressingARowSelectsItAndShowsDeleteThereOnly) {
    std::string text = Frame();
    EXPECT_EQ(CountOf(text, "Delete"), 0);
    EXPECT_EQ(CountOf(text, "\nSet Seed\nRectangular Selection\nFill\nPolygon Selection\nFill\n"), 1) << text;

    Click(RowCentre(2));
    EXPECT_EQ(selectedIndex, 2);
    EXPECT_EQ(draggedIndex, -1);
    text = Frame();
    EXPECT_EQ(CountOf(text, "Delete"), 1);
    EXPECT_TRUE(FindWidget("/Instructions Queue Box_", "Delete##2SelectedInstruction Delete Button"));
    // The Details panel now shows the red Fill's four channels.
    EXPECT_EQ(CountOf(text, "Color_"), 4);

    Click(RowCentre(4));
    EXPECT_EQ(selectedIndex, 4);
    EXPECT_EQ(CountOf(Frame(), "Delete"), 1);
}

TEST_F(PanelTest, DeletePostsTheRowWhichGoesAtTheNextFrameUpdate) {
    Click(RowCentre(2));
    const auto before = QueueOrder();
    const auto button = FindWidget("/Instructions Queue Box_", "Delete##2SelectedInstruction Delete Button");
    ASSERT_TRUE(button);

    // Press and release on the button within one frame update cycle each.
    MoveMouse(button->x, button->y);
    SetButton(true);
    ImGui::NewFrame();
    BuildEditorWindows();
    ImGui::Render();
    SetButton(false);
    ImGui::NewFrame();
    BuildEditorWindows();
    ImGui::Render();
    EXPECT_EQ(removalRequests, std::vector<int32_t>{2});
    EXPECT_EQ(selectedIndex, -1);
    EXPECT_EQ(instructionQueue.size(), 5u);  // not yet removed

    queueDirty = false;
    const std::string text = Frame();
    EXPECT_TRUE(queueDirty);
    EXPECT_TRUE(removalRequests.empty());
    EXPECT_EQ(QueueOrder(), (std::vector<const AbstractRasterFunction*>{before[0], before[1], before[3], before[4]}));
    EXPECT_EQ(CountOf(text, "Delete"), 0);
    EXPECT_EQ(CountOf(text, "Color_"), 0);  // nothing selected: empty Details panel
}

TEST_F(PanelTest, DraggingTheFirstRowUpwardKeepsItFirstAndSelected) {
    const auto before = QueueOrder();
    const ImVec2 row0 = RowCentre(0);
    PressAndDrag(row0, ImVec2(row0.x + 10, row0.y - 40), 4);
    EXPECT_EQ(draggedIndex, 0);
    EXPECT_EQ(selectedIndex, 0);
    EXPECT_EQ(QueueOrder(), before);

    // Every frame with the mouse above the dragged row asks for regeneration.
    queueDirty = false;
    Frame();
    EXPECT_TRUE(queueDirty);

    SetButton(false);
    Frame();
    EXPECT_EQ(draggedIndex, -1);
    EXPECT_EQ(selectedIndex, 0);
    EXPECT_EQ(QueueOrder(), before);
}

TEST_F(PanelTest, DraggingARowDownSwapsItStepByStep) {
    const auto b = QueueOrder();
    const ImVec2 row1 = RowCentre(1);
    PressAndDrag(row1, ImVec2(row1.x + 3, row1.y + 2), 1);  // within the 5-pixel threshold
    EXPECT_EQ(draggedIndex, -1);
    EXPECT_EQ(selectedIndex, 1);

    MoveMouse(row1.x + 12, RowCentre(2).y);
    Frame();
    EXPECT_EQ(QueueOrder(), (std::vector<const AbstractRasterFunction*>{b[0], b[2], b[1], b[3], b[4]}));
    EXPECT_EQ(draggedIndex, 2);
    EXPECT_EQ(selectedIndex, 2);

    // Back at the pressed x the drag delta has a zero coordinate: the pressed
    // row position (now another instruction) must not take the selection.
    MoveMouse(row1.x, RowCentre(2).y);
    Frame();
    EXPECT_EQ(draggedIndex, 2);
    EXPECT_EQ(selectedIndex, 2);

    // Jumping two rows down in one frame moves it one place per row passed.
    MoveMouse(row1.x + 12, RowCentre(4).y);
    Frame();
    EXPECT_EQ(QueueOrder(), (std::vector<const AbstractRasterFunction*>{b[0], b[2], b[3], b[4], b[1]}));
    EXPECT_EQ(draggedIndex, 4);
    EXPECT_EQ(selectedIndex, 4);

    // Below the last row: the swap past the end does nothing.
    MoveMouse(row1.x + 12, RowCentre(4).y + 100);
    Frame();
    EXPECT_EQ(QueueOrder(), (std::vector<const AbstractRasterFunction*>{b[0], b[2], b[3], b[4], b[1]}));

    SetButton(false);
    Frame();
    EXPECT_EQ(draggedIndex, -1);
    EXPECT_EQ(selectedIndex, 4);
}

TEST_F(PanelTest, AddInstructionAppendsTheChosenCatalogueEntry) {
    const auto& catalogue = functionCatalogue();
    int gaussian = -1;
    for (size_t p = 0; p < catalogue.size(); ++p)
        if (catalogue[p]->GetName() == "Gaussian Blur") gaussian = int(p);
    if (gaussian < 0) GTEST_SKIP() << "Gaussian Blur is not in this build's catalogue";

    Click(RowCentre(1));
    catalogueChoice = gaussian;
    EXPECT_EQ(CountOf(Frame(), "Gaussian Blur"), 1);  // the combo shows the choice
    const auto add = FindWidget("/Instructions Queue Box_", "Add Instruction");
    ASSERT_TRUE(add);
    queueDirty = false;
    Click(*add);
    ASSERT_EQ(instructionQueue.size(), 6u);
    EXPECT_EQ(At(5)->GetName(), "Gaussian Blur");
    EXPECT_EQ(At(5)->GetTypeId(), 10u);
    EXPECT_NE(At(5), catalogue[size_t(gaussian)]);
    EXPECT_TRUE(queueDirty);
    EXPECT_EQ(selectedIndex, 1);
}

TEST_F(PanelTest, ComboListsTheCatalogueInOrderAndAddWorksOnAnEmptyQueue) {
    instructionQueue.clear();
    const auto combo = FindWidget("/Instructions Queue Box_", "##RasterFunctions");
    ASSERT_TRUE(combo);
    Click(*combo);
    // Scroll the open list from top to bottom, collecting the names it shows.
    ImGuiWindow* list = FindWindow("##Combo_");
    ASSERT_NE(list, nullptr);
    std::vector<std::string> shown;
    for (float scroll = 0.0f;; scroll += list->InnerRect.GetHeight() * 0.5f) {
        ImGui::SetScrollY(list, scroll);
        std::istringstream lines(Frame());
        for (std::string line; std::getline(lines, line);)
            if (std::find(shown.begin(), shown.end(), line) == shown.end()) shown.push_back(line);
        if (scroll >= list->ScrollMax.y) break;
    }
    std::vector<std::string> names;
    for (const AbstractRasterFunction* prototype : functionCatalogue()) names.push_back(prototype->GetName());
    shown.erase(std::remove_if(shown.begin(), shown.end(),
                               [&](const std::string& line) {
                                   return std::find(names.begin(), names.end(), line) == names.end();
                               }),
                shown.end());
    EXPECT_EQ(shown, names);
    Click(ImVec2(5, 790));  // close the popup without choosing

    const auto add = FindWidget("/Instructions Queue Box_", "Add Instruction");
    ASSERT_TRUE(add);
    Click(*add);
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(At(0)->GetName(), functionCatalogue()[0]->GetName());
    EXPECT_EQ(selectedIndex, -1);
}

TEST_F(PanelTest, CtrlNStartsANewProjectUnlessATextFieldHasTheKeyboard) {
    ImGuiIO& io = ImGui::GetIO();
    Click(RowCentre(2));
    const auto red = FindWidget("/Details Child Box_", "##Color_Red");
    ASSERT_TRUE(red);
    // Ctrl+click opens the slider's text field; Ctrl+N then only types.
    io.KeyCtrl = true;
    Click(*red);
    io.KeysDown['N'] = true;
    Frame();
    io.KeysDown['N'] = false;
    Frame();
    EXPECT_TRUE(io.WantTextInput);
    EXPECT_EQ(instructionQueue.size(), 5u);

    io.KeyCtrl = false;
    io.KeysDown[257] = true;  // Enter leaves the field
    Frame();
    io.KeysDown[257] = false;
    Frame();
    hasCurrentProject = true;
    io.KeyCtrl = true;
    io.KeysDown['N'] = true;
    Frame();
    io.KeysDown['N'] = false;
    io.KeyCtrl = false;
    Frame();
    ASSERT_EQ(instructionQueue.size(), 1u);
    EXPECT_EQ(At(0)->GetName(), "Set Seed");
    EXPECT_EQ(selectedIndex, -1);
    EXPECT_FALSE(hasCurrentProject);
}
