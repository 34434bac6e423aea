#pragma once
#include <string>

// Runs the interactive editor in this process's place, with the project at
// `projectPath` loaded when it is not empty, and `exeDirectory` where it
// writes pcgOutput.png. Returns only when the editor cannot be started: -1.
// (The editor's own exit status is the process's: -1 when its start-up
// fails, 0 after a normal close.)
int RunEditor(const std::string& exeDirectory, const std::string& projectPath);
