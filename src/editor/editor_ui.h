#pragma once
// The state of the editor's user interface beside the document: what the
// panels need from one frame to the next. Created by the shell with the
// document; tests make their own.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "editor/file_dialogs.h"
#include "editor/image_export.h"
#include "editor/preview_math.h"
#include "editor/seed_gallery_window.h"

// The line along the bottom of the window: the outcome of the last file
// command or export, in words. An error stays until the next command; other
// news fade after a few seconds.
struct StatusLine {
    std::string text;
    bool error = false;
    std::chrono::steady_clock::time_point since;
};

// Unsaved work an earlier editor left in the state folder (see recovery.h).
struct RecoveryOffer {
    std::string copyPath;     // its queue, as a project file
    std::string projectPath;  // the project it belonged to; "" for untitled
    std::string pathFile;     // the file holding projectPath
    long long when = 0;       // seconds since the epoch
};

struct EditorUi {
    // The work area (the window's client area below the main menu bar),
    // recorded on every frame; the shell places the preview viewport from it.
    float workWidth = 0.0f;
    float workHeight = 0.0f;
    // Position in functionCatalogue() chosen in the "Add Instruction" combo.
    int32_t catalogueChoice = 0;
    // The window the file dialogs attach to; the folder of the last file a
    // dialog gave (they open in the project's folder, else that one, else the
    // working directory).
    unsigned long dialogOwner = 0;
    std::string lastFolder;
    StatusLine status;
    // File > Quit, for the shell to close the window.
    bool quitRequested = false;
    // View > Show frame rate (on at start) and View > Tile preview.
    bool showFrameRate = true;
    bool tilePreview = false;
    // The preview's zoom and pan (wheel, drag, double-click to reset), and
    // whether a drag that began over the preview is panning it.
    PreviewLook previewLook;
    bool panningPreview = false;
    // A copy of unsaved work to offer at start.
    std::optional<RecoveryOffer> recoveryOffer;
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

// Puts an outcome in the status line.
inline void Report(EditorUi& ui, const std::string& text, bool error) {
    ui.status = StatusLine{text, error, std::chrono::steady_clock::now()};
}

// Shell frame update: whether the preview's worker is generating now.
inline void NoteGenerationBusy(EditorUi& ui, bool busy) {
    if (busy && !ui.generationBusy) ui.busySince = std::chrono::steady_clock::now();
    ui.generationBusy = busy;
}
