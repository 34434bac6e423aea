#include "project/file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

bool ReplaceWithTemporary(int fd, const std::string& temporary, const std::string& target,
                          const std::string& bytes, bool sync) {
    bool ok = WriteAll(fd, bytes) && (!sync || ::fsync(fd) == 0);
    int failure = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        errno = failure;
    }
    return ok;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string LastPathComponent(const std::string& path) {
    std::string rest = path;
    if (!rest.empty() && (rest.back() == '/' || rest.back() == '\\')) rest.pop_back();
    const size_t slash = rest.find_last_of("/\\");
    return slash == std::string::npos ? rest : rest.substr(slash + 1);
}
