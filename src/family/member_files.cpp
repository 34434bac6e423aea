#include "family/member_files.h"

#include <sys/stat.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "project/file_io.h"

bool WriteFileAtomically(const std::string& folder, const std::string& name, const std::string& bytes,
                         std::string& error) {
    const std::string target = JoinPath(folder, name);
    std::string why;
    if (ReplaceFile(target, bytes, ReplaceOptions{}, why)) return true;
    error = "cannot write '" + target + "': " + why;
    return false;
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
    std::string why;
    if (!CanCreateFilesIn(folder, why)) {
        error = "cannot write into output folder '" + folder + "': " + why;
        return false;
    }
    return true;
}

namespace {

// Whether the file ends with the PNG end chunk, as every complete one does.
bool EndsWithEndChunk(const std::string& path) {
    static const unsigned char kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char tail[12];
    const bool ok = std::fseek(file, -12, SEEK_END) == 0 && std::fread(tail, 1, 12, file) == 12 &&
                    std::memcmp(tail, kEnd, 12) == 0;
    std::fclose(file);
    return ok;
}

}  // namespace

bool LoadPng(const std::string& path, uint32_t width, uint32_t height, RgbaImage& out) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !EndsWithEndChunk(path)) return false;
    int w = 0, h = 0, channels = 0;
    // Look at the size first, so that a large foreign file is never decoded.
    if (!stbi_info(path.c_str(), &w, &h, &channels) || uint32_t(w) != width || uint32_t(h) != height) return false;
    // A file cut short or damaged does not decode.
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
