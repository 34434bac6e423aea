// The editor's windows, rebuilt every frame (the menu bar is menu_bar.cpp):
//   [SECTION] Frame-rate overlay
//   [SECTION] Instructions Queue panel (rows: select, drag, delete; add)
//   [SECTION] Details panel
//   [SECTION] Preview mouse (zoom, pan, reset)
//   [SECTION] Status line
//   [SECTION] Generating indicator
//   [SECTION] Frame: back-end frame start, build, render
#include "editor/main_window.h"

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "backends/imgui_impl_glfw.h"
#include "backends/imgui_impl_opengl3.h"
#include "editor/export_window.h"
#include "editor/menu_bar.h"
#include "editor/parameter_widgets.h"
#include "editor/recovery.h"
#include "functions/function_catalogue.h"
#include "imgui.h"

namespace {

// Packed as A, B, G, R from the most significant byte.
constexpr ImU32 kRowBackground = 0xFF323232;
constexpr ImU32 kSelectedRowBackground = 0xFFAF8056;
constexpr ImU32 kDraggedRowBackground = 0xFF232323;
constexpr ImU32 kDraggedRowText = 0xFF808080;
constexpr ImU32 kDeleteButton = 0xFF3232C8;
constexpr ImU32 kDeleteButtonHovered = 0xFF6464C8;
constexpr ImU32 kDeleteButtonActive = 0xFF0A0A96;
constexpr ImU32 kTransparent = 0x00000000;

constexpr float kRowHeight = 30.0f;
constexpr float kRowPitch = 35.0f;  // row height plus a gap of 5

constexpr ImGuiWindowFlags kPanelFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                         ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                         ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNavInputs;

void RecordWorkSize(EditorUi& ui) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ui.workWidth = viewport->WorkSize.x;
    ui.workHeight = viewport->WorkSize.y;
}

void PlaceNextWindow(ImVec2 position, ImVec2 size) {
    ImGui::SetNextWindowPos(position, ImGuiCond_Always, ImVec2(0, 0));
    ImGui::SetNextWindowSize(size, ImGuiCond_Always);
}

// A panel title centred by its character count at the scaled font size.
void DrawPanelTitle(const char* title) {
    ImGui::SetWindowFontScale(1.1f);
    const float length = float(std::char_traits<char>::length(title));
    ImGui::SameLine(ImGui::GetWindowWidth() * 0.5f - ImGui::GetFontSize() * length * 0.25f);
    ImGui::Text("%s", title);
    ImGui::SetWindowFontScale(1.0f);
    ImGui::Dummy(ImVec2(0, 2));
    ImGui::Separator();
    ImGui::Dummy(ImVec2(0, 5));
}

// ---------------------------------------------------------------------------
// [SECTION] Frame-rate overlay
// ---------------------------------------------------------------------------

void DrawFrameRateOverlay(EditorUi& ui) {
    RecordWorkSize(ui);
    if (!ui.showFrameRate) return;  // View > Show frame rate
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + 10.0f + viewport->WorkSize.x * 0.5f,
                                   viewport->WorkPos.y + 10.0f),
                            ImGuiCond_Always, ImVec2(0, 0));
    ImGui::SetNextWindowBgAlpha(0.35f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    if (ImGui::Begin("Example: Simple overlay", nullptr, flags)) {
        const ImGuiIO& io = ImGui::GetIO();
        ImGui::Text("FPS: %5.1f -- %6.3f ms", io.Framerate, 1000.0f / io.Framerate);
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// [SECTION] Instructions Queue panel
// ---------------------------------------------------------------------------

// One queue row: a selectable strip with the instruction's name drawn over
// it. Pressing selects; holding and moving past the drag threshold drags, and
// a dragged row swaps with its neighbour whenever the mouse leaves it above
// or below, staying selected so that the Details panel follows it.
void DrawQueueRow(EditorDocument& document, int i, ImVec2 dragDelta, ImVec2 mouse) {
    InstructionList& queue = document.instructionQueue;
    int32_t& draggedIndex = document.draggedIndex;
    int32_t& selectedIndex = document.selectedIndex;
    ImVec2 r = ImGui::GetCursorPos();
    ImGui::SetCursorPos(r);
    const std::string rowLabel = "##" + std::to_string(i) + "InstructionsQueue";
    ImGui::Selectable(rowLabel.c_str(), false, ImGuiSelectableFlags_AllowItemOverlap, ImVec2(0, kRowHeight));
    ImVec2 a = ImGui::GetItemRectMin();
    const ImVec2 b = ImGui::GetItemRectMax();
    ImVec2 t(r.x + 7.0f, std::fabs(b.y - a.y) * 0.5f + r.y - ImGui::GetFontSize() * 0.5f - 2.0f);

    // The mouse state is read through ImGui, which the GLFW back-end feeds
    // from the same button every frame.
    if (ImGui::IsItemActive() && ImGui::IsMouseDown(ImGuiMouseButton_Left)) {
        const bool moved = std::fabs(dragDelta.x) > 0.01f && std::fabs(dragDelta.y) > 0.01f;
        if (moved && draggedIndex < 0) draggedIndex = i;
        if (!moved && draggedIndex < 0) selectedIndex = i;
    }

    const std::string name = queue[size_t(i)]->GetName();
    ImDrawList* drawList = ImGui::GetWindowDrawList();
    if (draggedIndex == i) {
        a.x += 20.0f;
        t.x += 20.0f;
        drawList->AddRectFilled(a, b, kDraggedRowBackground);
        ImGui::SetCursorPos(t);
        ImGui::PushStyleColor(ImGuiCol_Text, kDraggedRowText);
        ImGui::Text("%s", name.c_str());
        ImGui::PopStyleColor();
        if (a.y > mouse.y) {
            const int moved = SwapInstructions(queue, i, i - 1);
            draggedIndex = selectedIndex = moved;
            document.queueDirty = true;
        }
        if (mouse.y > b.y) {
            const int moved = SwapInstructions(queue, i, i + 1);
            draggedIndex = selectedIndex = moved;
            document.queueDirty = true;
        }
    } else {
        if (!ImGui::IsItemHovered())
            drawList->AddRectFilled(a, b, i == selectedIndex ? kSelectedRowBackground : kRowBackground);
        ImGui::SetCursorPos(t);
        ImGui::Text("%s", name.c_str());
    }

    ImGui::SetCursorPos(ImVec2(ImGui::GetWindowContentRegionMax().x - 53.0f, r.y + 3.0f));
    if (i == selectedIndex) {
        ImGui::PushStyleColor(ImGuiCol_Button, kDeleteButton);
        ImGui::PushStyleColor(ImGuiCol_ButtonHovered, kDeleteButtonHovered);
        ImGui::PushStyleColor(ImGuiCol_ButtonActive, kDeleteButtonActive);
        const std::string deleteLabel = "Delete##" + std::to_string(i) + "SelectedInstruction Delete Button";
        if (ImGui::Button(deleteLabel.c_str(), ImVec2(0, 25))) {
            document.removalRequests.push_back(i);  // removed by the next frame update
            selectedIndex = -1;
        }
        ImGui::PopStyleColor(3);
    }

    r.y += kRowPitch;
    ImGui::SetCursorPos(r);
}

bool CatalogueName(void* data, int index, const char** text) {
    const auto& names = *static_cast<const std::vector<std::string>*>(data);
    if (index < 0 || size_t(index) >= names.size()) return false;
    *text = names[size_t(index)].c_str();
    return true;
}

void DrawQueuePanel(EditorDocument& document, EditorUi& ui) {
    RecordWorkSize(ui);
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    PlaceNextWindow(viewport->WorkPos, ImVec2(viewport->WorkSize.x * 0.5f, viewport->WorkSize.y));
    ImGui::SetNextWindowBgAlpha(0.85f);
    if (ImGui::Begin("Instructions Queue", nullptr, kPanelFlags)) {
        DrawPanelTitle("Instructions Queue");
        if (ImGui::BeginChild("Instructions Queue Box", ImVec2(0, 0), false,
                              kPanelFlags | ImGuiWindowFlags_AlwaysVerticalScrollbar)) {
            const ImVec2 dragDelta = ImGui::GetMouseDragDelta(ImGuiMouseButton_Left, 5.0f);
            const ImVec2 mouse = ImGui::GetMousePos();
            const bool dragging = document.draggedIndex >= 0;
            if (dragging) {
                ImGui::PushStyleColor(ImGuiCol_HeaderHovered, kTransparent);
                ImGui::PushStyleColor(ImGuiCol_HeaderActive, kTransparent);
            }
            // The size is re-read every row: a swap never changes it, and the
            // rows stay within the queue.
            for (int i = 0; i < int(document.instructionQueue.size()); ++i) DrawQueueRow(document, i, dragDelta, mouse);
            if (dragging) ImGui::PopStyleColor(2);

            ImGui::Dummy(ImVec2(0, 5));
            ImGui::Separator();
            ImGui::Dummy(ImVec2(0, 2));
            if (ImGui::Button("Add Instruction", ImVec2(0, 30))) AddInstruction(document, ui.catalogueChoice);
            ImGui::SameLine();
            const auto& catalogue = functionCatalogue();
            std::vector<std::string> names;
            names.reserve(catalogue.size());
            for (const AbstractRasterFunction* prototype : catalogue) names.push_back(prototype->GetName());
            ImGui::Combo("##RasterFunctions", &ui.catalogueChoice, CatalogueName, &names, int(names.size()));
        }
        ImGui::EndChild();
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// [SECTION] Details panel
// ---------------------------------------------------------------------------

void DrawDetailsPanel(EditorDocument& document, EditorUi& ui) {
    RecordWorkSize(ui);
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    PlaceNextWindow(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f,
                           viewport->WorkPos.y + viewport->WorkSize.y * 0.5f),
                    ImVec2(viewport->WorkSize.x * 0.5f, viewport->WorkSize.y * 0.5f));
    ImGui::SetNextWindowBgAlpha(0.85f);
    if (ImGui::Begin("Details", nullptr, kPanelFlags)) {
        DrawPanelTitle("Instruction Details");
        if (ImGui::BeginChild("Details Child Box", ImVec2(0, 0), false,
                              kPanelFlags | ImGuiWindowFlags_AlwaysVerticalScrollbar)) {
            const int32_t selected = document.selectedIndex;
            if (selected >= 0 && size_t(selected) < document.instructionQueue.size())
                DrawParameterRows(*document.instructionQueue[size_t(selected)], document.queueDirty);
        }
        ImGui::EndChild();
    }
    ImGui::End();
}

// ---------------------------------------------------------------------------
// [SECTION] Preview mouse
// ---------------------------------------------------------------------------

// Over the preview (the upper-right quarter of the work area) and not over a
// panel: the wheel zooms about the cursor, a drag pans, a double-click resets.
void HandlePreviewMouse(EditorUi& ui) {
    const ImGuiIO& io = ImGui::GetIO();
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float left = viewport->WorkPos.x + viewport->WorkSize.x * 0.5f;
    const float top = viewport->WorkPos.y;
    const float width = viewport->WorkSize.x * 0.5f;
    const float height = viewport->WorkSize.y * 0.5f;
    if (!io.MouseDown[0]) ui.panningPreview = false;
    if (width < 1.0f || height < 1.0f) return;
    const float x = (io.MousePos.x - left) / width * 2.0f - 1.0f;
    const float y = 1.0f - (io.MousePos.y - top) / height * 2.0f;
    const bool over = !io.WantCaptureMouse && std::fabs(x) <= 1.0f && std::fabs(y) <= 1.0f;
    if (ui.panningPreview) {
        ui.previewLook.Pan(io.MouseDelta.x / width * 2.0f, -io.MouseDelta.y / height * 2.0f);
        return;
    }
    if (!over) return;
    if (io.MouseWheel != 0.0f) ui.previewLook.ZoomAbout(x, y, std::pow(1.25f, io.MouseWheel));
    if (ImGui::IsMouseDoubleClicked(0))
        ui.previewLook.Reset();
    else if (ImGui::IsMouseClicked(0))
        ui.panningPreview = true;
}

// ---------------------------------------------------------------------------
// [SECTION] Status line
// ---------------------------------------------------------------------------

// Along the bottom of the window, over the panels (their layout stays as it
// is): the last command's outcome, errors in red until the next command,
// other news for five seconds.
void DrawStatusLine(EditorUi& ui) {
    constexpr ImU32 kErrorText = 0xFF6060FF;
    const StatusLine& status = ui.status;
    if (status.text.empty()) return;
    if (!status.error && std::chrono::steady_clock::now() - status.since > std::chrono::seconds(5)) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float height = ImGui::GetFrameHeight();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x, viewport->WorkPos.y + viewport->WorkSize.y - height),
                            ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(viewport->WorkSize.x, height), ImGuiCond_Always);
    ImGui::SetNextWindowBgAlpha(0.95f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav |
                                   ImGuiWindowFlags_NoInputs;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8.0f, 3.0f));
    if (ImGui::Begin("##Status line", nullptr, flags)) {
        if (status.error) ImGui::PushStyleColor(ImGuiCol_Text, kErrorText);
        ImGui::TextUnformatted(status.text.c_str());
        if (status.error) ImGui::PopStyleColor();
    }
    ImGui::End();
    ImGui::PopStyleVar();
}

// ---------------------------------------------------------------------------
// [SECTION] Generating indicator
// ---------------------------------------------------------------------------

// Over the lower-left corner of the preview's quarter of the work area.
void DrawGeneratingIndicator(const EditorUi& ui) {
    constexpr std::chrono::milliseconds kDelay{100};
    if (!ui.generationBusy || std::chrono::steady_clock::now() - ui.busySince < kDelay) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f + 10.0f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.5f - 10.0f),
                            ImGuiCond_Always, ImVec2(0, 1));
    ImGui::SetNextWindowBgAlpha(0.6f);
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                   ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoInputs;
    if (ImGui::Begin("##Generating indicator", nullptr, flags)) ImGui::TextUnformatted("generating...");
    ImGui::End();
}

}  // namespace

// ---------------------------------------------------------------------------
// [SECTION] Frame
// ---------------------------------------------------------------------------

void BuildEditorWindows(EditorDocument& document, EditorUi& ui) {
    // A drag, a held slider or a typed value is one step: it settles once
    // the button is up and no widget is active any more.
    TrackDocumentEdits(document, !ImGui::IsAnyItemActive() && !ImGui::IsAnyMouseDown());
    DrawMainMenuBar(document, ui);
    HandleShortcuts(document, ui);
    DrawFrameRateOverlay(ui);
    HandlePreviewMouse(ui);
    DrawQueuePanel(document, ui);
    DrawDetailsPanel(document, ui);
    ui.gallery.Draw(document);
    DrawGeneratingIndicator(ui);
    DrawExportWindows(document, ui);
    DrawRecoveryBar(document, ui);
    DrawStatusLine(ui);
}

void DrawEditorFrame(EditorDocument& document, EditorUi& ui) {
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    BuildEditorWindows(document, ui);
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}
