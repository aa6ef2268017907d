#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/Errors.h"
#include "core/files/Settings.h"

using vornix::test::FileSizeLimit;

namespace vornix {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

// Like TempDir::write, but into subfolders that may not exist yet.
void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// A program folder and a per-user base folder inside one temporary folder.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        fs::create_directories(prog());
        fs::create_directories(root + "appdata");
    }

    std::string prog() const { return root + "prog/"; }
    SettingsEnvironment Env() const { return {root + "appdata", "", ""}; }
    std::string UserFolder() const { return root + "appdata/Korvane/Vornix/"; }
    std::string UserIni() const { return UserFolder() + "Vornix.ini"; }

    // Writes the per-user file and sets a settings layer up over it.
    SettingsFile LoadUserFile(const std::string& bytes) {
        WriteBytes(UserIni(), bytes);
        SettingsFile s(prog());
        EXPECT_TRUE(s.IniSetup("Vornix.ini", {}, Env()));
        return s;
    }

    test::TempDir tmp;
    const std::string root = tmp.path() + "/";
};

TEST_F(SettingsTest, LineEndsAreReadAsWrittenAndSavedAsCrLf) {
    struct Case {
        std::string file, saved;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"a=1\r\nb=2\r\n", "a=1\r\nb=2\r\n"},
        {"a=1\nb=2\n", "a=1\r\nb=2\r\n"},
        {"a=1\rb=2\r", "a=1\r\nb=2\r\n"},
        {"a=1\r\nb=2", "a=1\r\nb=2\r\n"},                // last line without a line break
        {"a=1\n\r\nb=2\r\r", "a=1\r\n\r\nb=2\r\n\r\n"},  // empty lines kept
        {"\r\n", "\r\n"},
        {"a=1\r\r\nb", "a=1\r\n\r\nb\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.file));
        SettingsFile s = LoadUserFile(c.file);
        s.IniSave();
        EXPECT_EQ(ReadFile(UserIni()), c.saved);
    }
}

TEST_F(SettingsTest, LinesItDoesNotKnowSurviveByteForByte) {
    const std::string odd = std::string("[Main]\r\n ReadCommon = y\r\nno equals sign\r\n") + "\xE9t\xE9=\x01\xFF\r\n" +
                            std::string("nul\0byte=1\r\n", 12) + "=\r\nThreshold=3\r\n";
    SettingsFile s = LoadUserFile(odd);
    s.IniPutNumber("Threshold", 4);
    s.IniPutFlag("ShowNum", true);
    s.IniSave();
    std::string expected = odd;
    expected.replace(expected.find("Threshold=3"), 11, "Threshold=4");
    EXPECT_EQ(ReadFile(UserIni()), expected + "ShowNum=y\r\n");
}

TEST_F(SettingsTest, GarbageLongLinesAndDuplicatesWithoutAFinalLineBreak) {
    // A damaged file: binary garbage, a 900 kB line (the file stays under the 1 MiB
    // that is read at most), duplicate keys, no final line break.
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256 == 10 ? 'x' : (i * 7919) % 256);
    for (char& c : garbage)
        if (c == '\r') c = 'y';
    const std::string longLine = "Note=" + std::string(900000, 'z');
    const std::string file = garbage + "\r\n" + longLine + "\r\nThreshold=5\r\nThreshold=9\r\nSepIndex=2";
    SettingsFile s = LoadUserFile(file);
    EXPECT_EQ(s.IniNumber("Threshold", 1), 5);
    EXPECT_EQ(s.IniNumber("SepIndex", 1), 2);
    EXPECT_EQ(s.IniSetting("Note").size(), std::size_t{900000});
    EXPECT_EQ(s.IniNumber("CharIndex", 0), 0);
    s.IniPutNumber("Threshold", 7);
    s.IniSave();
    std::string expected = file + "\r\n";
    expected.replace(expected.find("Threshold=5"), 11, "Threshold=7");
    EXPECT_EQ(ReadFile(UserIni()), expected);
}

TEST_F(SettingsTest, KeysMatchExactlyAtTheStartOfALine) {
    struct Case {
        std::string line, key;
        bool exists;
        std::string value;
        bool flag;
    };
    const std::vector<Case> cases = {
        {"readcommon=y", "ReadCommon", false, "", false},     {"ReadCommon = y", "ReadCommon", false, "", false},
        {" ReadCommon=y", "ReadCommon", false, "", false},    {"ReadCommon=Y", "ReadCommon", true, "Y", true},
        {"ReadCommon=y", "ReadCommon", true, "y", true},      {"ReadCommon=yes", "ReadCommon", true, "yes", false},
        {"ReadCommon= y", "ReadCommon", true, " y", false},   {"ReadCommon=", "ReadCommon", true, "", false},
        {"ThresholdX=5", "Threshold", false, "", false},      {"Threshold", "Threshold", false, "", false},
        {"OpenDir=/a=b/c", "OpenDir", true, "/a=b/c", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line + " / " + c.key);
        SettingsFile s = LoadUserFile(c.line + "\r\n");
        EXPECT_EQ(s.IniExists(c.key), c.exists);
        EXPECT_EQ(s.IniSetting(c.key), c.value);
        EXPECT_EQ(s.IniFlag(c.key), c.flag);
    }
}

TEST_F(SettingsTest, NumbersOutsideTheSyntaxOrRangeGiveTheDefault) {
    constexpr std::int32_t kDefault = 99;
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"", kDefault},
        {" 7", 7},
        {"   -12", -12},
        {"-3", -3},
        {"+4", 4},
        {"$10", 16},
        {"$ff", 255},
        {"$FF", 255},
        {"-$10", -16},
        {"7x", kDefault},
        {"7 ", kDefault},
        {"$", kDefault},
        {"-", kDefault},
        {" ", kDefault},
        {"0x10", kDefault},
        {"$fg", kDefault},
        {"+-1", kDefault},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", kDefault},
        {"-2147483649", kDefault},
        {"$7fffffff", INT32_MAX},
        {"$80000000", kDefault},
        {"-$80000000", INT32_MIN},
        {"$FFFFFFFF", kDefault},
        {"99999999999999999999", kDefault},
        {"18446744073709551621", kDefault},  // 2^64 + 5: must not wrap round to 5
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE("Threshold=" + value);
        SettingsFile s = LoadUserFile("Threshold=" + value + "\r\n");
        EXPECT_EQ(s.IniNumber("Threshold", kDefault), expected);
    }
    SettingsFile s = LoadUserFile("Other=1\r\n");
    EXPECT_EQ(s.IniNumber("Threshold", kDefault), kDefault);
}

TEST_F(SettingsTest, OnlyTheFirstOfDuplicateKeysIsReadAndWritten) {
    SettingsFile s = LoadUserFile("SepIndex=0\r\nSepIndex=2\r\n");
    EXPECT_EQ(s.IniNumber("SepIndex", 1), 0);
    s.IniPutNumber("SepIndex", 1);
    EXPECT_EQ(s.IniNumber("SepIndex", 7), 1);
    s.IniSave();
    EXPECT_EQ(ReadFile(UserIni()), "SepIndex=1\r\nSepIndex=2\r\n");
}

TEST_F(SettingsTest, FirstStartAppendsKeysInOrderOfFirstWrite) {
    SettingsFile s(prog());
    EXPECT_FALSE(s.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_TRUE(s.SettingsLines().empty());
    EXPECT_EQ(s.IniNumber("Threshold", 1), 1);
    EXPECT_EQ(s.SettingsPath(), UserIni());
    EXPECT_EQ(s.SettingsFolder(), UserFolder());

    s.IniPut("OpenDir", "/home/u/Texts");
    s.IniPutFlag("ReadCommon", true);
    s.IniPutFlag("ShowCommon", false);
    s.IniPutNumber("MainLeft", -318);
    s.IniPutFlag("ReadCommon", false);  // rewritten in place, not moved
    s.IniSave();
    EXPECT_EQ(ReadFile(UserIni()), "OpenDir=/home/u/Texts\r\nReadCommon=n\r\nShowCommon=n\r\nMainLeft=-318\r\n");

    SettingsFile again(prog());
    EXPECT_TRUE(again.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_EQ(again.IniNumber("MainLeft", 0), -318);
    EXPECT_EQ(again.IniSetting("OpenDir"), "/home/u/Texts");
}

TEST_F(SettingsTest, ALineBreakInAValueCannotInjectAnotherLine) {
    SettingsFile s = LoadUserFile("");
    s.IniPut("OpenDir", "/a\nThreshold=5");
    s.IniPut("SavePath", "/b\r\nx");
    EXPECT_EQ(s.IniSetting("OpenDir"), "/a");
    s.IniSave();
    EXPECT_EQ(ReadFile(UserIni()), "OpenDir=/a\r\nSavePath=/b\r\n");
}

TEST_F(SettingsTest, AFileBesideTheProgramIsMigratedOnce) {
    const std::string local = prog() + "Vornix.ini";
    WriteBytes(local, "Threshold=5\nOld line\n");
    SettingsFile first(prog());
    EXPECT_TRUE(first.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_EQ(first.SetupError(), "");
    EXPECT_EQ(first.IniNumber("Threshold", 1), 5);
    EXPECT_EQ(ReadFile(UserIni()), "Threshold=5\r\nOld line\r\n");
    EXPECT_EQ(ReadFile(local), "Threshold=5\nOld line\n");

    // Later runs use only the per-user copy.
    WriteBytes(local, "Threshold=9\n");
    SettingsFile second(prog());
    EXPECT_TRUE(second.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_EQ(second.IniNumber("Threshold", 1), 5);
}

TEST_F(SettingsTest, AFailedMigrationIsReportedAndTheLocalSettingsStayInUse) {
    WriteBytes(prog() + "Vornix.ini", "Threshold=5\r\n");
    WriteBytes(root + "appdata/Korvane", "a file where the folder should be");
    SettingsFile s(prog());
    EXPECT_TRUE(s.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_EQ(s.IniNumber("Threshold", 1), 5);
    EXPECT_NE(s.SetupError().find("Cannot create file " + UserIni()), std::string::npos) << s.SetupError();
    EXPECT_THROW(s.IniSave(), FileError);
}

TEST_F(SettingsTest, RunIdSelectsItsOwnFolder) {
    SettingsFile s(prog());
    EXPECT_FALSE(s.IniSetup("Vornix.ini", {"id=2"}, Env()));
    const std::string folder = root + "appdata/Korvane/Vornix2/";
    EXPECT_EQ(s.SettingsFolder(), folder);
    s.IniPutNumber("Threshold", 2);
    s.IniSave();
    EXPECT_EQ(ReadFile(folder + "Vornix.ini"), "Threshold=2\r\n");
}

TEST_F(SettingsTest, WithoutAnyFolderVariableTheFileLivesBesideTheProgram) {
    WriteBytes(prog() + "Vornix.ini", "Threshold=6\r\n");
    SettingsFile s(prog());
    EXPECT_TRUE(s.IniSetup("Vornix", {"id=2"}, SettingsEnvironment{}));
    EXPECT_EQ(s.AppDataFolder(), "");
    EXPECT_EQ(s.RunId(), "");
    EXPECT_EQ(s.SettingsFolder(), prog());
    EXPECT_EQ(s.IniNumber("Threshold", 1), 6);
    s.IniPutNumber("Threshold", 8);
    s.IniSave();
    EXPECT_EQ(ReadFile(prog() + "Vornix.ini"), "Threshold=8\r\n");
}

TEST_F(SettingsTest, HomeMappingCreatesTheMissingConfigFolder) {
    fs::create_directories(root + "home");
    SettingsFile s(prog());
    EXPECT_FALSE(s.IniSetup("Vornix.ini", {}, SettingsEnvironment{"", "", root + "home"}));
    EXPECT_EQ(s.AppDataFolder(), root + "home/.config/Korvane/");
    s.IniPutFlag("ShowNum", true);
    s.IniSave();
    EXPECT_EQ(ReadFile(root + "home/.config/Korvane/Vornix/Vornix.ini"), "ShowNum=y\r\n");
}

TEST_F(SettingsTest, AReadOnlyFileGetsOnlyTheOwnerWriteBitAndIsSaved) {
    SettingsFile s = LoadUserFile("ShowNum=n\r\n");
    ASSERT_EQ(::chmod(UserIni().c_str(), 0404), 0);
    s.IniPutFlag("ShowNum", true);
    s.IniSave();
    EXPECT_EQ(ModeOf(UserIni()), 0604u);
    EXPECT_EQ(ReadFile(UserIni()), "ShowNum=y\r\n");
}

TEST_F(SettingsTest, SavingThroughALinkReplacesTheLinkedFile) {
    const std::string real = root + "dotfiles/Vornix.ini";
    WriteBytes(real, "ShowNum=n\r\n");
    fs::create_directories(UserFolder());
    fs::create_symlink(real, UserIni());
    SettingsFile s(prog());
    ASSERT_TRUE(s.IniSetup("Vornix.ini", {}, Env()));
    s.IniPutFlag("ShowNum", true);
    s.IniSave();
    EXPECT_TRUE(fs::is_symlink(UserIni()));
    EXPECT_EQ(ReadFile(real), "ShowNum=y\r\n");
}

TEST_F(SettingsTest, AFailedSaveIsReportedAndLeavesTheOldFileIntact) {
    const std::string old = "Threshold=3\r\nKeep me\r\n";
    SettingsFile s = LoadUserFile(old);
    s.IniPut("CustomDat", std::string(20000, 'x'));
    std::string message;
    {
        FileSizeLimit limit(4096);
        try {
            s.IniSave();
        } catch (const FileError& e) {
            message = e.what();
        }
    }
    EXPECT_NE(message.find("Cannot create file " + UserIni()), std::string::npos) << message;
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(UserIni()), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(UserFolder()), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, AReadOnlyFolderMakesTheSaveFail) {
    if (test::IgnoresPermissions()) GTEST_SKIP() << test::kRootSkip;
    SettingsFile s = LoadUserFile("ShowNum=n\r\n");
    ASSERT_EQ(::chmod(UserFolder().c_str(), 0555), 0);
    s.IniPutFlag("ShowNum", true);
    EXPECT_THROW(s.IniSave(), FileError);
    EXPECT_EQ(ReadFile(UserIni()), "ShowNum=n\r\n");
}

TEST_F(SettingsTest, AnUnreadableFileIsReportedAndDefaultsApply) {
    // A folder where the file should be cannot be read, even by root.
    fs::create_directories(UserIni());
    SettingsFile s(prog());
    EXPECT_FALSE(s.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_NE(s.SetupError().find("Cannot open file " + UserIni()), std::string::npos);
    EXPECT_NE(s.SetupError().find("Is a directory"), std::string::npos) << s.SetupError();
    EXPECT_TRUE(s.SettingsLines().empty());
    EXPECT_EQ(s.IniNumber("Threshold", 1), 1);
    // What could not be read is never replaced by this run's defaults.
    s.IniPutNumber("Threshold", 9);
    EXPECT_THROW(s.IniSave(), FileError);
    EXPECT_TRUE(fs::is_directory(UserIni()));

    if (test::IgnoresPermissions()) return;  // root reads files without read permission
    fs::remove(UserIni());
    WriteBytes(UserIni(), "Threshold=5\r\n");
    ASSERT_EQ(::chmod(UserIni().c_str(), 0200), 0);
    SettingsFile t(prog());
    EXPECT_FALSE(t.IniSetup("Vornix.ini", {}, Env()));
    EXPECT_NE(t.SetupError().find("Permission denied"), std::string::npos) << t.SetupError();
    EXPECT_THROW(t.IniSave(), FileError);
    ::chmod(UserIni().c_str(), 0600);
    EXPECT_EQ(ReadFile(UserIni()), "Threshold=5\r\n");
}

TEST_F(SettingsTest, FilesThatAreNotSmallRegularFilesAreRefusedUnreadAndKept) {
    // Each would hang the start (a FIFO nobody writes) or fill memory (/dev/zero).
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "not a regular file"},
        {"a link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }, "not a regular file"},
        {"over 1 MiB", [](const std::string& p) { WriteBytes(p, std::string((1 << 20) + 1, 'x')); }, "File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(UserFolder());
        fs::create_directories(UserFolder());
        c.make(UserIni());
        const auto type = fs::symlink_status(UserIni()).type();
        SettingsFile s(prog());
        EXPECT_FALSE(s.IniSetup("Vornix.ini", {}, Env()));
        EXPECT_EQ(s.SetupError(), "Cannot open file " + UserIni() + " (" + c.reason + ")");
        s.IniPutNumber("Threshold", 9);
        EXPECT_THROW(s.IniSave(), FileError);
        EXPECT_EQ(fs::symlink_status(UserIni()).type(), type);
    }
    // Exactly 1 MiB is still read.
    fs::remove_all(UserFolder());
    SettingsFile s = LoadUserFile("Threshold=5\r\n" + std::string((1 << 20) - 13, 'x'));
    EXPECT_EQ(s.IniNumber("Threshold", 1), 5);
}

TEST_F(SettingsTest, ADanglingLinkIsKeptAndItsTargetCreated) {
    const std::string real = root + "dotfiles/Vornix.ini";
    fs::create_directories(root + "dotfiles");
    fs::create_directories(UserFolder());
    fs::create_symlink(real, UserIni());
    SettingsFile s(prog());
    s.IniSetup("Vornix.ini", {}, Env());
    s.IniPutFlag("ShowNum", true);
    s.IniSave();
    EXPECT_TRUE(fs::is_symlink(UserIni()));
    EXPECT_EQ(ReadFile(real), "ShowNum=y\r\n");
}

TEST_F(SettingsTest, ReadsBeforeSetupWarnAndCarryOn) {
    SettingsFile s(prog());
    std::vector<std::string> warnings;
    s.SetWarningCallback([&](const std::string& text) { warnings.push_back(text); });
    s.SetSetupPending(true);
    s.IniPutNumber("Threshold", 4);  // writes do not warn
    EXPECT_TRUE(s.IniExists("Threshold"));
    EXPECT_EQ(s.IniNumber("Threshold", 1), 4);
    EXPECT_FALSE(s.IniFlag("ShowNum"));
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "IniExists(Threshold) called before setup of INI file",
                            "IniSetting(Threshold) called before setup of INI file",
                            "IniSetting(ShowNum) called before setup of INI file",
                        }));
    s.IniSetup("Vornix.ini", {}, Env());
    EXPECT_FALSE(s.SetupPending());
    s.IniSetting("Threshold");
    EXPECT_EQ(warnings.size(), 3u);
}

TEST_F(SettingsTest, DefaultCommonListPrefersTheUsersCopy) {
    const std::string user = UserFolder() + "Vornix.dat";
    const std::string master = prog() + "Vornix.dat";
    const std::string installed = prog() + "../share/vornix/Vornix.dat";
    EXPECT_EQ(FindDefaultCommonList(UserFolder(), prog()), std::nullopt);
    WriteBytes(root + "share/vornix/Vornix.dat", "THE\r\n");
    EXPECT_EQ(FindDefaultCommonList(UserFolder(), prog()), installed);
    WriteBytes(master, "THE\r\n");
    EXPECT_EQ(FindDefaultCommonList(UserFolder(), prog()), master);
    WriteBytes(user, "THE\r\n");
    EXPECT_EQ(FindDefaultCommonList(UserFolder(), prog()), user);
    EXPECT_EQ(FindDefaultCommonList("", prog()), master);
}

}  // namespace
}  // namespace vornix

namespace vornix {

// "Detect Unicode documents": on when the key is missing, stored as y/n, and read back
// the same after a save and a new start.
TEST_F(SettingsTest, DetectUnicodeRoundTrip) {
    struct Case {
        std::string file;
        bool on;
    };
    for (const Case& c : std::vector<Case>{{"", true},
                                           {"DetectUnicode=y\r\n", true},
                                           {"DetectUnicode=n\r\n", false},
                                           {"DetectUnicode=N\r\n", false},
                                           {"DetectUnicode=maybe\r\n", true}}) {
        SCOPED_TRACE(c.file);
        SettingsFile s = LoadUserFile(c.file);
        EXPECT_EQ(DetectUnicodeSetting(s), c.on);
        EXPECT_EQ(EncodingChoiceFor(DetectUnicodeSetting(s)), c.on ? EncodingChoice::Auto : EncodingChoice::Bytes);
        PutDetectUnicodeSetting(s, !c.on);
        s.IniSave();
        EXPECT_NE(ReadFile(UserIni()).find(c.on ? "DetectUnicode=n\r\n" : "DetectUnicode=y\r\n"), std::string::npos);
        SettingsFile again(prog());
        again.IniSetup("Vornix.ini", {}, Env());
        EXPECT_EQ(DetectUnicodeSetting(again), !c.on);
    }
}

}  // namespace vornix
