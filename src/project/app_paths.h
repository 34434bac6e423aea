#pragma once
#include <string>

// The directory of the running executable (its path up to, not including,
// the last '/'); output directory of "pcgOutput.png" and starting folder of
// the file dialogs. Set once by the entry point.
extern std::string exeDirectory;

// The running executable's own directory, from /proc/self/exe.
std::string ExecutableDirectory();
