#include "core/engine/WordFileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vornix {

namespace {

constexpr const char* kPrefix = "Vornix-";
constexpr const char* kSuffix = ".$$$";

// The pid in a record file's name ("Vornix-PID-TAG.$$$", or "Vornix-PID.$$$" as older
// versions named it), or -1 when the name is not one of ours.
long PidOfName(const char* name) {
    const std::size_t prefix = std::strlen(kPrefix), suffix = std::strlen(kSuffix), n = std::strlen(name);
    if (n <= prefix + suffix || std::strncmp(name, kPrefix, prefix) != 0 ||
        std::strcmp(name + n - suffix, kSuffix) != 0)
        return -1;
    long pid = 0;
    std::size_t i = prefix;
    for (; i < n - suffix && name[i] != '-'; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 100000000) return -1;
        pid = pid * 10 + (name[i] - '0');
    }
    if (i == prefix) return -1;
    if (i < n - suffix) {  // the random tag: letters and digits
        for (std::size_t t = i + 1; t < n - suffix; ++t)
            if (!((name[t] >= 'a' && name[t] <= 'z') || (name[t] >= '0' && name[t] <= '9'))) return -1;
        if (i + 1 == n - suffix) return -1;
    }
    return pid;
}

}  // namespace

std::string WordFilePathFor(const std::string& folder, long pid) {
    return folder + kPrefix + std::to_string(pid) + kSuffix;
}

int RemoveStaleWordFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    // Only in a folder of this user's that nobody else may write: in a shared one a
    // name could be anyone's, and a pid check says nothing about who owns the file.
    struct stat folderInfo {};
    if (::fstat(::dirfd(dir), &folderInfo) != 0 || folderInfo.st_uid != ::geteuid() ||
        (folderInfo.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::closedir(dir);
        return 0;
    }
    int removed = 0;
    while (dirent* entry = ::readdir(dir)) {
        const long pid = PidOfName(entry->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        // Only a process that is certainly gone loses its file.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace vornix
