#pragma once
// The binary project file: header (major 1, minor 2, little-endian), then
// every instruction as 8-byte big-endian slots with 0xFF fill.
#include <cstdint>
#include <deque>
#include <string>

#include "instructions/abstract_raster_function.h"
#include "project/project_file_format.h"

// Reads a project file into `out` (replacing its contents only on success).
// Each parameter named `Seed` that the read meets takes the front entry of
// `seeds` (removing it) in place of its stored value, in file order; the
// headless run passes its command-line seeds, the editor none. Prints its
// own one-line message for a file that cannot be opened, a wrong major
// version (a wrong minor version only warns) and an unknown type identifier,
// and for every other failure (a folder, an empty or cut-off file) the line
// "Could not load <path>: <why>". `failure`, when given, receives why.
bool ReadProjectFile(const std::string& path, std::deque<int32_t>& seeds, InstructionList& out,
                     DecodeFailure* failure = nullptr);

// Writes `queue` to path without ever destroying the previous file: the bytes
// go to a temporary file in the same directory which is renamed over the
// target only when complete (through a symbolic link, over what it points
// to). Prints "Unable to open file: <path>" when that fails; `why`, when
// given, receives the reason ("Permission denied", ...).
bool WriteProjectFile(const std::string& path, const InstructionList& queue, std::string* why = nullptr);
