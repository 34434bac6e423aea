#include "project/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

namespace {

// The machine's name as temporaries carry it: shards on several machines may
// share one folder, so the host keeps their names apart when process ids
// coincide.
const std::string& HostName() {
    static const std::string name = [] {
        char buffer[256] = {};
        if (::gethostname(buffer, sizeof buffer - 1) != 0) return std::string("host");
        std::string host = buffer;
        for (char& c : host)
            if (c == '/' || c == '~') c = '_';
        return host.substr(0, 64);
    }();
    return name;
}

// A new, empty temporary file beside target; the descriptor, or -1 with errno.
int CreateTemporaryBeside(const std::string& target, std::string& path) {
    static std::atomic<unsigned long> counter{0};
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = LastPathComponent(target).substr(0, 100);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "." + name + ".tmp~" + HostName() + "~" + std::to_string(::getpid()) + "~" +
               std::to_string(counter++);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// What a save through a link replaces: the file the link points to (a
// dangling link is replaced itself).
std::string ResolveLink(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

bool Fail(std::string& why, const std::string& reason) {
    why = reason;
    return false;
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::string& bytes, const ReplaceOptions& options,
                 std::string& why) {
    std::string target = path;
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode) && options.throughLinks) {
            target = ResolveLink(path);
            if (::lstat(target.c_str(), &info) != 0) info.st_mode = S_IFREG;
        }
        if (S_ISDIR(info.st_mode)) return Fail(why, "it is a folder");
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return Fail(why, "not a regular file");
        // Renaming would replace a file its owner made read-only: refuse as
        // opening it for writing would.
        if (S_ISREG(info.st_mode) && ::access(target.c_str(), W_OK) != 0)
            return Fail(why, std::strerror(errno));
    }
    std::string temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) return Fail(why, std::strerror(errno));
    bool ok = WriteAll(fd, bytes) && (!options.sync || ::fsync(fd) == 0);
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
        return Fail(why, std::strerror(failure));
    }
    return true;
}

bool CanCreateFilesIn(const std::string& folder, std::string& why) {
    std::string probe;
    const int fd = CreateTemporaryBeside(JoinPath(folder.empty() ? "." : folder, "probe"), probe);
    if (fd < 0) return Fail(why, std::strerror(errno));
    ::close(fd);
    std::remove(probe.c_str());
    return true;
}

size_t RemoveStaleTemporaries(const std::string& folder) {
    DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
    if (directory == nullptr) return 0;
    const std::string mark = ".tmp~" + HostName() + "~";
    size_t removed = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        const size_t at = name.rfind(mark);
        if (name.empty() || name[0] != '.' || at == std::string::npos) continue;
        const std::string rest = name.substr(at + mark.size());  // "<pid>~<n>"
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || *end != '~' || pid <= 0) continue;
        // Only a process that is gone: a run still writing keeps its files.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
        if (std::remove(JoinPath(folder, name).c_str()) == 0) ++removed;
    }
    ::closedir(directory);
    return removed;
}

bool ReadFileBounded(const std::string& path, size_t limit, std::string& bytes, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Fail(why, std::strerror(errno));
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok)
        why = std::strerror(errno);
    else if (S_ISDIR(info.st_mode))
        ok = Fail(why, "it is a folder");
    else if (!S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode))
        ok = Fail(why, "not a regular file");
    else if (S_ISREG(info.st_mode) && uint64_t(info.st_size) > limit)
        ok = Fail(why, "larger than " + std::to_string(limit >> 20) + " MiB");
    if (ok) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        bytes.clear();
        if (S_ISREG(info.st_mode)) bytes.reserve(size_t(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ok = Fail(why, std::strerror(errno));
                break;
            }
            if (n == 0) break;
            if (bytes.size() + size_t(n) > limit) {
                ok = Fail(why, "larger than " + std::to_string(limit >> 20) + " MiB");
                break;
            }
            bytes.append(buffer, size_t(n));
        }
    }
    ::close(fd);
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
