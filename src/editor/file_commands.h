#pragma once
// The editor's File menu commands. User-interface thread only; the dialogs
// block until the user has chosen.
#include <string>

#include "editor/editor_document.h"
#include "editor/file_dialogs.h"

// "New": forgets the current project; the queue becomes one Set Seed with
// Seed 0, nothing selected or dragged. Asks nothing about unsaved changes.
void NewProjectCommand(EditorDocument& document);

// "Open": asks for a file and loads it. On a failed load writes "Failed to
// open file"; queue and current project stay as they were.
void OpenProjectCommand(EditorDocument& document, const DialogPlace& place);

// "Save": writes to the current project without asking, or, when there is
// none, asks for a path first (as "Save As..." does).
void SaveProjectCommand(EditorDocument& document, const DialogPlace& place);

// "Save As...": always asks for a path; the chosen file becomes the current
// project only when writing it succeeds ("Failed to save file" otherwise).
void SaveProjectAsCommand(EditorDocument& document, const DialogPlace& place);

// "Open Recent": loads the listed project as "Open" loads a chosen file.
void OpenRecentProjectCommand(EditorDocument& document, const std::string& path);
