#include "editor/editor_document.h"

#include <deque>

#include "functions/default_queues.h"
#include "functions/function_catalogue.h"
#include "project/project_file.h"

void AddInstruction(EditorDocument& document, int cataloguePosition) {
    const auto& catalogue = functionCatalogue();
    if (cataloguePosition < 0 || size_t(cataloguePosition) >= catalogue.size()) return;
    document.instructionQueue.push_back(catalogue[size_t(cataloguePosition)]->Clone());
    document.queueDirty = true;
}

bool ApplyRemovalRequests(EditorDocument& document) {
    std::vector<int32_t>& requests = document.removalRequests;
    if (requests.empty()) return false;
    InstructionList& queue = document.instructionQueue;
    while (!requests.empty()) {
        const int32_t index = requests.back();
        requests.pop_back();
        if (index >= 0 && size_t(index) < queue.size()) queue.erase(queue.begin() + index);
    }
    document.queueDirty = true;
    return true;
}

namespace {

void SetCurrentProject(EditorDocument& document, const std::string& path) {
    document.hasCurrentProject = true;
    document.currentProjectPath = path;
    document.recentProjects.Remember(path);
}

}  // namespace

void MarkSaved(EditorDocument& document) { document.savedQueue = CloneInstructions(document.instructionQueue); }

bool HasUnsavedChanges(const EditorDocument& document) {
    return CompareQueues(document.savedQueue, document.instructionQueue) == QueueChange::Edited;
}

void NewProject(EditorDocument& document) {
    document.hasCurrentProject = false;
    document.currentProjectPath.clear();
    document.instructionQueue = MakeNewQueue();
    document.selectedIndex = -1;
    document.draggedIndex = -1;
    document.queueDirty = true;
    MarkSaved(document);
}

bool OpenProjectFile(EditorDocument& document, const std::string& path, std::string* why) {
    std::deque<int32_t> noSeeds;
    InstructionList loaded;
    DecodeFailure failure;
    if (!ReadProjectFile(path, noSeeds, loaded, &failure)) {
        if (why != nullptr) *why = failure.reason;
        return false;
    }
    document.instructionQueue = std::move(loaded);
    document.selectedIndex = -1;
    document.draggedIndex = -1;
    document.queueDirty = true;
    SetCurrentProject(document, path);
    MarkSaved(document);
    return true;
}

bool SaveProjectFile(EditorDocument& document, const std::string& path, std::string* why) {
    if (!WriteProjectFile(path, document.instructionQueue, why)) return false;
    document.queueDirty = true;
    SetCurrentProject(document, path);
    MarkSaved(document);
    return true;
}

// ---------------------------------------------------------------------------
// Undo and redo over the live queue
// ---------------------------------------------------------------------------

namespace {

UndoContext LiveContext(const EditorDocument& document) {
    UndoContext context;
    context.selectedIndex = document.selectedIndex;
    context.project.known = document.hasCurrentProject;
    if (document.hasCurrentProject) context.project.path = document.currentProjectPath;
    return context;
}

void RecordPendingEdit(EditorDocument& document) {
    if (document.history.IsEmpty())
        document.history.Reset(document.instructionQueue);
    else
        document.history.Commit(document.instructionQueue, document.settledContext, LiveContext(document));
    document.settledContext = LiveContext(document);
}

void ApplyMove(EditorDocument& document, UndoHistory::Move& move, bool undo) {
    document.instructionQueue = std::move(move.queue);
    document.selectedIndex = move.selectedIndex;
    document.draggedIndex = -1;
    document.removalRequests.clear();
    document.queueDirty = true;
    // Only a step that changed the current project (New, Open) moves it:
    // the queue and the file it belongs to stay together, so a later Save
    // never writes one project's queue into another's file.
    if (move.before.project != move.after.project) {
        const ProjectIdentity& project = undo ? move.before.project : move.after.project;
        document.hasCurrentProject = project.known;
        document.currentProjectPath = project.known ? project.path : std::string();
    }
    document.settledContext = LiveContext(document);
}

}  // namespace

void TrackDocumentEdits(EditorDocument& document, bool settled) {
    UndoHistory& history = document.history;
    if (history.IsEmpty()) {
        RecordPendingEdit(document);
        return;
    }
    const QueueChange change = history.Compare(document.instructionQueue);
    if (change == QueueChange::Edited) {
        if (settled) RecordPendingEdit(document);
        return;
    }
    if (change == QueueChange::Normalised)
        history.Commit(document.instructionQueue, document.settledContext, document.settledContext);
    document.settledContext = LiveContext(document);
}

bool UndoDocumentEdit(EditorDocument& document) {
    RecordPendingEdit(document);
    UndoHistory::Move move;
    if (!document.history.Undo(move)) return false;
    ApplyMove(document, move, true);
    return true;
}

bool RedoDocumentEdit(EditorDocument& document) {
    RecordPendingEdit(document);
    UndoHistory::Move move;
    if (!document.history.Redo(move)) return false;
    ApplyMove(document, move, false);
    return true;
}

bool CanUndoDocumentEdit(const EditorDocument& document) {
    const UndoHistory& history = document.history;
    if (history.IsEmpty()) return false;
    return history.UndoSteps() > 0 || history.Compare(document.instructionQueue) == QueueChange::Edited;
}

bool CanRedoDocumentEdit(const EditorDocument& document) {
    const UndoHistory& history = document.history;
    return history.RedoSteps() > 0 && history.Compare(document.instructionQueue) != QueueChange::Edited;
}
