#pragma once
// The editor shell: start-up, frame loop, window handlers and shutdown around
// the document, the generation hand-off and the preview.
#include <string>

// Runs the editor (main.cpp, the tavelin-editor executable), with the project
// loaded when the path is not empty; Space writes pcgOutput.png in
// exeDirectory. Returns the exit status: -1 when start-up fails, 0 after the
// window was closed and shutdown has run.
int RunEditorShell(const std::string& exeDirectory, const std::string& projectPath);
