#pragma once
// The two queues the editor starts from.
#include "instructions/abstract_raster_function.h"

// The editor's start-up queue: a red left half and a blue triangle on white.
InstructionList MakeDefaultQueue();

// What "New" leaves: one Set Seed whose Seed is UInt64 0.
InstructionList MakeNewQueue();
