#pragma once
// Everything the editor edits, in one object: the instruction queue and the
// state that travels with it (the regeneration request, the posted
// deletions, the selected and dragged rows), the current project file, the
// undo history and the recent projects. The shell creates one and hands it
// to the panels; nothing else holds document state. User-interface thread
// only: the generation worker sees clones of the queue, never the queue.
#include <cstdint>
#include <string>
#include <vector>

#include "editor/recent_files.h"
#include "editor/undo_history.h"
#include "instructions/abstract_raster_function.h"

struct EditorDocument {
    InstructionList instructionQueue;
    // The regeneration request: set by every change of the queue or a
    // parameter; the shell's frame update hands the worker a snapshot.
    bool queueDirty = true;
    // Queue rows posted for deletion; applied last-posted first by the frame update.
    std::vector<int32_t> removalRequests;
    // The row shown in the Details panel and the row being dragged; -1 = none.
    int32_t selectedIndex = -1;
    int32_t draggedIndex = -1;
    // The file the project was last opened from or saved to (when known).
    bool hasCurrentProject = false;
    std::string currentProjectPath;

    UndoHistory history;
    // The selection and project while the live queue last equalled the
    // history's cursor: the "before" side of the next step.
    UndoContext settledContext;
    RecentProjects recentProjects;  // in memory only unless the shell gives it a file
    InstructionList savedQueue;     // see MarkSaved
};

// Appends a clone of the catalogue prototype at the given position (nothing
// for a position outside the catalogue) and sets queueDirty.
void AddInstruction(EditorDocument& document, int cataloguePosition);

// Applies removalRequests (last posted first), ignoring rows outside the
// queue; sets queueDirty when there were any. Returns whether any were posted.
bool ApplyRemovalRequests(EditorDocument& document);

// "New": no current project; the queue becomes one Set Seed with Seed 0,
// nothing selected or dragged; queueDirty.
void NewProject(EditorDocument& document);

// Replaces the queue by the project at path (no seeds are injected), which
// becomes the current project and the newest recent one, as saved; nothing
// selected or dragged; queueDirty. A file that does not load (the loader has
// printed why; `why` receives it) changes nothing and gives false.
bool OpenProjectFile(EditorDocument& document, const std::string& path, std::string* why = nullptr);

// Writes the queue to path, which becomes the current project and the newest
// recent one, as saved, and sets queueDirty. False, changing nothing, when
// the file cannot be written (the writer has printed why; `why` receives it).
bool SaveProjectFile(EditorDocument& document, const std::string& path, std::string* why = nullptr);

// The queue as last opened, saved or started anew, and whether the live
// queue would be saved differently (the title's marker, the recovery copy).
void MarkSaved(EditorDocument& document);
bool HasUnsavedChanges(const EditorDocument& document);

// ---- undo and redo over the live queue ----

// Called once per frame before the panels: when the live queue was edited
// since the last step and `settled` (no mouse button held and no widget
// active, so a whole drag is one step), records it; otherwise remembers the
// selection and project of the unedited queue as the next step's "before".
// The first call makes the live queue the history's starting state.
void TrackDocumentEdits(EditorDocument& document, bool settled);

// Record a pending edit first, then put the state back into the queue,
// select the affected row, clear the drag and posted deletions, set
// queueDirty. A step that changed the current project (New, Open) puts that
// back too. Return whether anything moved.
bool UndoDocumentEdit(EditorDocument& document);
bool RedoDocumentEdit(EditorDocument& document);
bool CanUndoDocumentEdit(const EditorDocument& document);
bool CanRedoDocumentEdit(const EditorDocument& document);
