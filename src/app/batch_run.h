#pragma once
#include <cstdint>
#include <deque>
#include <string>

// Renders one project headless on the calling thread: loads it (its `Seed`
// parameters taking `seeds` in file order), generates a 100 x 100 texture and
// writes it to outputPath after the line "Writing file to: <outputPath>".
// Returns 0, or -1 when the project does not load (nothing is written) or the
// image cannot be written.
int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const std::string& outputPath);
