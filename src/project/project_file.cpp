#include "project/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "project/project_file_format.h"
#include "project/file_io.h"
#include "raster/console.h"

namespace {

void PrintUnableToOpen(const std::string& path) { PrintErrorLine("Unable to open file: " + path); }

class FileByteSource final : public ProjectByteSource {
public:
    explicit FileByteSource(std::FILE* file) : file_(file) {}
    size_t Read(void* destination, size_t count) override {
        return count == 0 ? 0 : std::fread(destination, 1, count, file_);
    }

private:
    std::FILE* file_;
};

// The file a save replaces: the target of a symbolic link rather than the
// link itself, so that saving through a link updates what it points to.
std::string ResolveTarget(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;  // dangling link: replace the link
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Creates a new temporary file beside target (same directory, so the final
// rename stays within one file system). Returns the descriptor or -1.
int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool ReadProjectFile(const std::string& path, std::deque<int32_t>& seeds, InstructionList& out) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        PrintUnableToOpen(path);
        return false;
    }
    FileByteSource source(file);
    const bool ok = DecodeProject(source, seeds, out);
    std::fclose(file);
    return ok;
}

bool WriteProjectFile(const std::string& path, const InstructionList& queue) {
    const std::string target = ResolveTarget(path);
    // A directory or a file the user may not write cannot be saved over,
    // just as opening it for writing would fail.
    struct stat info;
    if (::stat(target.c_str(), &info) == 0 && (S_ISDIR(info.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
        PrintUnableToOpen(path);
        return false;
    }
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) {
        PrintUnableToOpen(path);
        return false;
    }
    // On failure the previous file stays as it was.
    return ReplaceWithTemporary(fd, temporary, target, EncodeProject(queue), /*sync=*/true);
}
