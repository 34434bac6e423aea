#include "project/project_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

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

}  // namespace

bool ReadProjectFile(const std::string& path, std::deque<int32_t>& seeds, InstructionList& out,
                     DecodeFailure* failure) {
    DecodeFailure local;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        local.reason = std::strerror(errno);
        local.printed = true;
        PrintUnableToOpen(path);
    } else {
        struct stat info;
        const bool folder = ::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode);
        FileByteSource source(file);
        bool ok = false;
        if (folder)
            local.reason = "it is a folder";
        else
            ok = DecodeProject(source, seeds, out, &local);
        const bool readError = !ok && !folder && std::ferror(file);
        std::fclose(file);
        if (ok) return true;
        if (readError && !local.printed) local.reason = "it could not be read";
        // Every failure gets one line saying why.
        if (!local.printed) PrintErrorLine("Could not load " + path + ": " + local.reason);
        local.printed = true;
    }
    if (failure != nullptr) *failure = local;
    return false;
}

bool WriteProjectFile(const std::string& path, const InstructionList& queue, std::string* why) {
    // On failure the previous file stays as it was; a save through a link
    // updates the file it points to.
    std::string reason;
    if (ReplaceFile(path, EncodeProject(queue), ReplaceOptions{true, true}, reason)) return true;
    PrintUnableToOpen(path);
    if (why != nullptr) *why = reason;
    return false;
}
