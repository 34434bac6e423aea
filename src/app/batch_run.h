#pragma once
#include <cstdint>
#include <deque>
#include <string>

// How and where the headless run renders.
struct BatchOptions {
    std::string path;               // the file (shown in "Writing file to: ")
    bool toStandardOutput = false;  // the PNG goes to standard output instead ("-")
    uint32_t size = 100;            // N x N pixels
    uint64_t memoryLimit = 0;       // 0: half the machine's memory
    bool quiet = false;             // no progress line
};

// Renders one project headless on the calling thread: loads it (its `Seed`
// parameters taking `seeds` in file order), checks that the render fits the
// memory limit, generates the texture (with a progress line on standard
// error once it has taken a second) and writes it after the line "Writing
// file to: <path>" (on standard error when the image goes to standard
// output). The file is replaced whole through a temporary beside it:
// concurrent runs leave one complete image, and a failed write leaves the
// previous file. SIGINT or SIGTERM stop the render and nothing is written.
// Returns 0; -1 when the project does not load, the render needs more memory
// than allowed or the image cannot be written ("Unable to write file:
// <path>"); 128 + the signal when stopped.
int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const BatchOptions& options);
