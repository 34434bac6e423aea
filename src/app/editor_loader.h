#pragma once
#include <string>

// Runs the interactive editor, with the project at `projectPath` loaded when
// it is not empty: start-up, frame loop, shutdown. Returns the process exit
// status (-1 when the editor cannot be loaded or its start-up fails, 0 after
// a normal close).
int RunEditor(const std::string& exeDirectory, const std::string& projectPath);
