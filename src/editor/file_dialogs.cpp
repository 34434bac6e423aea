#include "editor/file_dialogs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "raster/console.h"

extern char** environ;

namespace {

// What a dialog asks for: its title, its first filter, the extension a typed
// name without one gets, and the line written when nothing was chosen.
struct FileKind {
    const char* title;
    const char* filterName;
    const char* extension;  // ".pcg"
    const char* failure;
};
const FileKind kOpenProject{"Open Procedural Texture...", "PCG Textures", ".pcg", "Failed to open file"};
const FileKind kSaveProject{"Save Procedural Texture...", "PCG Textures", ".pcg", "Failed to save file"};
const FileKind kExportImage{"Export PNG...", "PNG Images", ".png", "Failed to export"};
// A chooser prints one path; anything beyond this is not a path we can use.
constexpr size_t kMaxOutput = 64 * 1024;

enum class ChooserKind { None, Zenity, KDialog };

struct Chooser {
    ChooserKind kind = ChooserKind::None;
    std::string program;  // full path found on PATH
};

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The first executable `name` in the directories of PATH ("" for none).
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    const std::string directories = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = directories.find(':', start);
        std::string directory = directories.substr(start, end == std::string::npos ? end : end - start);
        if (directory.empty()) directory = ".";
        const std::string candidate = directory + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

Chooser FindChooser() {
    if (std::string zenity = FindOnPath("zenity"); !zenity.empty()) return {ChooserKind::Zenity, zenity};
    if (std::string kdialog = FindOnPath("kdialog"); !kdialog.empty()) return {ChooserKind::KDialog, kdialog};
    return {};
}

struct ChooserReply {
    bool accepted = false;   // exited with status 0
    bool cancelled = false;  // exited with status 1: the user said no
    std::string line;       // first line of its standard output
};

// Runs program with args (no shell), waits for it and returns its first line
// of output. Standard error and input stay the editor's own.
ChooserReply RunChooser(const std::string& program, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return {};
    }

    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        // Keep draining past the limit so the chooser never blocks on a full pipe.
        if (output.size() < kMaxOutput) output.append(buffer, size_t(n));
    }
    ::close(fds[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return {};
    }
    ChooserReply reply;
    reply.accepted = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    reply.cancelled = WIFEXITED(status) && WEXITSTATUS(status) == 1;
    reply.line = output.substr(0, output.find('\n'));
    return reply;
}

void AddOwnerArguments(ChooserKind kind, const DialogPlace& place, std::vector<std::string>& args) {
    if (place.ownerWindow == 0) return;
    if (kind == ChooserKind::Zenity) {
        args.push_back("--attach=" + std::to_string(place.ownerWindow));
        args.push_back("--modal");
    } else {
        args.push_back("--attach");
        args.push_back(std::to_string(place.ownerWindow));
    }
}

// The file chooser's arguments. "*" is the whole-directory pattern here:
// names need not contain a dot.
std::vector<std::string> FileSelectionArguments(ChooserKind kind, const DialogPlace& place, const FileKind& file,
                                                bool save) {
    const std::string startFolder = place.startFolder + "/";
    const char* title = file.title;
    const std::string pattern = std::string("*") + file.extension;
    std::vector<std::string> args;
    AddOwnerArguments(kind, place, args);
    if (kind == ChooserKind::Zenity) {
        args.push_back("--file-selection");
        if (save) {
            args.push_back("--save");
            args.push_back("--confirm-overwrite");
        }
        args.push_back(std::string("--title=") + title);
        args.push_back(std::string("--file-filter=") + file.filterName + " | " + pattern);
        args.push_back("--file-filter=Any File | *");
        args.push_back("--filename=" + startFolder);
    } else {
        // kdialog's own save dialog asks before overwriting.
        args.push_back("--title");
        args.push_back(title);
        args.push_back(save ? "--getsavefilename" : "--getopenfilename");
        args.push_back(startFolder);
        args.push_back(pattern + "|" + file.filterName + "\n*|Any File");
    }
    return args;
}

// The path the user chose, or "" after printing `failure` (and, when no
// chooser is installed, one line saying so).
std::string ChooseFile(const DialogPlace& place, const FileKind& file, bool save, Chooser* usedChooser,
                       std::string* problem) {
    const char* failure = file.failure;
    const Chooser chooser = FindChooser();
    if (chooser.kind == ChooserKind::None) {
        PrintErrorLine("No file dialog available: install zenity or kdialog");
        PrintErrorLine(failure);
        if (problem != nullptr) *problem = "no file dialog available (install zenity or kdialog)";
        return "";
    }
    const ChooserReply reply = RunChooser(chooser.program, FileSelectionArguments(chooser.kind, place, file, save));
    // Cancelling is no failure: nothing to say.
    if (!reply.accepted || reply.line.empty()) {
        if (!reply.cancelled) {
            PrintErrorLine(failure);
            if (problem != nullptr) *problem = "the file dialog failed";
        }
        return "";
    }
    *usedChooser = chooser;
    return reply.line;
}

bool HasExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot != std::string::npos && dot > 0;  // ".name" alone is a hidden file, not an extension
}

bool PathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Asks whether to replace an existing file whose name got the default
// extension after the chooser had returned (the chooser checked the name as typed).
bool ConfirmReplace(const Chooser& chooser, const DialogPlace& place, const FileKind& file, const std::string& path) {
    const std::string text = path + " already exists.\nDo you want to replace it?";
    std::vector<std::string> args;
    AddOwnerArguments(chooser.kind, place, args);
    if (chooser.kind == ChooserKind::Zenity) {
        args.push_back("--question");
        args.push_back(std::string("--title=") + file.title);
        args.push_back("--no-markup");
        args.push_back("--text=" + text);
    } else {
        args.push_back("--title");
        args.push_back(file.title);
        args.push_back("--warningcontinuecancel");
        args.push_back(text);
    }
    return RunChooser(chooser.program, args).accepted;
}

// A file to write: the chooser confirms overwriting an existing one; a name
// typed without an extension gets the kind's (with its own confirmation when
// that file exists).
std::string ChooseFileToWrite(const DialogPlace& place, const FileKind& file, std::string* problem) {
    Chooser chooser;
    std::string path = ChooseFile(place, file, true, &chooser, problem);
    if (path.empty()) return "";
    if (!HasExtension(path)) {
        path += file.extension;
        // Declining to replace the file is cancelling.
        if (PathExists(path) && !ConfirmReplace(chooser, place, file, path)) return "";
    }
    return path;
}

}  // namespace

std::string OpenProjectDialog(const DialogPlace& place, std::string* problem) {
    Chooser chooser;
    // A name typed into the chooser's location bar may name no file: opening
    // it then fails with the reason.
    return ChooseFile(place, kOpenProject, false, &chooser, problem);
}

std::string SaveProjectDialog(const DialogPlace& place, std::string* problem) {
    return ChooseFileToWrite(place, kSaveProject, problem);
}

std::string ExportImageDialog(const DialogPlace& place, std::string* problem) {
    return ChooseFileToWrite(place, kExportImage, problem);
}
