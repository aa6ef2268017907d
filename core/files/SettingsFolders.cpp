#include "core/files/SettingsFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vornix {

namespace {

std::string EnvText(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

constexpr std::size_t kMaxRunIdLength = 100;

}  // namespace

SettingsEnvironment SettingsEnvironment::FromProcess() {
    return {EnvText("APPDATA"), EnvText("XDG_CONFIG_HOME"), EnvText("HOME")};
}

std::string ConfigBaseFolderFor(const SettingsEnvironment& env) {
    if (!env.appData.empty()) return WithSlash(env.appData);
    // A relative XDG_CONFIG_HOME would scatter settings over whatever folder the
    // program starts in; the XDG rules say to ignore it.
    if (!env.xdgConfigHome.empty() && env.xdgConfigHome.front() == '/') return WithSlash(env.xdgConfigHome);
    if (!env.home.empty()) return WithSlash(env.home) + ".config/";
    return {};
}

std::string AppDataFolderFor(const SettingsEnvironment& env) {
    std::string base = ConfigBaseFolderFor(env);
    return base.empty() ? base : base + "Korvane/";
}

std::string FolderOfPath(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string RunningProgramFolder() {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return {};
    buf.resize(static_cast<std::size_t>(n));
    return FolderOfPath(buf);
}

std::string RunIdFromArguments(const std::vector<std::string>& arguments) {
    static const std::string kPrefix = "id=";
    if (arguments.empty() || arguments.front().compare(0, kPrefix.size(), kPrefix) != 0) return {};
    std::string id = arguments.front().substr(kPrefix.size(), kMaxRunIdLength);
    for (char& c : id)
        if (c == '/') c = '_';
    return id;
}

std::string SettingsFileName(const std::string& fileName) {
    return fileName.find('.') == std::string::npos ? fileName + ".ini" : fileName;
}

std::string SettingsBaseName(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

std::string PerUserSettingsFolder(const std::string& fileName, const SettingsEnvironment& env,
                                  const std::string& runId) {
    std::string appData = AppDataFolderFor(env);
    if (appData.empty()) return {};
    return appData + SettingsBaseName(fileName) + runId + "/";
}

void CreateOneFolder(const std::string& folder, unsigned mode) {
    std::string path = folder;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty()) return;
    (void)::mkdir(path.c_str(), static_cast<mode_t>(mode));
}

std::string StartingFolder(const std::string& folder) {
    if (folder.size() > 1 && folder.back() == '/') return folder.substr(0, folder.size() - 1);
    return folder;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace vornix
