#include "editor/export_window.h"

#include <algorithm>
#include <string>

#include "editor/file_commands.h"
#include "functions/render_memory.h"
#include "imgui.h"
#include "raster/console.h"

namespace {

// The size window; the export starts once a file has been chosen.
void DrawSizeWindow(EditorDocument& document, EditorUi& ui) {
    if (ui.exportAsked) {
        ImGui::OpenPopup("Export PNG");
        ui.exportAsked = false;
    }
    if (!ImGui::BeginPopupModal("Export PNG", nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return;
    ImGui::TextUnformatted("Size in pixels (N x N):");
    for (const int size : {100, 256, 512, 1024, 2048, 4096}) {
        ImGui::RadioButton(std::to_string(size).c_str(), &ui.exportSize, size);
        if (size != 4096) ImGui::SameLine();
    }
    ImGui::SetNextItemWidth(120.0f);
    ImGui::InputInt("typed, 16 to 8192", &ui.exportSize, 0, 0);
    ui.exportSize = std::clamp(ui.exportSize, int(kMinRenderSize), int(kMaxRenderSize));
    bool start = false;
    if (ImGui::Button("Export...")) {
        start = true;
        ImGui::CloseCurrentPopup();
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
    if (!start) return;
    std::string problem;
    const std::string path = ExportImageDialog(DialogPlaceFor(document, ui), &problem);
    if (path.empty()) {  // cancelled, or the dialog has reported
        if (!problem.empty()) Report(ui, "Could not export: " + problem, true);
        return;
    }
    ui.lastFolder = path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
    std::string why;
    if (ui.exporter.Start(document.instructionQueue, uint32_t(ui.exportSize), path, why)) {
        Report(ui, "Exporting " + std::to_string(ui.exportSize) + " x " + std::to_string(ui.exportSize), false);
    } else {
        PrintErrorLine("Could not export: " + why);
        Report(ui, "Could not export: " + why, true);
    }
}

// Over the lower edge of the preview's quarter while the export renders.
void DrawProgressWindow(EditorUi& ui) {
    if (!ui.exporter.Running()) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.75f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.5f - 10.0f),
                            ImGuiCond_Always, ImVec2(0.5f, 1.0f));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing;
    if (ImGui::Begin("##Export progress", nullptr, flags)) {
        ImGui::Text("Exporting %u x %u", ui.exporter.Size(), ui.exporter.Size());
        ImGui::ProgressBar(ui.exporter.Progress(), ImVec2(200.0f, 0.0f));
        ImGui::SameLine();
        if (ImGui::Button("Cancel##export")) ui.exporter.Cancel();
    }
    ImGui::End();
}

}  // namespace

void DrawExportWindows(EditorDocument& document, EditorUi& ui) {
    DrawSizeWindow(document, ui);
    DrawProgressWindow(ui);
    std::string message;
    bool failed = false;
    if (ui.exporter.TakeOutcome(message, failed)) {
        failed ? PrintErrorLine(message) : PrintInfoLine(message);
        Report(ui, message, failed);
    }
}
