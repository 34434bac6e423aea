#pragma once
// The editor's extras over its written windows: undo and redo (the "Edit"
// menu, Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z), "Open Recent" in the "File" menu, the
// "Seed Gallery" window (the "View" menu) and the "generating..." indicator
// on the preview. User-interface thread only; the functions that draw run
// inside an ImGui frame.
#include <cstdint>
#include <string>
#include <vector>

// Shell start-up, after the user interface exists and with the GL context
// current: keeps the recent projects in the user's state directory and lets
// the gallery make textures. Without it (tests) both stay in memory.
void StartEditorExtras();
// Shell shutdown, GL context still current: ends the gallery's thread and
// frees its textures.
void StopEditorExtras();

// Shell frame update: whether the preview's worker is generating now.
void NoteGenerationBusy(bool busy);

// First thing of every frame's windows: records a settled edit as an undo
// step and notes a project newly opened or saved in the recent list.
void TrackEditorFrameStart();
// The shortcuts Ctrl+Z (undo), Ctrl+Y and Ctrl+Shift+Z (redo), ignored while
// a text field has the keyboard or a widget is held.
void HandleEditShortcuts();
// "Open Recent" submenu, inside the open "File" menu.
void DrawOpenRecentMenu();
// The "Edit" and "View" menus, inside the main menu bar after "File".
void DrawEditMenu();
void DrawViewMenu();
// The "Seed Gallery" window when it is open, and the indicator.
void DrawEditorExtraWindows();

// The gallery window's state, for the "View" menu and for tests.
void SetSeedGalleryOpen(bool open);
bool IsSeedGalleryOpen();
// The recent projects, newest first, as "Open Recent" lists them.
const std::vector<std::string>& RecentProjectPaths();
// Opens a project from the recent list as "Open" does with a chosen file.
void OpenRecentProject(const char* path);
// Sets the first Seed of the queue, as clicking a thumbnail does.
void SetSeedFromGallery(uint64_t seed);
