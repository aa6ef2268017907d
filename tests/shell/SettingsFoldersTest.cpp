#include "shell/SettingsFolders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vornix {
namespace {

namespace fs = std::filesystem;

class FoldersTempDir {
public:
    FoldersTempDir() {
        std::string tmpl = (fs::temp_directory_path() / "vornix-folders-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        path = tmpl + "/";
    }
    ~FoldersTempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

TEST(SettingsFoldersTest, AppDataFolderFollowsTheFirstUsableVariable) {
    struct Case {
        SettingsEnvironment env;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"/a", "/x", "/h"}, "/a/Korvane/"},
        {{"/a/", "/x", "/h"}, "/a/Korvane/"},
        {{"", "/x", "/h"}, "/x/Korvane/"},
        {{"", "/x/", "/h"}, "/x/Korvane/"},
        {{"", "", "/h"}, "/h/.config/Korvane/"},
        {{"", "", "/"}, "/.config/Korvane/"},
        // A relative XDG folder would depend on where the program was started.
        {{"", "rel", "/h"}, "/h/.config/Korvane/"},
        {{"", "", ""}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("APPDATA=" + c.env.appData + " XDG=" + c.env.xdgConfigHome +
                     " HOME=" + c.env.home);
        EXPECT_EQ(AppDataFolderFor(c.env), c.expected);
    }
}

TEST(SettingsFoldersTest, RunIdComesOnlyFromALowerCaseFirstArgument) {
    const std::string longId(150, 'k');
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, ""},
        {{"id=2"}, "2"},
        {{"id="}, ""},
        {{"ID=5"}, ""},
        {{"Id=5"}, ""},
        {{"xid=5"}, ""},
        {{"file.txt", "id=3"}, ""},
        {{"id=" + longId}, std::string(100, 'k')},
        {{"id=a=b c"}, "a=b c"},
        {{"id=../../etc"}, ".._.._etc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        EXPECT_EQ(RunIdFromArguments(c.args), c.expected);
    }
}

TEST(SettingsFoldersTest, FileAndBaseNames) {
    struct Case {
        std::string given, fileName, baseName;
    };
    const std::vector<Case> cases = {
        {"Vornix.ini", "Vornix.ini", "Vornix"},
        {"Vornix", "Vornix.ini", "Vornix"},
        {"a.b.c", "a.b.c", "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingsFileName(c.given), c.fileName) << c.given;
        EXPECT_EQ(SettingsBaseName(c.given), c.baseName) << c.given;
    }
    EXPECT_EQ(PerUserSettingsFolder("Vornix.ini", {"/a", "", ""}, "2"), "/a/Korvane/Vornix2/");
    EXPECT_EQ(PerUserSettingsFolder("Vornix.ini", {}, "2"), "");
}

TEST(SettingsFoldersTest, StartingFolderDropsOneTrailingSlashButKeepsTheRoot) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/u/Texts/", "/home/u/Texts"},
        {"/home/u/Texts", "/home/u/Texts"},
        {"/", "/"},
        {"/a//", "/a/"},
        {"", ""},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(StartingFolder(given), expected) << given;
}

TEST(SettingsFoldersTest, FolderOfPathKeepsItsSlash) {
    EXPECT_EQ(FolderOfPath("/usr/bin/vornix"), "/usr/bin/");
    EXPECT_EQ(FolderOfPath("/vornix"), "/");
    EXPECT_EQ(FolderOfPath("vornix"), "");
}

TEST(SettingsFoldersTest, RunningProgramFolderHoldsThisProgram) {
    std::string folder = RunningProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::is_regular_file(folder + program_invocation_short_name)) << folder;
}

TEST(SettingsFoldersTest, CreateOneFolderMakesOneLevelAndIgnoresFailures) {
    FoldersTempDir tmp;
    CreateOneFolder(tmp.path + "one/");
    EXPECT_TRUE(fs::is_directory(tmp.path + "one"));
    CreateOneFolder(tmp.path + "one/");  // exists already: no complaint
    EXPECT_TRUE(fs::is_directory(tmp.path + "one"));

    CreateOneFolder(tmp.path + "missing/child/");
    EXPECT_FALSE(fs::exists(tmp.path + "missing"));

    // A regular file in the way is left alone.
    { std::ofstream(tmp.path + "file") << "x"; }
    CreateOneFolder(tmp.path + "file/");
    EXPECT_TRUE(fs::is_regular_file(tmp.path + "file"));
}

}  // namespace
}  // namespace vornix
