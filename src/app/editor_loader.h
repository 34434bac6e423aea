#pragma once
#include <string>

// Runs the interactive editor: start-up, frame loop, shutdown. Returns the
// process exit status (-1 when start-up fails, 0 after a normal close).
int RunEditor(const std::string& exeDirectory);
