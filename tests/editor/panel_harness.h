#pragma once
// Drives the editor's windows through ImGui with no platform or renderer
// back-end: the test feeds the mouse and keys through ImGuiIO, runs frames of
// BuildEditorWindows, reads back the text it drew (from the draw data) and
// finds widgets by hovering over them.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "editor_ui/editor_window.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "instructions/instruction_queue.h"

// An instruction with a layout chosen by the test; never registered in the
// catalogue.
class LayoutOnlyFunction : public AbstractRasterFunction {
public:
    explicit LayoutOnlyFunction(ParamLayout layout) : layout_(std::move(layout)) {}
    RasterApplyFn GetFunction() const override { return [](SelectableRaster*, const AbstractRasterFunction*) {}; }
    ParamLayout GetParameterLayout() const override { return layout_; }
    std::string GetName() const override { return "Layout Only"; }
    const AbstractRasterFunction* GetPrototype() const override { return this; }
    std::unique_ptr<AbstractRasterFunction> Clone() const override {
        return std::make_unique<LayoutOnlyFunction>(*this);
    }
    uint32_t GetTypeId() const override { return 99; }

protected:
    const ParamLayout& LayoutView() const override { return layout_; }

private:
    ParamLayout layout_;
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // One frame as the editor runs it: the shell's frame update (drag reset
    // while the button is up, posted deletions), then the windows. Returns
    // the text rendered in the frame.
    std::string Frame();

    void MoveMouse(float x, float y) { ImGui::GetIO().MousePos = ImVec2(x, y); }
    void SetButton(bool down) { ImGui::GetIO().MouseDown[0] = down; }
    // Press and release at a point, one frame each.
    void Click(ImVec2 at);
    // Press at `from`, move to `to` in `steps` frames, keep holding.
    void PressAndDrag(ImVec2 from, ImVec2 to, int steps);
    // Ctrl+click a value widget and type text into its input field, then Enter.
    void TypeInto(ImVec2 widget, const std::string& text);

    // The child window whose name contains `name` (e.g. "Instructions Queue Box").
    ImGuiWindow* FindWindow(const char* name);
    // A point inside the widget with that label in the window, found by
    // hovering over the window's area; empty when no such widget is drawn.
    std::optional<ImVec2> FindWidget(const char* windowName, const std::string& label);
    // Centre of queue row i.
    ImVec2 RowCentre(int i);

    // The instruction at queue index i.
    AbstractRasterFunction* At(int i) { return instructionQueue[size_t(i)].get(); }

    ImGuiContext* context_ = nullptr;
};

// The text drawn by the last rendered frame, window by window, one line per
// text row, with the spaces the pen skipped.
std::string ScreenText();

// Number of occurrences of `needle` in `text`.
int CountOf(const std::string& text, const std::string& needle);
