#pragma once
#include <string>

// The running executable's own directory (its path from /proc/self/exe up
// to, not including, the last '/'): where "pcgOutput.png" is written and the
// editor module is found.
std::string ExecutableDirectory();
