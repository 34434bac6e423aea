#pragma once
// The projects most recently opened or saved, newest first, kept in a small
// text file in the user's state directory (never beside the executable):
//
//   orvane recent projects 1
//   /absolute/path/of/the/newest.pcg
//   ...
//
// A list file that cannot be read, or that is not exactly this shape (wrong
// first line, a relative or empty path, more than kLimit paths, a line too
// long, a zero byte), is ignored as a whole: the list starts empty. Writing
// goes through a temporary file renamed over the list, so a crash never
// leaves half a list behind.
#include <cstddef>
#include <string>
#include <vector>

class RecentProjects {
public:
    static constexpr size_t kLimit = 8;

    // storePath "" keeps the list in memory only (tests, no state directory).
    explicit RecentProjects(std::string storePath = "");

    const std::string& StorePath() const { return storePath_; }
    // Replaces the list by the file's (empty when it is missing or unusable).
    // Returns whether a usable list was read.
    bool Load();
    // Puts `path` (made absolute) in front of the stored list (re-read, so
    // that several editors share one list; this one's when the file is
    // unusable), removing an earlier entry of it and dropping entries beyond
    // kLimit, then writes the list. A path that a
    // line cannot hold (a line break in it) is left out. Returns false when
    // the list could not be written (one line on stderr, once per store).
    bool Remember(const std::string& path);

    const std::vector<std::string>& Paths() const { return paths_; }

private:
    bool Write();

    std::string storePath_;
    std::vector<std::string> paths_;
    bool reportedWriteFailure_ = false;
};

// Where the editor keeps its list: $XDG_STATE_HOME/orvane/recent-projects,
// or ~/.local/state/orvane/recent-projects when XDG_STATE_HOME is unset,
// empty or relative; "" when neither that nor a home directory is known.
std::string DefaultRecentProjectsPath();

// Whether a regular file (or a link to one) exists at path.
bool ProjectFileExists(const std::string& path);
