#include "app/app_paths.h"

#include <unistd.h>

#include <vector>

std::string ExecutableDirectory() {
    // readlink does not terminate and silently truncates: grow until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ".";
        if (size_t(n) < buffer.size()) {
            const std::string path(buffer.data(), size_t(n));
            const size_t slash = path.find_last_of("/\\");
            return slash == std::string::npos ? path : path.substr(0, slash);
        }
        if (buffer.size() >= 65536) return ".";
        buffer.resize(buffer.size() * 2);
    }
}
