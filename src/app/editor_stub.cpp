#include "app/editor_loader.h"
#include "raster/console.h"

// Builds without the editor (the static headless tools).
int RunEditor(const std::string&, const std::string&) {
    PrintErrorLine("This build of tavelin has no editor: give it a project to render (see --help).");
    return -1;
}
