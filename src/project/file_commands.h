#pragma once
// The editor's File menu commands and the current-project state they share.
// User-interface thread only; the dialogs block until the user has chosen.
#include <string>

// Whether the editor knows the file the project was last opened from or
// saved to, and that file's path (meaningful only while the flag is set).
extern bool hasCurrentProject;
extern std::string currentProjectPath;

// "New": forgets the current project; the queue becomes one Set Seed with
// Seed 0, nothing selected or dragged. Asks nothing about unsaved changes.
void NewProjectCommand();

// "Open": asks for a file and loads it. On a failed load writes "Failed to
// open file"; queue and current project stay as they were.
void OpenProjectCommand();

// "Save": writes to the current project without asking, or, when there is
// none, asks for a path first (as "Save As..." does).
void SaveProjectCommand();

// "Save As...": always asks for a path; the chosen file becomes the current
// project only when writing it succeeds ("Failed to save file" otherwise).
void SaveProjectAsCommand();
