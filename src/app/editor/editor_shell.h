#pragma once
// The editor shell inside the editor module: start-up, frame loop, window
// handlers and shutdown around the generation hand-off and the preview.

// Runs the editor; returns the exit status: -1 when start-up fails, 0 after
// the window was closed and shutdown has run.
int RunEditorShell();

// The module's entry point, looked up by name when the executable loads the
// editor module (a C name, so the lookup does not depend on name mangling).
extern "C" int OrvaneEditorEntry();
inline constexpr const char* kEditorEntrySymbol = "OrvaneEditorEntry";
// The editor module's file name, beside the executable.
inline constexpr const char* kEditorModuleName = "libtavelin_editor.so";
