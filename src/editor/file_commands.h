#pragma once
// The editor's File menu commands. Each leaves its outcome in the status
// line ("Saved tiles.pcg", "Could not open broken.pcg: the file ends after
// 57 bytes"); a cancelled dialog leaves nothing. The terminal lines stay as
// they were. User-interface thread only; the dialogs block until the user
// has chosen.
#include <string>

#include "editor/editor_document.h"
#include "editor/editor_ui.h"

// Where a dialog opens: attached to the editor's window, in the current
// project's folder, else the folder a dialog last gave, else the working
// directory.
DialogPlace DialogPlaceFor(const EditorDocument& document, const EditorUi& ui);

// "New": forgets the current project; the queue becomes one Set Seed with
// Seed 0, nothing selected or dragged. Asks nothing about unsaved changes.
void NewProjectCommand(EditorDocument& document, EditorUi& ui);

// "Open": asks for a file and loads it. On a failed load writes "Failed to
// open file"; queue and current project stay as they were.
void OpenProjectCommand(EditorDocument& document, EditorUi& ui);

// "Save": writes to the current project without asking, or, when there is
// none, asks for a path first (as "Save As..." does).
void SaveProjectCommand(EditorDocument& document, EditorUi& ui);

// "Save As...": always asks for a path; the chosen file becomes the current
// project only when writing it succeeds ("Failed to save file" otherwise).
void SaveProjectAsCommand(EditorDocument& document, EditorUi& ui);

// "Open Recent" (and a project given on the command line): loads the file
// as "Open" loads a chosen one.
void OpenRecentProjectCommand(EditorDocument& document, EditorUi& ui, const std::string& path);
