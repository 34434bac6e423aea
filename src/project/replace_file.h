#pragma once
// Replacing a file without ever leaving it half written: the bytes go to a
// new temporary file beside it, which is renamed over it only when complete.
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
