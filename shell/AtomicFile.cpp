#include "shell/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/Errors.h"

namespace vornix {

namespace {

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

[[noreturn]] void FailCreate(const std::string& path, int errnum) {
    throw FileFailure("Cannot create file", path, errnum);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode) {
    std::string tmpl = FolderOf(path) + "/.vornix-tmp-XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) FailCreate(path, errno);

    auto abandon = [&](int errnum) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        FailCreate(path, errnum);
    };

    mode_t mode = 0644;
    struct stat old {};
    if (keepMode && ::stat(path.c_str(), &old) == 0)
        mode = old.st_mode & 07777;
    else {
        // Honour the umask as a plain create would.
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) abandon(errno);

    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) abandon(errno);
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(tmpl.c_str());
        FailCreate(path, e);
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmpl.c_str());
        FailCreate(path, e);
    }
}

std::string ReadWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileFailure("Cannot open file", path, errno, Reason::Omitted);
    std::string data;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            throw FileFailure("Cannot open file", path, e, Reason::Omitted);
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace vornix
