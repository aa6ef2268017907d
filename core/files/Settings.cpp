#include "core/files/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/engine/Errors.h"
#include "core/engine/TextRules.h"
#include "core/engine/WordStore.h"
#include "core/files/AtomicFile.h"

namespace vornix {

namespace {

// Follows a symbolic link so that replacing the file keeps the user's link.
std::string FileBehindLink(const std::string& path) {
    std::string target = FollowLinks(path);
    return target.empty() ? path : target;
}

}  // namespace

std::vector<std::string> SplitSettingsLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string JoinSettingsLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

// The largest settings file read; real ones are a few kilobytes.
constexpr std::size_t kMaxSettingsBytes = 1 << 20;

SettingsFile::SettingsFile(std::string programFolder)
    : m_settingsFolder(programFolder), m_programFolder(std::move(programFolder)) {}

bool SettingsFile::Load(const std::string& path) {
    try {
        m_lines = SplitSettingsLines(ReadWholeFile(path, kMaxSettingsBytes));
    } catch (const FileError& e) {
        // A settings file that exists but cannot be read is reported with the reason.
        m_setupError = e.what();
        return false;
    }
    return true;
}

bool SettingsFile::IniSetup(const std::string& fileName, const std::vector<std::string>& arguments,
                            const SettingsEnvironment& env) {
    m_setupPending = false;
    m_lines.clear();
    m_setupError.clear();
    m_runId.clear();
    m_unreadable = false;

    const std::string name = SettingsFileName(fileName);
    // No drive letters here: the local folder is always the program's own.
    const std::string localPath = m_programFolder.empty() ? std::string() : m_programFolder + name;
    m_settingsFolder = m_programFolder;
    m_appDataFolder = AppDataFolderFor(env);

    if (m_appDataFolder.empty()) {
        m_settingsPath = localPath;
        if (!PathExists(localPath)) return false;
        if (Load(localPath)) return true;
        m_unreadable = true;
        return false;
    }

    // APPDATA always exists where it is set; the XDG folder standing in for it may not
    // on a fresh account, and without it nothing below could be created.
    if (env.appData.empty()) CreateOneFolder(ConfigBaseFolderFor(env), 0700);
    CreateOneFolder(m_appDataFolder);
    m_runId = RunIdFromArguments(arguments);
    m_settingsFolder = PerUserSettingsFolder(name, env, m_runId);
    CreateOneFolder(m_settingsFolder);
    m_settingsPath = m_settingsFolder + name;

    if (PathExists(m_settingsPath)) {
        if (Load(m_settingsPath)) return true;
        m_unreadable = true;
        return false;
    }
    if (!PathExists(localPath)) return false;

    // One-time migration of a file left beside the program; the original stays.
    if (!Load(localPath)) return false;
    try {
        WriteFileAtomically(m_settingsPath, JoinSettingsLines(m_lines));
    } catch (const FileError& e) {
        m_setupError = e.what();
    }
    return true;
}

void SettingsFile::IniSave() {
    if (m_settingsPath.empty()) throw FileError("Cannot create file: no folder for the settings file is known", ENOENT);
    // A file that could not be read holds settings this run never saw: replacing it
    // with this run's defaults would lose them.
    if (m_unreadable)
        throw FileError(
            "Cannot create file " + m_settingsPath + " (it could not be read at start-up and is kept as it was)",
            EACCES);
    const std::string target = FileBehindLink(m_settingsPath);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
        if (::chmod(target.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
            throw FileFailure("Cannot create file", target, errno);
    }
    WriteFileAtomically(target, JoinSettingsLines(m_lines));
}

std::ptrdiff_t SettingsFile::FindKey(const std::string& key) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        if (line.size() > key.size() && line[key.size()] == '=' && line.compare(0, key.size(), key) == 0)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void SettingsFile::WarnIfPending(const char* operation, const std::string& key) const {
    if (m_setupPending && m_warn) m_warn(std::string(operation) + "(" + key + ") called before setup of INI file");
}

bool SettingsFile::IniExists(const std::string& key) const {
    WarnIfPending("IniExists", key);
    return FindKey(key) >= 0;
}

std::string SettingsFile::IniSetting(const std::string& key) const {
    WarnIfPending("IniSetting", key);
    std::ptrdiff_t at = FindKey(key);
    if (at < 0) return {};
    return m_lines[static_cast<std::size_t>(at)].substr(key.size() + 1);
}

bool SettingsFile::IniFlag(const std::string& key) const {
    std::string value = IniSetting(key);
    return value == "y" || value == "Y";
}

std::int32_t SettingsFile::IniNumber(const std::string& key, std::int32_t defaultValue) const {
    return ParseInt32(IniSetting(key)).value_or(defaultValue);
}

void SettingsFile::IniPut(const std::string& key, const std::string& value) {
    // Keys are the program's own names; one with "=" or a line break could never be
    // found again.
    assert(!key.empty() && key.find_first_of("=\r\n") == std::string::npos);
    // A line break would end the line early and turn the rest into a line of its own,
    // possibly one that sets another key.
    std::string line = key + "=" + value.substr(0, value.find_first_of("\r\n"));
    std::ptrdiff_t at = FindKey(key);
    if (at < 0)
        m_lines.push_back(std::move(line));
    else
        m_lines[static_cast<std::size_t>(at)] = std::move(line);
}

void SettingsFile::IniPutFlag(const std::string& key, bool value) {
    IniPut(key, value ? "y" : "n");
}

void SettingsFile::IniPutNumber(const std::string& key, std::int32_t value) {
    IniPut(key, std::to_string(value));
}

std::optional<std::string> FindDefaultCommonList(const std::string& settingsFolder, const std::string& programFolder) {
    std::vector<std::string> candidates;
    if (!settingsFolder.empty()) candidates.push_back(settingsFolder + "Vornix.dat");
    if (!programFolder.empty()) {
        candidates.push_back(programFolder + "Vornix.dat");
        candidates.push_back(programFolder + "../share/vornix/Vornix.dat");
    }
    for (const auto& path : candidates)
        if (PathExists(path)) return path;
    return std::nullopt;
}

bool DetectUnicodeSetting(const SettingsFile& settings) {
    const std::string value = settings.IniSetting(kDetectUnicodeKey);
    return value != "n" && value != "N";
}

void PutDetectUnicodeSetting(SettingsFile& settings, bool on) {
    settings.IniPutFlag(kDetectUnicodeKey, on);
}

bool AllScriptsSetting(const SettingsFile& settings) {
    const std::string value = settings.IniSetting(kAllScriptsKey);
    return value == "y" || value == "Y";
}

void PutAllScriptsSetting(SettingsFile& settings, bool on) {
    settings.IniPutFlag(kAllScriptsKey, on);
}

std::int32_t MaxWordsSetting(const SettingsFile& settings) {
    const std::int32_t n = settings.IniNumber(kMaxWordsKey, WordStore::DefaultMaxWords);
    return n < WordStore::LeastMaxWords || n > WordStore::MostMaxWords ? WordStore::DefaultMaxWords : n;
}

void PutMaxWordsSetting(SettingsFile& settings, std::int32_t maxWords) {
    settings.IniPutNumber(kMaxWordsKey, maxWords);
}

EncodingChoice EncodingChoiceFor(bool detectUnicode) {
    return detectUnicode ? EncodingChoice::Auto : EncodingChoice::Bytes;
}

}  // namespace vornix
