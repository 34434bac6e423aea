#pragma once
// Files and paths: replacing a file without ever leaving it half written
// (the bytes go to a new temporary file beside it, renamed over it only when
// complete), and the path helpers the programs share.
#include <string>

// Writes every byte to fd, retrying after interruptions and partial writes.
// On failure errno says why.
bool WriteAll(int fd, const std::string& bytes);

// Writes bytes to the temporary file open as fd (created by the caller in the
// target's directory), optionally syncs it, closes fd and renames the
// temporary over target. On any failure the temporary is removed, target is
// left as it was, errno holds the first error and the result is false.
bool ReplaceWithTemporary(int fd, const std::string& temporary, const std::string& target,
                          const std::string& bytes, bool sync);

// folder + "/" + name, without doubling a slash the folder already ends
// with; just the name when the folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

// The last component of a path, one trailing '/' or '\\' dropped first; the
// whole text when it has no separator ("build/tavelin" -> "tavelin").
std::string LastPathComponent(const std::string& path);
