#include "editor/recent_files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "project/file_io.h"
#include "raster/console.h"

namespace {

constexpr const char* kHeader = "orvane recent projects 1";
constexpr size_t kMaxLine = 4096;              // PATH_MAX on Linux
constexpr size_t kMaxFileBytes = 64 * 1024;    // far beyond kLimit lines of kMaxLine

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

// The whole file, or false when it cannot be read or is too large to be ours.
bool ReadSmallFile(const std::string& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    char chunk[4096];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.append(chunk, n);
        if (bytes.size() > kMaxFileBytes) ok = false;
        if (n < sizeof chunk || !ok) break;
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    return ok;
}

bool ParseList(const std::string& bytes, std::vector<std::string>& paths) {
    if (bytes.find('\0') != std::string::npos) return false;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        if (end == std::string::npos) return false;  // every line ends with a line break
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty() || lines[0] != kHeader || lines.size() - 1 > RecentProjects::kLimit) return false;
    std::vector<std::string> parsed;
    for (size_t i = 1; i < lines.size(); ++i) {
        if (!IsAbsolute(lines[i]) || lines[i].size() > kMaxLine) return false;
        if (std::find(parsed.begin(), parsed.end(), lines[i]) != parsed.end()) return false;
        parsed.push_back(lines[i]);
    }
    paths = std::move(parsed);
    return true;
}

}  // namespace

RecentProjects::RecentProjects(std::string storePath) : storePath_(std::move(storePath)) {}

bool RecentProjects::Load() {
    paths_.clear();
    if (storePath_.empty()) return false;
    std::string bytes;
    return ReadSmallFile(storePath_, bytes) && ParseList(bytes, paths_);
}

bool RecentProjects::Remember(const std::string& path) {
    if (path.empty() || path.find('\n') != std::string::npos || path.find('\0') != std::string::npos)
        return true;
    std::string absolute = path;
    if (!IsAbsolute(absolute)) {
        std::error_code error;
        absolute = std::filesystem::absolute(path, error).lexically_normal().string();
        if (error || !IsAbsolute(absolute)) return true;
    }
    if (absolute.size() > kMaxLine) return true;
    // Another editor may have added entries since: start from the stored
    // list when it is usable, from this one's otherwise.
    std::vector<std::string> stored;
    std::string bytes;
    if (!storePath_.empty() && ReadSmallFile(storePath_, bytes) && ParseList(bytes, stored)) paths_ = stored;
    paths_.erase(std::remove(paths_.begin(), paths_.end(), absolute), paths_.end());
    paths_.insert(paths_.begin(), absolute);
    if (paths_.size() > kLimit) paths_.resize(kLimit);
    return Write();
}

bool RecentProjects::Write() {
    if (storePath_.empty()) return true;
    std::string bytes = std::string(kHeader) + "\n";
    for (const std::string& path : paths_) bytes += path + "\n";

    const std::filesystem::path store(storePath_);
    std::error_code error;
    if (store.has_parent_path() && !std::filesystem::is_directory(store.parent_path(), error)) {
        std::filesystem::create_directories(store.parent_path(), error);
        // A new state directory is private to the user.
        if (!error) ::chmod(store.parent_path().c_str(), 0700);
    }
    std::string why;
    const bool ok = ReplaceFile(storePath_, bytes, ReplaceOptions{false, true}, why);
    if (!ok && !reportedWriteFailure_) {
        reportedWriteFailure_ = true;
        PrintErrorLine("Could not write the recent projects list: " + storePath_);
    }
    return ok;
}

std::string DefaultRecentProjectsPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state != nullptr && IsAbsolute(state)) {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        std::string homeDir = home != nullptr ? home : "";
        if (!IsAbsolute(homeDir)) {
            const passwd* entry = ::getpwuid(::getuid());
            homeDir = entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
        }
        if (!IsAbsolute(homeDir)) return "";
        base = homeDir + "/.local/state";
    }
    return base + "/orvane/recent-projects";
}

bool ProjectFileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
