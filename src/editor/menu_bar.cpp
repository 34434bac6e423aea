#include "editor/menu_bar.h"

#include <string>
#include <vector>

#include "editor/file_commands.h"
#include "imgui.h"

namespace {

void DrawOpenRecentMenu(EditorDocument& document, EditorUi& ui) {
    if (!ImGui::BeginMenu("Open Recent")) return;
    const std::vector<std::string> paths = document.recentProjects.Paths();  // a copy: opening reorders it
    if (paths.empty()) ImGui::MenuItem("No recent projects", nullptr, false, false);
    for (size_t i = 0; i < paths.size(); ++i) {
        ImGui::PushID(int(i));
        // Missing files stay listed, greyed out: they may come back (a
        // removable drive, a network folder).
        if (ImGui::MenuItem(paths[i].c_str(), nullptr, false, ProjectFileExists(paths[i])))
            OpenRecentProjectCommand(document, ui, paths[i]);
        ImGui::PopID();
    }
    ImGui::EndMenu();
}

void DrawFileMenu(EditorDocument& document, EditorUi& ui) {
    if (!ImGui::BeginMenu("File")) return;
    if (ImGui::MenuItem("New", "Ctrl+N")) NewProjectCommand(document, ui);
    if (ImGui::MenuItem("Open", "Ctrl+O")) OpenProjectCommand(document, ui);
    if (ImGui::MenuItem("Save", "Ctrl+S")) SaveProjectCommand(document, ui);
    if (ImGui::MenuItem("Save As...", "Ctrl+Shift+S")) SaveProjectAsCommand(document, ui);
    if (ImGui::MenuItem("Export PNG...", nullptr, false, !ui.exporter.Running())) ui.exportAsked = true;
    ImGui::Separator();
    DrawOpenRecentMenu(document, ui);
    ImGui::Separator();
    if (ImGui::MenuItem("Quit", "Ctrl+Q")) ui.quitRequested = true;
    ImGui::EndMenu();
}

void DrawEditMenu(EditorDocument& document) {
    if (!ImGui::BeginMenu("Edit")) return;
    if (ImGui::MenuItem("Undo", "Ctrl+Z", false, CanUndoDocumentEdit(document))) UndoDocumentEdit(document);
    if (ImGui::MenuItem("Redo", "Ctrl+Y", false, CanRedoDocumentEdit(document))) RedoDocumentEdit(document);
    ImGui::EndMenu();
}

void DrawViewMenu(EditorUi& ui) {
    if (!ImGui::BeginMenu("View")) return;
    ImGui::MenuItem("Seed Gallery", nullptr, &ui.gallery.open);
    ImGui::MenuItem("Tile preview", nullptr, &ui.tilePreview);
    ImGui::MenuItem("Show frame rate", nullptr, &ui.showFrameRate);
    if (ImGui::BeginMenu("Preview resolution")) {
        for (const uint32_t size : {100u, 200u, 400u}) {
            const std::string label = std::to_string(size) + " x " + std::to_string(size);
            if (ImGui::MenuItem(label.c_str(), nullptr, ui.previewSize == size)) ui.previewSize = size;
        }
        ImGui::EndMenu();
    }
    ImGui::EndMenu();
}

}  // namespace

void DrawMainMenuBar(EditorDocument& document, EditorUi& ui) {
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 6));
    ImFont* font = ImGui::GetFont();
    const float previousScale = font->Scale;
    font->Scale = 1.2f;
    ImGui::PushFont(font);
    if (ImGui::BeginMainMenuBar()) {
        DrawFileMenu(document, ui);
        DrawEditMenu(document);
        DrawViewMenu(ui);
        ImGui::EndMainMenuBar();
    }
    font->Scale = previousScale;
    ImGui::PopFont();
    ImGui::PopStyleVar();
}

// Letter keys are indexed by their GLFW codes, which are their ASCII
// capitals. One command per press: a held key does not repeat.
void HandleShortcuts(EditorDocument& document, EditorUi& ui) {
    const ImGuiIO& io = ImGui::GetIO();
    if (!io.KeyCtrl || io.KeyAlt || io.KeySuper || io.WantTextInput) return;
    if (ImGui::IsKeyPressed('N', false))
        NewProjectCommand(document, ui);
    else if (ImGui::IsKeyPressed('O', false))
        OpenProjectCommand(document, ui);
    else if (ImGui::IsKeyPressed('S', false))
        io.KeyShift ? SaveProjectAsCommand(document, ui) : SaveProjectCommand(document, ui);
    else if (ImGui::IsKeyPressed('Q', false))
        ui.quitRequested = true;

    if (ImGui::IsAnyItemActive()) return;
    if (ImGui::IsKeyPressed('Z', false))
        io.KeyShift ? RedoDocumentEdit(document) : UndoDocumentEdit(document);
    else if (ImGui::IsKeyPressed('Y', false) && !io.KeyShift)
        RedoDocumentEdit(document);
}
