#include "app/editor_loader.h"
#include "raster/console.h"

// Builds without the editor.
int RunEditor(const std::string&) {
    PrintErrorLine("The editor is not built yet.");
    return -1;
}
