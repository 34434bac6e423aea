// RunEditor for builds with the editor: the editor is an executable of its
// own, started in this process's place, so that a headless run never loads
// the window and graphics libraries and the two never share a process (each
// brings its own C++ runtime). The build names the program's file and where
// it is installed relative to this executable (ORVANE_EDITOR_PROGRAM,
// ORVANE_EDITOR_DIR).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/editor_loader.h"
#include "raster/console.h"

namespace {

// The installed place (lib/orvane beside bin/), else beside the executable
// (the build tree). The directory is the real executable's: links resolved.
std::string FindEditor(const std::string& exeDirectory) {
    const std::string installed = exeDirectory + "/" + ORVANE_EDITOR_DIR + "/" + ORVANE_EDITOR_PROGRAM;
    struct stat info;
    if (::stat(installed.c_str(), &info) == 0) return installed;
    return exeDirectory + "/" + ORVANE_EDITOR_PROGRAM;
}

}  // namespace

int RunEditor(const std::string& exeDirectory, const std::string& projectPath) {
    const std::string program = FindEditor(exeDirectory);
    // What was printed must come out before the editor's own lines.
    std::fflush(stdout);
    std::fflush(stderr);
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(exeDirectory.c_str()),
                          const_cast<char*>(projectPath.c_str()), nullptr};
    ::execv(program.c_str(), argv);
    PrintErrorLine("The editor could not be started: " + program + ": " + std::strerror(errno));
    return -1;
}
