#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/files/RecentDocuments.h"
#include "core/files/Settings.h"

using namespace vornix;

namespace {

DocumentSet Set(int n) {
    return {"/texts/doc" + std::to_string(n) + ".txt"};
}

}  // namespace

TEST(RecentDocuments, NewestFirstWithoutRepeatsAndAtMostEight) {
    RecentDocuments recent;
    recent.Add({});  // a run that read no document
    EXPECT_TRUE(recent.Sets().empty());
    for (int i = 1; i <= 10; ++i) recent.Add(Set(i));
    ASSERT_EQ(recent.Sets().size(), RecentDocuments::kLimit);
    EXPECT_EQ(recent.Sets().front(), Set(10));
    EXPECT_EQ(recent.Sets().back(), Set(3));  // 1 and 2 dropped out

    recent.Add(Set(5));  // read again: moves to the top, not listed twice
    EXPECT_EQ(recent.Sets()[0], Set(5));
    EXPECT_EQ(recent.Sets()[1], Set(10));
    EXPECT_EQ(recent.Sets().size(), 8u);
    EXPECT_EQ(std::count(recent.Sets().begin(), recent.Sets().end(), Set(5)), 1);

    // A set of several documents is its own entry, apart from its first document alone.
    recent.Add({"/texts/doc5.txt", "/texts/doc6.txt"});
    EXPECT_EQ(recent.Sets()[0].size(), 2u);
    EXPECT_EQ(recent.Sets()[1], Set(5));

    recent.Clear();
    EXPECT_TRUE(recent.Sets().empty());
}

TEST(RecentDocuments, PathsWithAnyByteSurviveTheSettingsValue) {
    const std::vector<DocumentSet> sets = {
        {"/a/plain.txt"},
        {"/a/tab\there.txt", "/b/line\nbreak\r.txt", "/c/100%25 real%.txt", "/d/%0A"},
        {"/e/\xE9t\xC3\xA9 \x01=x.txt", "relative.txt"},
    };
    for (const DocumentSet& set : sets) {
        const std::string value = EncodeDocumentSet(set);
        EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos);
        EXPECT_EQ(DecodeDocumentSet(value), set) << value;
    }
    EXPECT_EQ(EncodeDocumentSet({"/x/a b", "/y/c"}), "/x/a b\t/y/c");
    // Hand-edited values: stray "%" stays, empty paths are skipped, lower-case hex reads.
    EXPECT_EQ(DecodeDocumentSet("/a/50%\t\t/b/%zz%2"), (DocumentSet{"/a/50%", "/b/%zz%2"}));
    EXPECT_EQ(DecodeDocumentSet("/a/%0a"), (DocumentSet{"/a/\n"}));
    EXPECT_TRUE(DecodeDocumentSet("").empty());
}

TEST(RecentDocuments, MissingFilesAndMenuTexts) {
    test::TempDir dir;
    const std::string a = dir.write("a.txt", "x"), b = dir.write("b.txt", "y");
    EXPECT_TRUE(DocumentSetAvailable({a, b}));
    EXPECT_FALSE(DocumentSetAvailable({a, dir.file("gone.txt")}));
    EXPECT_FALSE(DocumentSetAvailable({dir.path()}));  // a folder is no document
    EXPECT_EQ(DocumentSetLabel({a}), "a.txt");
    EXPECT_EQ(DocumentSetLabel({a, b, "/z/c.txt"}), "a.txt and 2 more");
}

TEST(RecentDocuments, KeptInTheSettingsFileAcrossARestart) {
    test::TempDir dir;
    const std::string prog = dir.path() + "/prog/";
    std::filesystem::create_directories(prog);
    std::filesystem::create_directories(dir.path() + "/appdata");
    const SettingsEnvironment env{dir.path() + "/appdata", "", ""};
    auto open = [&] {
        SettingsFile s(prog);
        s.IniSetup("Vornix.ini", {}, env);
        return s;
    };
    {
        SettingsFile s = open();
        RecentDocuments recent;
        recent.Save(s);  // never used: no key at all
        EXPECT_FALSE(s.IniExists("Recent1"));
        for (int i = 1; i <= 3; ++i) recent.Add(Set(i));
        recent.Add({"/t/a\tb.txt", "/t/c.txt"});
        recent.Save(s);
        s.IniSave();
    }
    {
        SettingsFile s = open();
        RecentDocuments recent;
        recent.Load(s);
        ASSERT_EQ(recent.Sets().size(), 4u);
        EXPECT_EQ(recent.Sets()[0], (DocumentSet{"/t/a\tb.txt", "/t/c.txt"}));
        EXPECT_EQ(recent.Sets()[3], Set(1));
        recent.Clear();
        recent.Add(Set(9));
        recent.Save(s);
        s.IniSave();
    }
    SettingsFile s = open();
    RecentDocuments recent;
    recent.Load(s);
    EXPECT_EQ(recent.Sets(), std::vector<DocumentSet>{Set(9)});
    EXPECT_EQ(s.IniSetting("Recent4"), "");
}
