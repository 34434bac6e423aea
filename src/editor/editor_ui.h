#pragma once
// The state of the editor's user interface beside the document: what the
// panels need from one frame to the next. Created by the shell with the
// document; tests make their own.
#include <chrono>
#include <cstdint>

#include "editor/file_dialogs.h"
#include "editor/image_export.h"
#include "editor/seed_gallery_window.h"

struct EditorUi {
    // The work area (the window's client area below the main menu bar),
    // recorded on every frame; the shell places the preview viewport from it.
    float workWidth = 0.0f;
    float workHeight = 0.0f;
    // Position in functionCatalogue() chosen in the "Add Instruction" combo.
    int32_t catalogueChoice = 0;
    // Where the file dialogs open.
    DialogPlace dialogs;
    // Whether the preview's worker is generating, and since when (the
    // "generating..." indicator shows after a tenth of a second).
    bool generationBusy = false;
    std::chrono::steady_clock::time_point busySince;
    SeedGalleryWindow gallery;
    // View > Preview resolution: the size (N x N) the live preview renders at.
    uint32_t previewSize = 100;
    // File > Export PNG...: the size chosen in its window, and the export.
    int32_t exportSize = 1024;
    bool exportAsked = false;  // the size window is to open
    ImageExport exporter;
};

// Shell frame update: whether the preview's worker is generating now.
inline void NoteGenerationBusy(EditorUi& ui, bool busy) {
    if (busy && !ui.generationBusy) ui.busySince = std::chrono::steady_clock::now();
    ui.generationBusy = busy;
}
