#include "editor/file_commands.h"

#include <unistd.h>

#include <cctype>

#include "project/file_io.h"
#include "raster/console.h"

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// A reason as the middle of a sentence: "Permission denied" -> "permission denied".
std::string Lowercase(std::string reason) {
    if (reason.size() > 1 && std::isupper(static_cast<unsigned char>(reason[0])) &&
        std::islower(static_cast<unsigned char>(reason[1])))
        reason[0] = char(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

void Remember(EditorUi& ui, const std::string& path) { ui.lastFolder = FolderOf(path); }

void Save(EditorDocument& document, EditorUi& ui, const std::string& path) {
    std::string why;
    if (SaveProjectFile(document, path, &why)) {
        Report(ui, "Saved " + LastPathComponent(path), false);
    } else {
        PrintErrorLine("Failed to save file");  // a failed save keeps the previous current project
        Report(ui, "Could not save: " + Lowercase(why), true);
    }
}

}  // namespace

DialogPlace DialogPlaceFor(const EditorDocument& document, const EditorUi& ui) {
    DialogPlace place;
    place.ownerWindow = ui.dialogOwner;
    if (document.hasCurrentProject) {
        place.startFolder = FolderOf(document.currentProjectPath);
    } else if (!ui.lastFolder.empty()) {
        place.startFolder = ui.lastFolder;
    } else {
        char folder[4096];
        place.startFolder = ::getcwd(folder, sizeof folder) != nullptr ? folder : ".";
    }
    return place;
}

void NewProjectCommand(EditorDocument& document, EditorUi& ui) {
    NewProject(document);
    Report(ui, "New project", false);
}

void OpenProjectCommand(EditorDocument& document, EditorUi& ui) {
    std::string problem;
    const std::string path = OpenProjectDialog(DialogPlaceFor(document, ui), &problem);
    if (path.empty()) {  // cancelled, or the dialog has reported
        if (!problem.empty()) Report(ui, "Could not open: " + problem, true);
        return;
    }
    Remember(ui, path);
    OpenRecentProjectCommand(document, ui, path);
}

void OpenRecentProjectCommand(EditorDocument& document, EditorUi& ui, const std::string& path) {
    std::string why;
    if (OpenProjectFile(document, path, &why)) {
        Report(ui, "Opened " + LastPathComponent(path), false);
    } else {
        PrintErrorLine("Failed to open file");
        Report(ui, "Could not open " + LastPathComponent(path) + ": " + Lowercase(why), true);
    }
}

void SaveProjectCommand(EditorDocument& document, EditorUi& ui) {
    if (!document.hasCurrentProject) {
        SaveProjectAsCommand(document, ui);
        return;
    }
    Save(document, ui, document.currentProjectPath);
}

void SaveProjectAsCommand(EditorDocument& document, EditorUi& ui) {
    std::string problem;
    const std::string path = SaveProjectDialog(DialogPlaceFor(document, ui), &problem);
    if (path.empty()) {
        if (!problem.empty()) Report(ui, "Could not save: " + problem, true);
        return;
    }
    Remember(ui, path);
    Save(document, ui, path);
}
