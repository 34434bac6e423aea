#pragma once
#include <cstdint>
#include <deque>
#include <string>

// Where the headless run writes its image.
struct BatchOutput {
    std::string path;               // the file (shown in "Writing file to: ")
    bool toStandardOutput = false;  // the PNG goes to standard output instead ("-")
};

// Renders one project headless on the calling thread: loads it (its `Seed`
// parameters taking `seeds` in file order), generates a 100 x 100 texture and
// writes it after the line "Writing file to: <path>" (on standard error when
// the image goes to standard output). The file is replaced whole through a
// temporary beside it: concurrent runs leave one complete image, and a
// failed write leaves the previous file. Returns 0, or -1 when the project
// does not load (nothing is written) or the image cannot be written
// ("Unable to write file: <path>").
int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const BatchOutput& output);
