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

// folder + "/" + name, without a doubled slash when folder is the root.
std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The kernel's protected_symlinks rule: a link in a sticky, world-writable folder is
// followed only when its owner is this user or the folder's owner.
bool MayFollow(const std::string& link) {
    struct stat own {
    }, folder{};
    if (::lstat(link.c_str(), &own) != 0 || ::stat(FolderOf(link).c_str(), &folder) != 0) return false;
    if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
    return own.st_uid == ::geteuid() || own.st_uid == folder.st_uid;
}

// The folders on the way to path: the kernel follows a link among them, so it is held to
// the same rule (a link to a folder planted in /tmp).
bool FoldersMayBeFollowed(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        struct stat info {};
        if (::lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && !MayFollow(prefix)) return false;
    }
    return true;
}

// The permission bits a new file gets: the umask's, as a plain create would.
mode_t CreateMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
        if (n < 0) {  // not a link (or missing): this is the file
            if (FoldersMayBeFollowed(path)) return path;
            errno = EACCES;
            return {};
        }
        if (!MayFollow(path)) {
            errno = EACCES;
            return {};
        }
        std::string next(target, static_cast<std::size_t>(n));
        path = next.front() == '/' ? next : InFolder(FolderOf(path), next);
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

AtomicFile::AtomicFile(const std::string& path, bool keepMode, const std::string& shown)
    : path_(path), shown_(shown.empty() ? path : shown), keepMode_(keepMode) {
    // Temporary files left by a save that was killed are removed by a later one.
    RemoveStaleTempFiles(FolderOf(path));
    temp_ = InFolder(FolderOf(path), std::string(kTempPrefix) + "XXXXXX");
    const TerminationSignalsBlocked blocked;  // no signal between the file and its hold
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) FailCreate(shown_, errno);
    held_ = std::make_unique<RemovedOnSignal>(temp_);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0 || !WriteAllTo(fd_, bytes)) FailCreate(shown_, fd_ < 0 ? EBADF : errno);
}

void AtomicFile::Commit() {
    if (fd_ < 0) FailCreate(shown_, EBADF);
    struct stat old {};
    const bool exists = ::stat(path_.c_str(), &old) == 0;
    // The owner first: a change of owner clears the set-id bits that the mode then sets.
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0 && ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Neither may be set: the file is this user's, as a plain create makes it.
        }
    }
    const mode_t mode = keepMode_ && exists ? old.st_mode & 07777 : CreateMode();
    if (::fchmod(fd_, mode) != 0) FailCreate(shown_, errno);
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) FailCreate(shown_, errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) FailCreate(shown_, errno);
    const TerminationSignalsBlocked blocked;  // renamed and let go together
    if (::rename(temp_.c_str(), path_.c_str()) != 0) FailCreate(shown_, errno);
    committed_ = true;
    held_.reset();
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode) {
    AtomicFile file(path, keepMode);
    file.Write(bytes);
    file.Commit();
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
    const std::string target = FollowLinks(path);
    if (target.empty()) FailCreate(path, errno);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT) FailCreate(path, errno);
        atomic_ = std::make_unique<AtomicFile>(target, true, target);
        return;
    }
    if (S_ISDIR(info.st_mode)) FailCreate(path, EISDIR);
    if (S_ISREG(info.st_mode)) {
        // A file nobody may write is refused, as a shell redirect would; root too, whom
        // the permission check alone would let through.
        if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw FileError("Cannot create file " + path + " (" + RunTimeErrorMessage(EACCES) + ")", EACCES);
        atomic_ = std::make_unique<AtomicFile>(target, true, target);
        return;
    }
    // A device, pipe or socket is written where it is: replacing it would break it.
    fd_ = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) FailCreate(path, errno);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::Write(std::string_view bytes) {
    if (atomic_) return atomic_->Write(bytes);
    if (fd_ < 0 || !WriteAllTo(fd_, bytes)) FailCreate(path_, fd_ < 0 ? EBADF : errno);
}

void OutputFile::Commit() {
    if (atomic_) return atomic_->Commit();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) FailCreate(path_, errno);
}

void WriteOutputFile(const std::string& path, std::string_view bytes) {
    OutputFile file(path);
    file.Write(bytes);
    file.Commit();
}

namespace {

std::string ReadFileGuarded(const std::string& path, std::size_t limit, bool limited) {
    // Non-blocking when guarded, so that a FIFO in the file's place cannot hold us up.
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

}  // namespace

std::string ReadWholeFile(const std::string& path, std::size_t limit) {
    return ReadFileGuarded(path, limit, limit != SIZE_MAX);
}

std::string ReadRegularFile(const std::string& path, std::size_t limit) {
    return ReadFileGuarded(path, limit, true);
}

}  // namespace vornix
