// RunEditor for builds with the editor: the window, graphics and user
// interface libraries live in a module that is loaded only here, so that a
// headless run never pays for loading them. The build names the module's
// file, where it is installed relative to the executable and its entry point
// (ORVANE_EDITOR_MODULE, ORVANE_EDITOR_MODULE_DIR, ORVANE_EDITOR_ENTRY, a C
// function taking the executable's directory and a project path).
#include <dlfcn.h>
#include <sys/stat.h>

#include "app/editor_loader.h"
#include "raster/console.h"

#define ORVANE_STRINGIFY2(x) #x
#define ORVANE_STRINGIFY(x) ORVANE_STRINGIFY2(x)

namespace {

// The installed place (lib/orvane beside bin/), else beside the executable
// (the build tree). The directory is the real executable's: links resolved.
std::string FindModule(const std::string& exeDirectory) {
    const std::string installed = exeDirectory + "/" + ORVANE_EDITOR_MODULE_DIR + "/" + ORVANE_EDITOR_MODULE;
    struct stat info;
    if (::stat(installed.c_str(), &info) == 0) return installed;
    return exeDirectory + "/" + ORVANE_EDITOR_MODULE;
}

}  // namespace

int RunEditor(const std::string& exeDirectory, const std::string& projectPath) {
    void* module = dlopen(FindModule(exeDirectory).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        PrintErrorLine(std::string("The editor could not be loaded: ") + dlerror());
        return -1;
    }
    using Entry = int (*)(const char* exeDirectory, const char* projectPath);
    auto entry = reinterpret_cast<Entry>(dlsym(module, ORVANE_STRINGIFY(ORVANE_EDITOR_ENTRY)));
    if (entry == nullptr) {
        PrintErrorLine(std::string("The editor could not be loaded: ") + dlerror());
        return -1;
    }
    // The module stays loaded until the process exits: its statics are
    // destroyed with everyone else's.
    return entry(exeDirectory.c_str(), projectPath.c_str());
}
