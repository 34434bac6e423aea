// RunEditor for builds with the editor: the window, graphics and user
// interface libraries live in a module beside the executable that is loaded
// only here, so that a headless run never pays for loading them. The build
// names the module's file and its entry point (ORVANE_EDITOR_MODULE,
// ORVANE_EDITOR_ENTRY), a C function taking the executable's directory.
#include <dlfcn.h>

#include "app/editor_loader.h"
#include "raster/console.h"

#define ORVANE_STRINGIFY2(x) #x
#define ORVANE_STRINGIFY(x) ORVANE_STRINGIFY2(x)

int RunEditor(const std::string& exeDirectory) {
    const std::string path = exeDirectory + "/" + ORVANE_EDITOR_MODULE;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        PrintErrorLine(std::string("The editor could not be loaded: ") + dlerror());
        return -1;
    }
    using Entry = int (*)(const char* exeDirectory);
    auto entry = reinterpret_cast<Entry>(dlsym(module, ORVANE_STRINGIFY(ORVANE_EDITOR_ENTRY)));
    if (entry == nullptr) {
        PrintErrorLine(std::string("The editor could not be loaded: ") + dlerror());
        return -1;
    }
    // The module stays loaded until the process exits: its statics are
    // destroyed with everyone else's.
    return entry(exeDirectory.c_str());
}
