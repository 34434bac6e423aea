#pragma once
// The editor shell: start-up, frame loop, window handlers and shutdown around
// the document, the generation hand-off and the preview. The module's entry
// point is a C function (so that the lookup by name does not depend on name
// mangling), named by the build:
//   extern "C" int ORVANE_EDITOR_ENTRY(const char* exeDirectory, const char* projectPath);
// It runs the editor, with the project loaded when the path is not empty,
// and returns the exit status: -1 when start-up fails, 0 after the window
// was closed and shutdown has run.
#include <string>

int RunEditorShell(const std::string& exeDirectory, const std::string& projectPath);
