#pragma once
// The editor's user interface, built once per frame over the preview.
#include <cstdint>

// Size of the user interface's work area (the window's client area below the
// main menu bar), recorded on every frame; the shell places the preview
// viewport from it.
extern float uiWorkWidth;
extern float uiWorkHeight;

// Position in functionCatalogue() chosen in the "Add Instruction" combo.
extern int32_t catalogueChoice;

// Starts the user-interface frame (back-ends, then ImGui::NewFrame), builds
// every window with BuildEditorWindows and renders.
void DrawEditorFrame();

// Builds the menu bar, overlay, queue panel and Details panel inside an
// already started ImGui frame; needs no graphics back-end (tests drive it
// with ImGui's null back-end).
void BuildEditorWindows();
