#pragma once
// The settings file: key=value lines without sections, read once at start-up into
// memory and written once at shut-down. The byte format is in doc/settings-file.md.
//
// Every read and write acts on the in-memory lines; only IniSave (and the one-time
// migration inside IniSetup) touches the disk. Lines the program does not understand
// are kept in place and written back unchanged.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/TextDecoder.h"
#include "core/files/SettingsFolders.h"

namespace vornix {

// Splits file bytes into lines at CR LF, lone CR and lone LF. A final line break ends
// the last line rather than starting an empty one; a last line without one is kept.
std::vector<std::string> SplitSettingsLines(std::string_view bytes);

// The bytes of a settings file: every line followed by CR LF.
std::string JoinSettingsLines(const std::vector<std::string>& lines);

// The Display menu's "Show relative frequency" check mark (a flag, off when missing).
inline constexpr char ShowRelFreqKey[] = "ShowRelFreq";
// The Display menu's "Show dispersion" check mark (a flag, off when missing).
inline constexpr char ShowDispersionKey[] = "ShowDispersion";

class SettingsFile {
public:
    // programFolder: folder of the running program, ending in "/" (RunningProgramFolder()
    // for the real program). It is the "local" folder: the settings live there when no
    // per-user folder is known, and an old file there is migrated once.
    explicit SettingsFile(std::string programFolder);

    // Fixes the folders and loads the file; call once, before the first read.
    //   fileName  - "Vornix.ini" (".ini" is appended to a name without ".")
    //   arguments - the command-line arguments after the program name; only the first
    //               may select a run id ("id=2" keeps its own settings folder)
    //   env       - SettingsEnvironment::FromProcess() for the real program
    // Returns whether an existing settings file was loaded. Folders are created one
    // level at a time and failures to create them are not reported (the save reports
    // the missing folder).
    //
    // When the file exists but cannot be read, nothing is loaded, the result is false,
    // the reads give their defaults and SetupError() holds a message with the path and
    // the system's reason for the caller to show. A later IniSave then refuses to
    // replace that file (it holds settings this run never saw). A failed one-time migration write is reported
    // the same way; the loaded lines stay in use.
    bool IniSetup(const std::string& fileName, const std::vector<std::string>& arguments,
                  const SettingsEnvironment& env);

    // Empty, or the message of the last IniSetup's read or migration failure.
    const std::string& SetupError() const { return m_setupError; }

    // Writes the lines to SettingsPath(), replacing the file atomically: on failure the
    // old file stays exactly as it was. A read-only file (no owner write bit) gets only
    // that bit added first. If SettingsPath() is a symbolic link, the file it points to
    // is replaced and the link stays.
    // Throws FileError("Cannot create file PATH (reason)") on failure, also when IniSetup
    // found no folder for the file.
    void IniSave();

    // Reads. A key is held by the first line that begins with exactly key + "=".
    bool IniExists(const std::string& key) const;
    std::string IniSetting(const std::string& key) const;  // empty when missing
    bool IniFlag(const std::string& key) const;            // "y" or "Y" only
    std::int32_t IniNumber(const std::string& key, std::int32_t defaultValue) const;

    // Writes, in memory: the first line holding the key is replaced, or a line is
    // appended. A line break cannot be stored in a value; the value is cut before it.
    void IniPut(const std::string& key, const std::string& value);
    void IniPutFlag(const std::string& key, bool value);
    void IniPutNumber(const std::string& key, std::int32_t value);

    // While set, IniExists and IniSetting (so also IniFlag and IniNumber) first pass
    // "IniExists(KEY) called before setup of INI file" (or "IniSetting(KEY) ...") to the
    // warning callback, then carry on. IniSetup clears it.
    bool SetupPending() const { return m_setupPending; }
    void SetSetupPending(bool pending) { m_setupPending = pending; }
    void SetWarningCallback(std::function<void(const std::string&)> warn) { m_warn = std::move(warn); }

    const std::vector<std::string>& SettingsLines() const { return m_lines; }
    const std::string& SettingsPath() const { return m_settingsPath; }
    const std::string& SettingsFolder() const { return m_settingsFolder; }
    const std::string& ProgramFolder() const { return m_programFolder; }
    const std::string& AppDataFolder() const { return m_appDataFolder; }
    const std::string& RunId() const { return m_runId; }

private:
    // Index of the line holding the key, or -1.
    std::ptrdiff_t FindKey(const std::string& key) const;
    void WarnIfPending(const char* operation, const std::string& key) const;
    // Loads path into the lines; on failure records SetupError and leaves them empty.
    bool Load(const std::string& path);

    std::vector<std::string> m_lines;
    std::string m_settingsPath;
    std::string m_settingsFolder;
    std::string m_programFolder;
    std::string m_appDataFolder;
    std::string m_runId;
    std::string m_setupError;
    bool m_setupPending = false;
    bool m_unreadable = false;  // the file exists but could not be read
    std::function<void(const std::string&)> m_warn;
};

// The common words list the command line reads by default: the user's own copy
// (settingsFolder + "Vornix.dat"), else the master copy beside the program, else the
// installed one (programFolder + "../share/vornix/Vornix.dat"); nothing when none
// exists. An empty folder is skipped.
std::optional<std::string> FindDefaultCommonList(const std::string& settingsFolder, const std::string& programFolder);

// "Detect Unicode documents (UTF-8, UTF-16)", stored under DetectUnicode. It is on
// unless the key holds "n" (or "N"): missing or unreadable means on.
constexpr const char* kDetectUnicodeKey = "DetectUnicode";
bool DetectUnicodeSetting(const SettingsFile& settings);
void PutDetectUnicodeSetting(SettingsFile& settings, bool on);
// "Count words of every script", stored under AllScripts: on only when the key holds
// "y" (or "Y"); missing means off.
constexpr const char* kAllScriptsKey = "AllScripts";
bool AllScriptsSetting(const SettingsFile& settings);
void PutAllScriptsSetting(SettingsFile& settings, bool on);
// "Most distinct words", stored under MaxWords: the word limit of a run, 1,000 to
// 100,000,000; missing, unreadable or out of those bounds means 500,000.
constexpr const char* kMaxWordsKey = "MaxWords";
std::int32_t MaxWordsSetting(const SettingsFile& settings);
void PutMaxWordsSetting(SettingsFile& settings, std::int32_t maxWords);
// How a run reads its documents under that setting: detected, or byte by byte.
EncodingChoice EncodingChoiceFor(bool detectUnicode);

}  // namespace vornix
