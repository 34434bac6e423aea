#pragma once
// File > Export PNG...: a window to choose the size (100 to 4096, or typed,
// 16 to 8192), then the save dialog, then the export's progress with a
// Cancel button while it renders on its own thread. Inside an ImGui frame.
#include "editor/editor_document.h"
#include "editor/editor_ui.h"

void DrawExportWindows(EditorDocument& document, EditorUi& ui);
