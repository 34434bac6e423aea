#include "family/member_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "project/file_io.h"

namespace {

// Shards on several machines may share one output folder: the host name
// keeps their temporary names apart even when process ids coincide.
const std::string& HostName() {
    static const std::string name = [] {
        char buffer[256] = {};
        if (::gethostname(buffer, sizeof buffer - 1) != 0) return std::string("host");
        std::string host = buffer;
        for (char& c : host)
            if (c == '/') c = '_';
        return host.substr(0, 64);
    }();
    return name;
}

// A new, empty temporary file in folder; returns the descriptor or -1.
int CreateTemporary(const std::string& folder, std::string& path) {
    static std::atomic<unsigned long> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = JoinPath(folder, ".tavelin-family-" + HostName() + "-" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++) + ".tmp");
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool WriteFileAtomically(const std::string& folder, const std::string& name, const std::string& bytes,
                         std::string& error) {
    std::string temporary;
    const int fd = CreateTemporary(folder, temporary);
    const std::string target = JoinPath(folder, name);
    if (fd < 0) {
        error = "cannot write '" + target + "': " + std::strerror(errno);
        return false;
    }
    const bool ok = ReplaceWithTemporary(fd, temporary, target, bytes, /*sync=*/false);
    if (!ok) error = "cannot write '" + target + "': " + std::strerror(errno);
    return ok;
}

bool PrepareOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0) {
        error = "cannot create output folder '" + folder + "': " + (ec ? ec.message() : std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = "output folder '" + folder + "' is not a folder";
        return false;
    }
    std::string probe;
    const int fd = CreateTemporary(folder, probe);
    if (fd < 0) {
        error = "cannot write into output folder '" + folder + "': " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    std::remove(probe.c_str());
    return true;
}

bool LoadPng(const std::string& path, uint32_t width, uint32_t height, RgbaImage& out) {
    int w = 0, h = 0, channels = 0;
    // Look at the size first, so that a large foreign file is never decoded.
    if (!stbi_info(path.c_str(), &w, &h, &channels) || uint32_t(w) != width || uint32_t(h) != height) return false;
    unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (pixels == nullptr) return false;
    const bool ok = uint32_t(w) == width && uint32_t(h) == height;
    if (ok) {
        out = RgbaImage(width, height);
        std::copy(pixels, pixels + out.pixels.size(), out.pixels.begin());
    }
    stbi_image_free(pixels);
    return ok;
}
