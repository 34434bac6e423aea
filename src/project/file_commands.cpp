#include "project/file_commands.h"

#include <iostream>

#include "instructions/instruction_queue.h"
#include "project/file_dialogs.h"
#include "project/project_file.h"

bool hasCurrentProject = false;
std::string currentProjectPath;

void NewProjectCommand() {
    hasCurrentProject = false;
    currentProjectPath.clear();
    ResetToNewQueue();  // also clears the selection and the drag, sets queueDirty
}

void OpenProjectCommand() {
    const std::string path = OpenProjectDialog();
    if (path.empty()) return;  // the dialog has reported
    if (LoadProjectFile(path)) {
        hasCurrentProject = true;
        currentProjectPath = path;
    } else {
        std::cerr << "Failed to open file" << std::endl;
    }
}

void SaveProjectCommand() {
    if (hasCurrentProject) {
        if (!SaveProjectFile(currentProjectPath)) std::cerr << "Failed to save file" << std::endl;
        return;
    }
    SaveProjectAsCommand();
}

void SaveProjectAsCommand() {
    const std::string path = SaveProjectDialog();
    if (path.empty()) return;  // the dialog has reported
    if (SaveProjectFile(path)) {
        hasCurrentProject = true;
        currentProjectPath = path;
    } else {
        std::cerr << "Failed to save file" << std::endl;  // the previous project stays current
    }
}
