#pragma once
// Where the settings file and its neighbours live. Pure folder arithmetic plus a few
// small file-system queries; no Qt, so the command line can share it.
//
// Folder texts use "/" and always end in "/" (except the starting folder of a dialog,
// see StartingFolder). An empty folder text means "no such folder".
#include <string>
#include <vector>

namespace vornix {

// The environment variables that decide the per-user folder. The program fills it from
// the process (FromProcess); tests point it at a temporary folder. An empty text counts
// as not set.
struct SettingsEnvironment {
    std::string appData;        // APPDATA
    std::string xdgConfigHome;  // XDG_CONFIG_HOME; ignored unless absolute
    std::string home;           // HOME

    static SettingsEnvironment FromProcess();
};

// The folder under which every program of ours keeps its settings: APPDATA when set,
// else $XDG_CONFIG_HOME, else $HOME/.config; followed by "Korvane/". Empty when none of
// the three is usable.
std::string AppDataFolderFor(const SettingsEnvironment& env);

// The folder that stands in for APPDATA itself (AppDataFolderFor without "Korvane/").
// Unlike APPDATA on other systems it may not exist yet on a fresh account.
std::string ConfigBaseFolderFor(const SettingsEnvironment& env);

// Folder of a program file's full path, with its trailing "/"; empty when the path has
// no "/".
std::string FolderOfPath(const std::string& path);

// Folder of the running program file (from /proc/self/exe), ending in "/"; empty when
// the system does not tell.
std::string RunningProgramFolder();

// The run id selected by the command line: when the first argument (the one after the
// program name) begins with "id=" (case-sensitive), the rest of it, at most 100 bytes;
// otherwise empty. A "/" in it becomes "_" so the id names one folder and cannot reach
// outside the settings tree.
std::string RunIdFromArguments(const std::vector<std::string>& arguments);

// Settings file name rules: a name without "." gets ".ini" appended; the base name is
// the text before the first ".".
std::string SettingsFileName(const std::string& fileName);
std::string SettingsBaseName(const std::string& fileName);

// The per-user settings folder for a file name and run id, without touching the disk:
// AppDataFolderFor(env) + base name + runId + "/". Empty when AppDataFolderFor is empty
// (the settings then live in the program's folder).
std::string PerUserSettingsFolder(const std::string& fileName, const SettingsEnvironment& env,
                                  const std::string& runId);

// Creates one folder; one trailing "/" is removed first. Parents are not created and
// every failure (exists already, parent missing, access denied) is ignored: a later
// load or save reports the missing folder with its path.
void CreateOneFolder(const std::string& folder, unsigned mode = 0777);

// The folder a file dialog starts in, as stored in the settings: one trailing "/"
// removed, except that "/" itself stays "/".
std::string StartingFolder(const std::string& folder);

// Whether a path names something that exists (any kind of file, following links).
bool PathExists(const std::string& path);

}  // namespace vornix
