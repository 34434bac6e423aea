#pragma once
// The native open and save dialogs of the File menu: the desktop's own file
// chooser through `zenity`, or `kdialog` when only that is installed, found on
// PATH and run directly with an argument vector (never through a shell). Both
// offer the filters "PCG Textures" (*.pcg) then "Any File". The dialogs are
// modal: they block the caller until the user has chosen.
#include <string>

// Where a dialog opens: the X11 window it attaches to as its parent (0 for
// none) and the folder it starts in.
//
// Each dialog returns the chosen path, or "": cancelled by the user (nothing
// is printed) or failed (its failure line is printed, and `problem`, when
// given, receives the reason for the status line).
struct DialogPlace {
    unsigned long ownerWindow = 0;
    std::string startFolder;
};

// The chosen existing file; failing prints "Failed to open file".
std::string OpenProjectDialog(const DialogPlace& place, std::string* problem = nullptr);

// The chosen file to save to; failing prints "Failed to save file". The
// chooser confirms overwriting an existing file; a name typed without an
// extension gets ".pcg" (with its own overwrite confirmation if that file
// exists).
std::string SaveProjectDialog(const DialogPlace& place, std::string* problem = nullptr);

// The PNG file to export to: "Export PNG..." with the filter "PNG Images"
// (*.png), as the save dialog otherwise ("Failed to export" when nothing
// was chosen).
std::string ExportImageDialog(const DialogPlace& place, std::string* problem = nullptr);
