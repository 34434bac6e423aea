#pragma once
// Files and paths the programs share: replacing a file without ever leaving
// it half written (the bytes go to a new temporary file in the same folder,
// renamed over the target only when every write and the close succeeded),
// reading a file with a size bound, and path helpers.
#include <cstddef>
#include <string>

// Writes every byte to fd, retrying after interruptions and partial writes.
// On failure errno says why.
bool WriteAll(int fd, const std::string& bytes);

struct ReplaceOptions {
    // A symbolic link at the path: false replaces the link itself by the new
    // file (images: a link never redirects a write); true writes to what it
    // points to (projects saved through a link).
    bool throughLinks = false;
    // fsync the temporary before the rename (projects and lists; not images).
    bool sync = false;
};

// Replaces the file at path by `bytes`. The target, when it exists, must be
// a regular file (or a link, see above): a folder, a FIFO or a device is
// refused. On failure nothing changes, no temporary is left behind and
// `why` holds the reason ("Permission denied", "No space left on device",
// "not a regular file", ...).
bool ReplaceFile(const std::string& path, const std::string& bytes, const ReplaceOptions& options,
                 std::string& why);

// Whether a file can be created in the folder: creates and removes a
// temporary. False with the reason in `why`.
bool CanCreateFilesIn(const std::string& folder, std::string& why);

// Temporaries are named ".<name>.tmp~<host>~<pid>~<n>" beside their target.
// Removes those in `folder` left by processes of this host that no longer
// run (a killed job); returns how many.
size_t RemoveStaleTemporaries(const std::string& folder);

// Reads a whole file of at most `limit` bytes into `bytes`. Folders, devices
// and sockets are refused at once, and so is a larger regular file, before
// anything is read; a pipe is read until it passes the limit. False with
// the reason in `why`.
bool ReadFileBounded(const std::string& path, size_t limit, std::string& bytes, std::string& why);

// folder + "/" + name, without doubling a slash the folder already ends
// with; just the name when the folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

// The last component of a path, one trailing '/' or '\\' dropped first; the
// whole text when it has no separator ("build/tavelin" -> "tavelin").
std::string LastPathComponent(const std::string& path);
