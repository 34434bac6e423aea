// RunEditor for builds with the editor: the window, graphics and user
// interface libraries live in a module beside the executable that is loaded
// only here, so that a headless run never pays for loading them.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "app/editor/editor_shell.h"
#include "app/editor_shell.h"
#include "project/app_paths.h"

int RunEditor() {
    const std::string directory = exeDirectory.empty() ? ExecutableDirectory() : exeDirectory;
    const std::string path = directory + "/" + kEditorModuleName;
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "The editor could not be loaded: %s\n", dlerror());
        return -1;
    }
    using Entry = int (*)();
    auto entry = reinterpret_cast<Entry>(dlsym(module, kEditorEntrySymbol));
    if (entry == nullptr) {
        std::fprintf(stderr, "The editor could not be loaded: %s\n", dlerror());
        return -1;
    }
    // The module stays loaded until the process exits: its statics are
    // destroyed with everyone else's.
    return entry();
}
