#include "editor/file_commands.h"

#include "raster/console.h"

void NewProjectCommand(EditorDocument& document) { NewProject(document); }

void OpenProjectCommand(EditorDocument& document, const DialogPlace& place) {
    const std::string path = OpenProjectDialog(place);
    if (path.empty()) return;  // the dialog has reported
    OpenRecentProjectCommand(document, path);
}

void OpenRecentProjectCommand(EditorDocument& document, const std::string& path) {
    if (!OpenProjectFile(document, path)) PrintErrorLine("Failed to open file");
}

void SaveProjectCommand(EditorDocument& document, const DialogPlace& place) {
    if (!document.hasCurrentProject) {
        SaveProjectAsCommand(document, place);
        return;
    }
    if (!SaveProjectFile(document, document.currentProjectPath)) PrintErrorLine("Failed to save file");
}

void SaveProjectAsCommand(EditorDocument& document, const DialogPlace& place) {
    const std::string path = SaveProjectDialog(place);
    if (path.empty()) return;  // the dialog has reported
    // A failed save keeps the previous current project.
    if (!SaveProjectFile(document, path)) PrintErrorLine("Failed to save file");
}
