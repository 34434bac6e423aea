#pragma once
// Undo and redo of the editor's document.
//
// The history holds whole-queue states (clones of every instruction), oldest
// first, and a cursor on the state the live queue was last committed as. A
// step is the change from one state to the next; each step also remembers
// the selected row and the current project on both of its sides. Comparing
// the live queue with the cursor's state decides whether anything changed:
// two queues are the same edit-wise when they would be saved as the same
// project file bytes. What the Details panel does to a queue just by drawing
// it (giving values their kind's value type, inserting a missing layout
// record as a plain one) is not an edit and never becomes a step.
//
// UndoHistory knows nothing of the editor; EditorDocument binds it to the
// live queue, the selected row and the current project. All of it runs on
// the user-interface thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "instructions/abstract_raster_function.h"

// How the live queue stands against a committed state.
enum class QueueChange {
    None,        // identical, value types included
    Normalised,  // same file bytes apart from plain records the live queue gained; tags may differ
    Edited,      // would be saved differently
};
QueueChange CompareQueues(const InstructionList& committed, const InstructionList& live);

// The file commands' current-project state, as a step saw it.
struct ProjectIdentity {
    bool known = false;  // the document has a current project file
    std::string path;    // its path, meaningful only when known
    friend bool operator==(const ProjectIdentity& a, const ProjectIdentity& b) {
        return a.known == b.known && (!a.known || a.path == b.path);
    }
    friend bool operator!=(const ProjectIdentity& a, const ProjectIdentity& b) { return !(a == b); }
};

// What travels with one side of a step besides the queue.
struct UndoContext {
    int32_t selectedIndex = -1;
    ProjectIdentity project;
};

class UndoHistory {
public:
    static constexpr size_t kDefaultStepLimit = 200;
    // Besides the step count, the states together may hold about this many
    // bytes of instructions; the oldest steps go first. Keeps a history of
    // huge loaded queues bounded.
    static constexpr size_t kDefaultByteBudget = size_t(256) << 20;

    explicit UndoHistory(size_t stepLimit = kDefaultStepLimit, size_t byteBudget = kDefaultByteBudget);

    // Forgets every step; `queue` becomes the only state.
    void Reset(const InstructionList& queue);
    bool IsEmpty() const { return states_.empty(); }

    // How the live queue stands against the cursor's state (Edited when the
    // history is empty).
    QueueChange Compare(const InstructionList& live) const;

    // Records `live` as a new step after the cursor when it is Edited against
    // the cursor's state, discarding the steps that could have been redone,
    // and drops the oldest steps beyond the limits. A Normalised queue only
    // replaces the cursor's copy. Returns whether a step was recorded.
    bool Commit(const InstructionList& live, const UndoContext& before, const UndoContext& after);

    size_t UndoSteps() const { return cursor_; }
    size_t RedoSteps() const { return states_.empty() ? 0 : states_.size() - 1 - cursor_; }

    // The result of moving across one step.
    struct Move {
        InstructionList queue;  // clones of the state moved to
        int32_t selectedIndex;  // the affected row in that state (see AffectedRow)
        UndoContext before;     // the step's two sides, as committed
        UndoContext after;
    };
    // Moves the cursor one step back (Undo) or forward (Redo); false when
    // there is none.
    bool Undo(Move& move);
    bool Redo(Move& move);

private:
    struct State {
        InstructionList queue;
        size_t bytes = 0;
        UndoContext before, after;  // of the step that led here; unused for the first state
    };
    void DropOldest();

    size_t stepLimit_;
    size_t byteBudget_;
    std::deque<State> states_;
    size_t cursor_ = 0;
    size_t totalBytes_ = 0;
};

// The row to select in `shown` after moving to it from `other`: the
// remembered row when it lies within the rows that differ, else the first row
// that differs, else (nothing of `shown` differs, as after undoing an append)
// the remembered row; -1 when that is outside `shown`.
int32_t AffectedRow(const InstructionList& shown, const InstructionList& other, int32_t remembered);
