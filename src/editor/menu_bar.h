#pragma once
// The main menu bar ("File" with "Open Recent", "Edit", "View") and the
// keyboard shortcuts of its commands. Inside an ImGui frame.
#include "editor/editor_document.h"
#include "editor/editor_ui.h"

void DrawMainMenuBar(EditorDocument& document, EditorUi& ui);

// Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+Shift+S (File), Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z
// (Edit); never while a text field has the keyboard, and the Edit keys not
// while a widget is held.
void HandleShortcuts(EditorDocument& document, EditorUi& ui);
