#pragma once
#include <string>

// Renders one project headless: loads it (seeds from commandLineSeeds),
// generates a 100 x 100 texture on the calling thread and writes it to
// exeDirectory + "/pcgOutput.png". Returns 0, or -1 when the project does not
// load (nothing is written) or the image cannot be written.
int RunBatch(const std::string& projectPath);
