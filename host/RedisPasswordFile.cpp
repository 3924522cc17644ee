#include "RedisPasswordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool ReadRedisPasswordFile(const std::string& path, std::string& password, std::string& error) {
    const std::string named = "the password file " + path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = "cannot read " + named + ": " + std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = named + " is not a regular file";
        return false;
    }
    if (st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
        error = named + " must belong to this user and be readable by no one else (chmod 600)";
        return false;
    }
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + named + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0 || text.size() > 4096) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) {
        error = named + " holds no password";
        return false;
    }
    password = std::move(text);
    return true;
}
