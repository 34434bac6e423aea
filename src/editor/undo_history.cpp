#include "editor/undo_history.h"

#include <algorithm>
#include <utility>


namespace {

// What a project file holds of a record: the value's payload, the flag and,
// only when it is set, the two offsets' payloads.
bool SameFileRecord(const ParamRecord& a, const ParamRecord& b) {
    if (a.value.Payload() != b.value.Payload() || a.randomized != b.randomized) return false;
    return !a.randomized ||
           (a.offsetMin.Payload() == b.offsetMin.Payload() && a.offsetMax.Payload() == b.offsetMax.Payload());
}

QueueChange CompareInstructions(const AbstractRasterFunction& committed, const AbstractRasterFunction& live) {
    if (committed.GetTypeId() != live.GetTypeId()) return QueueChange::Edited;
    const ParameterMap& old = committed.Parameters();
    const ParameterMap& now = live.Parameters();
    bool normalised = old.size() != now.size();
    for (const auto& [name, record] : old) {
        const auto found = now.find(name);
        if (found == now.end() || !SameFileRecord(record, found->second)) return QueueChange::Edited;
        if (!(record == found->second)) normalised = true;
    }
    if (normalised)
        for (const auto& [name, record] : now)
            if (record.randomized && old.count(name) == 0) return QueueChange::Edited;
    return normalised ? QueueChange::Normalised : QueueChange::None;
}

// Whether two instructions would be saved as the same bytes.
bool SameFileInstruction(const AbstractRasterFunction& a, const AbstractRasterFunction& b) {
    if (a.GetTypeId() != b.GetTypeId() || a.Parameters().size() != b.Parameters().size()) return false;
    auto ia = a.Parameters().begin();
    for (auto ib = b.Parameters().begin(); ib != b.Parameters().end(); ++ia, ++ib)
        if (ia->first != ib->first || !SameFileRecord(ia->second, ib->second)) return false;
    return true;
}

// A rough footprint of a queue's clones in memory, for the byte budget.
size_t ApproximateBytes(const InstructionList& queue) {
    size_t bytes = sizeof(queue) + queue.size() * (sizeof(void*) + 64);
    for (const auto& instruction : queue)
        for (const auto& [name, record] : instruction->Parameters())
            bytes += 96 + sizeof(record) + name.capacity();
    return bytes;
}

}  // namespace

QueueChange CompareQueues(const InstructionList& committed, const InstructionList& live) {
    if (committed.size() != live.size()) return QueueChange::Edited;
    QueueChange result = QueueChange::None;
    for (size_t i = 0; i < committed.size(); ++i) {
        const QueueChange change = CompareInstructions(*committed[i], *live[i]);
        if (change == QueueChange::Edited) return change;
        if (change == QueueChange::Normalised) result = change;
    }
    return result;
}

int32_t AffectedRow(const InstructionList& shown, const InstructionList& other, int32_t remembered) {
    const size_t common = std::min(shown.size(), other.size());
    size_t first = 0;
    while (first < common && SameFileInstruction(*shown[first], *other[first])) ++first;
    size_t sameTail = 0;  // rows equal from the end, not reaching into the differing start
    while (sameTail < common - first &&
           SameFileInstruction(*shown[shown.size() - 1 - sameTail], *other[other.size() - 1 - sameTail]))
        ++sameTail;
    const size_t end = shown.size() - sameTail;  // rows first .. end-1 of `shown` differ
    int32_t row = remembered;
    if (!(remembered >= 0 && size_t(remembered) >= first && size_t(remembered) < end) && first < end)
        row = int32_t(first);
    return row >= 0 && size_t(row) < shown.size() ? row : -1;
}

// ---------------------------------------------------------------------------

UndoHistory::UndoHistory(size_t stepLimit, size_t byteBudget) : stepLimit_(stepLimit), byteBudget_(byteBudget) {}

void UndoHistory::Reset(const InstructionList& queue) {
    states_.clear();
    State first;
    first.queue = CloneInstructions(queue);
    first.bytes = ApproximateBytes(first.queue);
    totalBytes_ = first.bytes;
    states_.push_back(std::move(first));
    cursor_ = 0;
}

QueueChange UndoHistory::Compare(const InstructionList& live) const {
    if (states_.empty()) return QueueChange::Edited;
    return CompareQueues(states_[cursor_].queue, live);
}

bool UndoHistory::Commit(const InstructionList& live, const UndoContext& before, const UndoContext& after) {
    if (states_.empty()) {
        Reset(live);
        return false;
    }
    const QueueChange change = Compare(live);
    State& current = states_[cursor_];
    if (change != QueueChange::Edited) {
        if (change == QueueChange::Normalised) {
            totalBytes_ -= current.bytes;
            current.queue = CloneInstructions(live);
            current.bytes = ApproximateBytes(current.queue);
            totalBytes_ += current.bytes;
        }
        return false;
    }
    while (states_.size() > cursor_ + 1) {
        totalBytes_ -= states_.back().bytes;
        states_.pop_back();
    }
    State next;
    next.queue = CloneInstructions(live);
    next.bytes = ApproximateBytes(next.queue);
    next.before = before;
    next.after = after;
    totalBytes_ += next.bytes;
    states_.push_back(std::move(next));
    cursor_ = states_.size() - 1;
    while (states_.size() > 1 && (states_.size() - 1 > stepLimit_ || totalBytes_ > byteBudget_)) DropOldest();
    return true;
}

void UndoHistory::DropOldest() {
    totalBytes_ -= states_.front().bytes;
    states_.pop_front();
    --cursor_;
}

bool UndoHistory::Undo(Move& move) {
    if (cursor_ == 0 || states_.empty()) return false;
    const State& from = states_[cursor_];
    const State& to = states_[cursor_ - 1];
    move.queue = CloneInstructions(to.queue);
    move.selectedIndex = AffectedRow(to.queue, from.queue, from.before.selectedIndex);
    move.before = from.before;
    move.after = from.after;
    --cursor_;
    return true;
}

bool UndoHistory::Redo(Move& move) {
    if (states_.empty() || cursor_ + 1 >= states_.size()) return false;
    const State& from = states_[cursor_];
    const State& to = states_[cursor_ + 1];
    move.queue = CloneInstructions(to.queue);
    move.selectedIndex = AffectedRow(to.queue, from.queue, to.after.selectedIndex);
    move.before = to.before;
    move.after = to.after;
    ++cursor_;
    return true;
}
