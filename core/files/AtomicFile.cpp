#include "core/files/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/engine/Errors.h"

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

constexpr const char* kTempPrefix = ".vornix-tmp-";

bool WriteAllTo(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n < 0) return path;  // not a link (or missing): this is the file
        std::string next(target, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    errno = ELOOP;
    return {};
}

int OpenStandardDescriptors() {
    int reopened = 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // open gives the lowest free descriptor: this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            if (opened >= 0) ::close(opened);
            return -1;
        }
        reopened |= 1 << fd;
    }
    return reopened;
}

int RemoveStaleTempFiles(const std::string& folder, long maxAgeSeconds) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    const std::time_t now = std::time(nullptr);
    const std::size_t prefix = std::strlen(kTempPrefix);
    int removed = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kTempPrefix, prefix) != 0) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || now - info.st_mtime < maxAgeSeconds)
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

void WriteOutputFile(const std::string& path, std::string_view bytes) {
    const std::string target = FollowLinks(path);
    if (target.empty()) FailCreate(path, errno);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT) FailCreate(path, errno);
        WriteFileAtomically(target, bytes);
        return;
    }
    if (S_ISDIR(info.st_mode)) FailCreate(path, EISDIR);
    if (S_ISREG(info.st_mode)) {
        // A file nobody may write is refused, as a shell redirect would; root too, whom
        // the permission check alone would let through.
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw FileError("Cannot create file " + path + " (" + RunTimeErrorMessage(EACCES) + ")", EACCES);
        WriteFileAtomically(target, bytes);
        return;
    }
    // A device, pipe or socket is written where it is: replacing it would break it.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) FailCreate(path, errno);
    if (!WriteAllTo(fd, bytes)) {
        const int e = errno;
        ::close(fd);
        FailCreate(path, e);
    }
    if (::close(fd) != 0 && errno != EINTR) FailCreate(path, errno);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode) {
    // Temporary files left by a save that was killed are removed by a later one.
    RemoveStaleTempFiles(FolderOf(path));
    std::string tmpl = FolderOf(path) + "/" + kTempPrefix + "XXXXXX";
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

    if (!WriteAllTo(fd, bytes)) abandon(errno);
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

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    const bool limited = limit != SIZE_MAX;
    // Non-blocking when limited, so that a FIFO in the file's place cannot hold us up.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (limited ? O_NONBLOCK | O_NOCTTY : 0));
    if (fd < 0) throw FileFailure("Cannot open file", path, errno);
    if (limited) {
        struct stat info {};
        const int e = ::fstat(fd, &info) != 0                            ? errno
                      : S_ISDIR(info.st_mode)                            ? EISDIR
                      : !S_ISREG(info.st_mode)                           ? -1
                      : static_cast<std::uint64_t>(info.st_size) > limit ? EFBIG
                                                                         : 0;
        if (e != 0) {
            ::close(fd);
            if (e < 0) throw FileError("Cannot open file " + path + " (not a regular file)", EINVAL);
            throw FileFailure("Cannot open file", path, e);
        }
    }
    std::string data;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            throw FileFailure("Cannot open file", path, e);
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > limit) {  // grew while it was read
            ::close(fd);
            throw FileFailure("Cannot open file", path, EFBIG);
        }
    }
    ::close(fd);
    return data;
}

}  // namespace vornix
