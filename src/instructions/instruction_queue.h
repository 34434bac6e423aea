#pragma once
// The document the editor edits and the state that travels with it. Touched
// only by the user-interface thread (the main thread in a batch run).
#include <cstdint>
#include <vector>

#include "instructions/abstract_raster_function.h"

extern InstructionList instructionQueue;
// The regeneration request: set by every change of the queue or a parameter.
extern bool queueDirty;
// Queue indices posted for deletion; applied last-posted first by the frame update.
extern std::vector<int32_t> removalRequests;
// Queue row shown in the Details panel, and the row being dragged; -1 = none.
extern int32_t selectedIndex;
extern int32_t draggedIndex;

// Exchanges entries a and b and returns b; with either index outside the
// queue it changes nothing and returns a.
int SwapInstructions(InstructionList& queue, int a, int b);

// Appends a clone of the catalogue prototype at the given position (no-op
// for a position outside the catalogue) and sets queueDirty.
void AddInstruction(int cataloguePosition);

// Applies removalRequests (last posted first), ignoring indices outside the
// queue; sets queueDirty when there were any. Returns whether any were posted.
bool ApplyRemovalRequests();

// The queue effect of "New": one Set Seed with Seed = UInt64 0; no row selected.
void ResetToNewQueue();

// The editor's start-up queue: red left half, blue triangle.
InstructionList MakeDefaultQueue();

// Puts the queue state back as at program start (empty queue, dirty, nothing
// selected or posted). For tests and for a fresh document.
void ResetQueueState();
