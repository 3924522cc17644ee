// Log-file writers on POSIX. The exclusive writer rule is an advisory flock
// taken without waiting: flock belongs to the open file description, so it also
// shuts out a second writer inside the same process.
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform.h"

namespace Platform {

FileHandle OpenLogWriter(const char* path, bool truncate) {
    if (path == nullptr || *path == '\0') {
        return kNoFile;
    }
    const std::string native = NativePath(path);
    // No O_TRUNC here: emptying a file that another writer holds must fail too.
    int fd;
    do {
        fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return kNoFile;
    }
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0 || (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return kNoFile;
    }
    return fd;
}

bool AppendLogBytes(FileHandle file, const void* data, std::size_t size) {
    if (file < 0) {
        return false;
    }
    const int fd = static_cast<int>(file);
    if (::lseek(fd, 0, SEEK_END) < 0) {
        return false;
    }
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void CloseLogWriter(FileHandle file) noexcept {
    if (file >= 0) {
        ::close(static_cast<int>(file));  // also drops the flock
    }
}

long long FileSizeOf(const char* path) {
    if (path == nullptr || *path == '\0') {
        return -1;
    }
    struct stat st {};
    if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

}  // namespace Platform
