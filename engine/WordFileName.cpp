#include "engine/WordFileName.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vornix {

namespace {

constexpr const char* kPrefix = "Vornix-";
constexpr const char* kSuffix = ".$$$";

// The pid in a record file's name, or -1 when the name is not one of ours.
long PidOfName(const char* name) {
    const std::size_t prefix = std::strlen(kPrefix), suffix = std::strlen(kSuffix), n = std::strlen(name);
    if (n <= prefix + suffix || std::strncmp(name, kPrefix, prefix) != 0 ||
        std::strcmp(name + n - suffix, kSuffix) != 0)
        return -1;
    long pid = 0;
    for (std::size_t i = prefix; i < n - suffix; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 100000000) return -1;
        pid = pid * 10 + (name[i] - '0');
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
    int removed = 0;
    while (dirent* entry = ::readdir(dir)) {
        const long pid = PidOfName(entry->d_name);
        if (pid <= 0 || pid == ::getpid()) continue;
        // Only a process that is certainly gone loses its file.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        if (::unlink((folder + entry->d_name).c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace vornix
