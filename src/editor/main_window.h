#pragma once
// The editor's user interface, built once per frame over the preview: the
// main menu bar, the frame-rate overlay, the "Instructions Queue" panel, the
// "Details" panel, the seed gallery and the generating indicator.
#include "editor/editor_document.h"
#include "editor/editor_ui.h"

// Starts the user-interface frame (back-ends, then ImGui::NewFrame), builds
// every window with BuildEditorWindows and renders.
void DrawEditorFrame(EditorDocument& document, EditorUi& ui);

// Records a settled edit as an undo step, then builds every window inside an
// already started ImGui frame; needs no graphics back-end (tests drive it
// with ImGui's null back-end).
void BuildEditorWindows(EditorDocument& document, EditorUi& ui);
