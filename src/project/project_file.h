#pragma once
// The binary project file: header (major 1, minor 2, little-endian), then
// every instruction as 8-byte big-endian slots with 0xFF fill.
#include <cstdint>
#include <deque>
#include <string>

#include "instructions/abstract_raster_function.h"

// Seeds given on the command line; each parameter named `Seed` that a load
// reads takes the front one in place of its stored value, in file order.
extern std::deque<int32_t> commandLineSeeds;

// Reads a project file into `out` (replacing its contents only on success),
// injecting from `seeds` as above. Prints its own one-line message for a file
// that cannot be opened, a wrong major version (a wrong minor version only
// warns) and an unknown type identifier; a short file fails silently.
bool ReadProjectFile(const std::string& path, std::deque<int32_t>& seeds, InstructionList& out);

// Writes `queue` to path without ever destroying the previous file: the bytes
// go to a temporary file in the same directory which is renamed over the
// target only when complete.
bool WriteProjectFile(const std::string& path, const InstructionList& queue);

// The document-level operations on instructionQueue: on success Load replaces
// the queue, sets selectedIndex and draggedIndex to -1 and sets queueDirty;
// Save sets queueDirty. A failed load leaves the queue state untouched.
bool LoadProjectFile(const std::string& path);
bool SaveProjectFile(const std::string& path);
