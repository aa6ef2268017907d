#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/files/SettingsFolders.h"

namespace vornix {
namespace {

namespace fs = std::filesystem;

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
        SCOPED_TRACE("APPDATA=" + c.env.appData + " XDG=" + c.env.xdgConfigHome + " HOME=" + c.env.home);
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

TEST(SettingsFoldersTest, PerUserFolderUsesTheBaseNameAndRunId) {
    const SettingsEnvironment env{"/a", "", ""};
    EXPECT_EQ(PerUserSettingsFolder("Vornix.ini", env, "2"), "/a/Korvane/Vornix2/");
    EXPECT_EQ(PerUserSettingsFolder("a.b.c", env, ""), "/a/Korvane/a/");
    EXPECT_EQ(PerUserSettingsFolder("Vornix.ini", {}, "2"), "");
    EXPECT_EQ(SettingsFileName("Vornix"), "Vornix.ini");
    EXPECT_EQ(SettingsFileName("a.b.c"), "a.b.c");
}

TEST(SettingsFoldersTest, StartingFolderDropsOneTrailingSlashButKeepsTheRoot) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/u/Texts/", "/home/u/Texts"}, {"/home/u/Texts", "/home/u/Texts"}, {"/", "/"}, {"/a//", "/a/"}, {"", ""},
    };
    for (const auto& [given, expected] : cases) EXPECT_EQ(StartingFolder(given), expected) << given;
}

TEST(SettingsFoldersTest, RunningProgramFolderHoldsThisProgram) {
    std::string folder = RunningProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::is_regular_file(folder + program_invocation_short_name)) << folder;
}

TEST(SettingsFoldersTest, CreateOneFolderMakesOneLevelAndIgnoresFailures) {
    test::TempDir tmp;
    const std::string root = tmp.path() + "/";
    CreateOneFolder(root + "one/");
    EXPECT_TRUE(fs::is_directory(root + "one"));
    CreateOneFolder(root + "one/");  // exists already: no complaint
    EXPECT_TRUE(fs::is_directory(root + "one"));

    CreateOneFolder(root + "missing/child/");
    EXPECT_FALSE(fs::exists(root + "missing"));

    // A regular file in the way is left alone.
    tmp.write("file", "x");
    CreateOneFolder(root + "file/");
    EXPECT_TRUE(fs::is_regular_file(root + "file"));
}

}  // namespace
}  // namespace vornix
