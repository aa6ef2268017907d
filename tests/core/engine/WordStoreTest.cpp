#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/Errors.h"
#include "core/engine/WordFileName.h"
#include "core/engine/WordStore.h"

using namespace vornix;
using vornix::test::TempDir;

namespace {

struct StoreFixture : ::testing::Test {
    TempDir dir;
    RunState state;
    WordStore store{dir.file("Vornix.$$$"), state};
    void SetUp() override { store.ClearStore(); }

    std::vector<std::string> Alphabetical() {
        std::vector<std::string> out;
        const auto& index = store.AlphaIndex();
        for (std::int32_t p = 1; p <= store.WordCount(); ++p) out.emplace_back(store.ReadWordRecord(index[p]).Text());
        return out;
    }
};

std::string Record(std::string_view word, int common, int number) {
    std::string r(43, '\0');
    r[0] = static_cast<char>(word.size());
    std::memcpy(r.data() + 1, word.data(), word.size());
    r[41] = static_cast<char>(common);
    r[42] = static_cast<char>(number);
    return r;
}

// Two words, a prefix of k letters followed by suffixA or suffixB, that fall in the same
// home slot of any hash table of up to 65,536 slots and carry the same hash tag in a
// store of the largest limit (5 tag bits), so that only the words themselves tell them
// apart: found by trying prefixes in turn.
std::pair<std::string, std::string> SameSlotAndTag(std::size_t k, std::string_view suffixA, std::string_view suffixB) {
    char a[WordStore::MaxWordBytes] = {};
    char b[WordStore::MaxWordBytes] = {};
    std::memcpy(a + k, suffixA.data(), suffixA.size());
    std::memcpy(b + k, suffixB.data(), suffixB.size());
    for (std::uint64_t i = 0;; ++i) {
        std::uint64_t n = i;
        for (std::size_t j = 0; j < k; ++j, n /= 26) a[j] = b[j] = static_cast<char>('A' + n % 26);
        const std::uint64_t apart = HashPadded(a, k + suffixA.size()) ^ HashPadded(b, k + suffixB.size());
        if ((apart & 0xFFFF) == 0 && (apart >> 59) == 0)
            return {std::string(a, k + suffixA.size()), std::string(b, k + suffixB.size())};
    }
}

}  // namespace

TEST_F(StoreFixture, RecordFileHoldsFixedRecordsInFirstMetOrder) {
    state.ReadingCommon = true;
    state.Increment = 0;
    store.AddWord("THE");
    state.ReadingCommon = false;
    state.Increment = 1;
    store.AddWord("1984");
    store.AddWord("ZEBRA");
    store.AddWord("THE");
    store.AddWord(std::string(40, 'W'));
    store.FinishScan();

    const std::string expected =
        Record("THE", 1, 0) + Record("1984", 0, 1) + Record("ZEBRA", 0, 0) + Record(std::string(40, 'W'), 0, 0);
    EXPECT_EQ(vornix::test::ReadFile(store.WordFilePath()), expected);
    EXPECT_EQ(store.WordCount(), 4);
    EXPECT_EQ(store.Count(0), 1);
    EXPECT_EQ(store.Count(1), 1);
    EXPECT_EQ(store.Length(3), 40);
}

TEST_F(StoreFixture, AlphabeticalIndexIsUnsignedByteOrder) {
    for (const char* w : {"CATS", "CAT'S", "CAT", "_X", "A", "9", ".5", "'", "ZZ", "CA"}) store.AddWord(w);
    EXPECT_EQ(Alphabetical(),
              (std::vector<std::string>{"'", ".5", "9", "A", "CA", "CAT", "CAT'S", "CATS", "ZZ", "_X"}));
    // The first word met keeps record number 0 whatever its place.
    EXPECT_EQ(std::string(store.ReadWordRecord(0).Text()), "CATS");
}

TEST_F(StoreFixture, FindWordGivesPositionOrInsertionPlace) {
    for (const char* w : {"DOG", "BAT", "FOX"}) store.AddWord(w);
    std::int32_t pos = 0;
    EXPECT_TRUE(store.FindWord("DOG", pos));
    EXPECT_EQ(pos, 2);
    EXPECT_TRUE(store.WordFound);
    EXPECT_FALSE(store.FindWord("AAA", pos));
    EXPECT_EQ(pos, 1);
    EXPECT_FALSE(store.FindWord("CAT", pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(store.FindWord("ZOO", pos));
    EXPECT_EQ(pos, 4);
    // A word added after a lookup is found too: the index follows new words.
    store.AddWord("AAA");
    EXPECT_TRUE(store.FindWord("AAA", pos));
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(store.AlphaIndex()[1], 3);
}

TEST_F(StoreFixture, EmptyStoreFindsNothingAtPositionOne) {
    std::int32_t pos = 99;
    EXPECT_FALSE(store.FindWord("ANY", pos));
    EXPECT_EQ(pos, 1);
}

TEST_F(StoreFixture, CommonWordsCountFromZeroAndUnusedFallsOnce) {
    state.ReadingCommon = true;
    state.Increment = 0;
    store.AddWord("THE");
    store.AddWord("THE");  // a repeat in the list leaves the count at 0
    store.AddWord("2001");
    EXPECT_EQ(store.Count(0), 0);
    state.ReadingCommon = false;
    state.Increment = 1;
    state.CommonUnused = store.WordCount();
    state.UniqueNumbers = 0;
    for (int i = 0; i < 3; ++i) store.AddWord("THE");
    store.AddWord("2001");  // a number already in the store is not a new number
    store.AddWord("42");
    EXPECT_EQ(store.Count(0), 3);
    EXPECT_EQ(store.ReadWordRecord(0).Common, 1);
    EXPECT_EQ(state.CommonUnused, 0);
    EXPECT_EQ(state.UniqueNumbers, 1);
    EXPECT_EQ(store.ReadWordRecord(2).Common, 0);
}

TEST_F(StoreFixture, NumberFlagFollowsTheFirstCharacter) {
    for (const char* w : {"1984", "3.14", "B52", "A1", "_9"}) store.AddWord(w);
    const int expected[] = {1, 1, 0, 0, 0};
    for (int n = 0; n < 5; ++n) EXPECT_EQ(store.ReadWordRecord(n).Number, expected[n]) << n;
    EXPECT_EQ(state.UniqueNumbers, 2);
}

TEST_F(StoreFixture, RewritingARecordKeepsItsNumber) {
    store.AddWord("THE");
    store.AddWord("CAT");
    std::int32_t pos = 0;
    ASSERT_TRUE(store.FindWord("THE", pos));
    const std::int32_t rec = store.AlphaIndex()[pos];
    store.ReadWordRecord(rec);
    store.CurrentRec.Common = 1;
    store.WriteWordRecord(rec);
    store.FinishScan();
    EXPECT_EQ(vornix::test::ReadFile(store.WordFilePath()), Record("THE", 1, 0) + Record("CAT", 0, 0));
}

TEST_F(StoreFixture, ClearStoreEmptiesEverything) {
    store.AddWord("ONE");
    store.FinishScan();
    store.ClearStore();
    EXPECT_EQ(store.WordCount(), 0);
    EXPECT_EQ(vornix::test::ReadFile(store.WordFilePath()), "");
    store.AddWord("TWO");
    EXPECT_EQ(store.Count(0), 1);
    std::int32_t pos = 0;
    EXPECT_FALSE(store.FindWord("ONE", pos));
}

TEST_F(StoreFixture, StopsAtTheWordLimitKeepingEveryWord) {
    char word[8] = {};
    auto make = [&](int i) {
        for (int k = 5; k >= 0; --k) {
            word[k] = static_cast<char>('A' + i % 26);
            i /= 26;
        }
        return std::string_view(word, 6);
    };
    for (int i = 0; i < WordStore::DefaultMaxWords - 1; ++i) store.AddWord(make(i));
    EXPECT_FALSE(state.StopRun);
    store.AddWord(make(WordStore::DefaultMaxWords - 1));
    EXPECT_TRUE(state.StopRun);
    EXPECT_EQ(store.WordCount(), WordStore::DefaultMaxWords);
    // A full store takes no new word but still counts a known one.
    store.AddWord("NEWONE");
    store.AddWord(make(7));
    EXPECT_EQ(store.WordCount(), WordStore::DefaultMaxWords);
    EXPECT_EQ(store.Count(7), 2);
    store.FinishScan();
    const auto& index = store.AlphaIndex();
    EXPECT_EQ(index[1], 0);
    EXPECT_EQ(index[WordStore::DefaultMaxWords], WordStore::DefaultMaxWords - 1);
    EXPECT_EQ(vornix::test::ReadFile(store.WordFilePath()).size(), 43u * WordStore::DefaultMaxWords);
}

TEST(WordStoreFailure, UncreatableRecordFileIsAnErrorNamingTheFile) {
    TempDir dir;
    RunState state;
    WordStore store(dir.file("missing-folder/Vornix.$$$"), state);
    try {
        store.ClearStore();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file " + dir.file("missing-folder/Vornix.$$$")),
                  std::string::npos);
        EXPECT_EQ(e.Code(), ENOENT);  // a failed save shows "File not found" from it
    }
}

TEST(WordStoreFailure, FullDiskEndsWithAnErrorAndNoHalfWrittenWord) {
    TempDir dir;
    RunState state;
    WordStore store(dir.file("Vornix.$$$"), state);
    store.ClearStore();
    store.AddWord("FIRST");

    // A file-size limit stands in for a full disk: the record file cannot grow past
    // its first reservation.
    std::string failure;
    int code = 0;
    std::int32_t added = 0;
    {
        vornix::test::FileSizeLimit limit(43 * 20000);
        try {
            for (int i = 0; i < 40000; ++i) {
                store.AddWord("W" + std::to_string(i));
                ++added;
            }
        } catch (const FileError& e) {
            failure = e.what();
            code = e.Code();
        }
    }

    EXPECT_NE(failure.find("Cannot write file " + store.WordFilePath()), std::string::npos) << failure;
    EXPECT_TRUE(code == EFBIG || code == ENOSPC) << code;
    EXPECT_EQ(store.WordCount(), added + 1);
    // Every word the store admits to is readable and findable.
    std::int32_t pos = 0;
    EXPECT_TRUE(store.FindWord("W" + std::to_string(added - 1), pos));
    EXPECT_FALSE(store.FindWord("W" + std::to_string(added), pos));
    std::string last = "W" + std::to_string(added - 1);
    EXPECT_EQ(store.ReadWordRecord(added).Text(), last);
}

TEST(WordStoreLifetime, RecordFileIsDeletedWithTheStore) {
    TempDir dir;
    RunState state;
    const std::string path = dir.file("Vornix.$$$");
    std::string created;
    {
        WordStore never(path, state);  // no run: nothing created, nothing deleted
    }
    EXPECT_FALSE(vornix::test::FileExists(path));
    {
        WordStore store(path, state);
        store.ClearStore();
        store.AddWord("X");
        created = store.WordFilePath();
        EXPECT_NE(created, path);  // a random tag is added
        EXPECT_TRUE(vornix::test::FileExists(created));
    }
    EXPECT_FALSE(vornix::test::FileExists(created));
}

TEST(WordFileNames, EachProcessHasItsOwnAndDeadOnesAreCleared) {
    TempDir dir;
    const std::string folder = dir.path() + "/";
    EXPECT_EQ(WordFilePathFor(folder, 42), folder + "Vornix-42.$$$");
    const std::string mine = WordFilePathFor(folder, ::getpid());
    const std::string parent = WordFilePathFor(folder, ::getppid());
    // A pid far above the system's limit belongs to no process.
    const std::string dead = WordFilePathFor(folder, 99999999);
    for (const std::string& p : {mine, parent, dead}) dir.write(p.substr(folder.size()), "x");
    dir.write("Vornix.$$$", "kept: not a per-process name");
    dir.write("Vornix-12ab.$$$", "kept: not a pid");
    EXPECT_EQ(RemoveStaleWordFiles(folder), 1);
    EXPECT_TRUE(vornix::test::FileExists(mine));
    EXPECT_TRUE(vornix::test::FileExists(parent));
    EXPECT_FALSE(vornix::test::FileExists(dead));
    EXPECT_TRUE(vornix::test::FileExists(folder + "Vornix.$$$"));
    EXPECT_TRUE(vornix::test::FileExists(folder + "Vornix-12ab.$$$"));
}

TEST_F(StoreFixture, ReusedStoreForgetsEveryWordOfEarlierRuns) {
    // Small runs empty the word index slot by slot, large ones whole; after either,
    // no earlier word may be found or counted again.
    for (int words : {3, 70000, 500, 0, 20}) {
        for (int i = 0; i < words; ++i) store.AddWord("R" + std::to_string(words) + "W" + std::to_string(i));
        for (int i = 0; i < words; i += 7) store.AddWord("R" + std::to_string(words) + "W" + std::to_string(i));
        ASSERT_EQ(store.WordCount(), words);
        for (int i = 0; i < words; i += 997) EXPECT_EQ(store.Count(i), i % 7 == 0 ? 2 : 1);
        store.FinishScan();
        store.ClearStore();
        EXPECT_EQ(store.WordCount(), 0);
        store.AddWord("R" + std::to_string(words) + "W0");
        EXPECT_EQ(store.WordCount(), 1) << "a word of the earlier run was still indexed";
        EXPECT_EQ(store.Count(0), 1);
        // The arrays hold this run's words only: nothing of the earlier run is left.
        EXPECT_EQ(store.Counts().size(), 1u);
        EXPECT_EQ(store.Lengths().size(), 1u);
        store.ClearStore();
    }
}

TEST(WordFileSafety, PlantedFilesAndLinksAtLikelyNamesAreLeftAlone) {
    // Another user who guesses the record file's name plants a link to a file of the
    // victim's, or a hard link through which to read the victim's words.
    TempDir dir;
    const std::string folder = dir.path() + "/";
    const std::string victim = dir.write("victim", "precious");
    const std::string asked = WordFilePathFor(folder, ::getpid());
    const std::vector<std::string> planted{asked, folder + "Vornix-" + std::to_string(::getpid() + 1) + ".$$$"};
    for (bool anonymous : {false, true}) {
        for (bool symbolic : {true, false}) {
            SCOPED_TRACE(std::string(anonymous ? "nameless " : "named ") + (symbolic ? "symlink" : "hard link"));
            for (const std::string& p : planted) {
                ::unlink(p.c_str());
                ASSERT_EQ(symbolic ? ::symlink(victim.c_str(), p.c_str()) : ::link(victim.c_str(), p.c_str()), 0);
            }
            RunState state;
            {
                WordStore store(asked, state, anonymous);
                store.ClearStore();
                for (int i = 0; i < 1000; ++i) store.AddWord("SECRET" + std::to_string(i));
                store.FinishScan();
                EXPECT_EQ(store.WordCount(), 1000);
                if (!anonymous) {
                    EXPECT_NE(store.WordFilePath(), asked);
                    struct stat info {};
                    ASSERT_EQ(::lstat(store.WordFilePath().c_str(), &info), 0);
                    EXPECT_EQ(info.st_mode & 07777, 0600u);
                    EXPECT_EQ(info.st_nlink, 1u);
                }
            }
            EXPECT_EQ(vornix::test::ReadFile(victim), "precious");
            for (const std::string& p : planted) {
                struct stat info {};
                ASSERT_EQ(::lstat(p.c_str(), &info), 0);
                EXPECT_EQ(S_ISLNK(info.st_mode), symbolic);
                EXPECT_EQ(vornix::test::ReadFile(p), "precious");
            }
        }
    }
    // Only the planted files and the victim are left: nothing of the runs stayed.
    int entries = 0;
    for (DIR* d = ::opendir(dir.path().c_str()); d;) {
        dirent* e = ::readdir(d);
        if (!e) {
            ::closedir(d);
            break;
        }
        if (e->d_name[0] != '.') ++entries;
    }
    EXPECT_EQ(entries, 3);
}

TEST(WordFileSafety, ARecordFileTruncatedUnderTheRunIsAnErrorNotASignal) {
    // Whether the next access is a new record or only a reading of old ones, the lost
    // part reads as zeros and the store reports it.
    for (bool newWords : {true, false}) {
        SCOPED_TRACE(newWords ? "new words after the truncation" : "only known words after it");
        TempDir dir;
        RunState state;
        WordStore store(dir.file("Vornix.$$$"), state);
        store.ClearStore();
        for (int i = 0; i < 5000; ++i) store.AddWord("WORD" + std::to_string(i));
        ASSERT_EQ(::truncate(store.WordFilePath().c_str(), 0), 0);
        std::string failure;
        try {
            for (int i = 0; i < 5000; ++i) store.AddWord((newWords ? "NEW" : "WORD") + std::to_string(i));
            store.FinishScan();
        } catch (const FileError& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, "Cannot read file " + store.WordFilePath() + " (it was truncated by another program)");
        // A fresh run starts with a whole file again.
        store.ClearStore();
        store.AddWord("AGAIN");
        store.FinishScan();
        EXPECT_NO_THROW(store.CheckWordFile());
        EXPECT_EQ(vornix::test::ReadFile(store.WordFilePath()), Record("AGAIN", 0, 0));
    }
}

TEST(WordFileNames, OnlyOwnRegularFilesInAPrivateFolderAreCleared) {
    TempDir dir;
    const std::string folder = dir.path() + "/";
    const std::string dead = folder + "Vornix-99999999-abc123.$$$";
    const std::string victim = dir.write("victim", "kept");
    dir.write(dead.substr(folder.size()), "x");
    ASSERT_EQ(::symlink(victim.c_str(), (folder + "Vornix-99999998.$$$").c_str()), 0);
    dir.write("Vornix-99999997-ABC.$$$", "kept: not a tag of ours");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    EXPECT_EQ(RemoveStaleWordFiles(folder), 0);  // a shared folder: nothing is anyone's
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(RemoveStaleWordFiles(folder), 1);
    EXPECT_FALSE(vornix::test::FileExists(dead));
    EXPECT_TRUE(vornix::test::FileExists(folder + "Vornix-99999998.$$$"));
    EXPECT_TRUE(vornix::test::FileExists(folder + "Vornix-99999997-ABC.$$$"));
    EXPECT_EQ(vornix::test::ReadFile(victim), "kept");
}

TEST(WideWordStore, WordsAlikeInTheirFirstBytesStayApartAcrossGrowthAndRebuild) {
    using namespace std::string_literals;
    TempDir dir;
    RunState state;
    WordStore store(dir.file("Vornix.$$$"), state);
    store.SetWide(true);
    store.SetMaxWords(WordStore::MostMaxWords);  // the fewest tag bits in a slot
    store.ClearStore();
    const auto [eightA, nineB] = SameSlotAndTag(7, "X", "XZ");
    const auto [sixA, zeroB] = SameSlotAndTag(6, "", "\0"s);
    const std::string han40 = [] {
        std::string s;
        for (int i = 0; i < 40; ++i) s += "中";
        return s;
    }();
    // Groups of words that the first eight bytes, or the length, alone would confuse.
    const std::vector<std::vector<std::string>> groups = {
        {"A", "AA", "AAAAAAA", "AAAAAAAA", "AAAAAAAAA"},           // only in length
        {"ABCDEFG", "ABCDEFGH", "ABCDEFGHI", "ABCDEFGHIJKLMNOP"},  // each a prefix of the next
        {"ABCDEFGX", "ABCDEFGY", "ABCDEFGXQ", "ABCDEFGYQ"},        // only in byte 8
        {"ABCDEFGHX", "ABCDEFGHY", std::string(39, 'W') + "X", std::string(39, 'W') + "Y"},  // after byte 8
        {"ΟΔΟ", "ΟΔΟΣ", "ΟΔΟΥ", "ΟΔΟΣΣ"},  // two-byte letters: ΟΔΟΣ and ΟΔΟΥ differ in byte 8 only
        {han40, han40.substr(0, 117) + "丫", han40.substr(0, 117)},  // 120 bytes, the last differing
        {"AB", "AB\0"s, "AB\0\0"s, "A\0B"s, "A"},                    // zero bytes inside a word
        // The same kinds again, where the hash index cannot tell them apart.
        {eightA, nineB, sixA, zeroB},
    };

    std::map<std::string, std::pair<std::int32_t, std::int32_t>> expected;  // record, count
    auto add = [&](const std::string& word) {
        auto [it, fresh] = expected.try_emplace(word, static_cast<std::int32_t>(expected.size()), 0);
        ++it->second.second;
        ASSERT_TRUE(store.AddWord(word));
        ASSERT_EQ(store.LastRecord(), it->second.first) << word;
    };
    auto addGroups = [&](bool reversed) {
        for (const auto& group : groups)
            for (std::size_t i = 0; i < group.size(); ++i) add(reversed ? group[group.size() - 1 - i] : group[i]);
    };

    // Before the table first doubles (at 2,560 words), across two doublings, and after
    // the index was given back and built again.
    addGroups(false);
    for (int i = 0; i < 6000; ++i) add("F" + std::to_string(i));
    addGroups(true);
    for (int i = 0; i < 6000; i += 3) add("F" + std::to_string(i));
    store.FinishScan();
    addGroups(false);
    for (const char* late : {"ABCDEFGZ", "AAAAAA", "ΟΔΟΦ"}) add(late);
    addGroups(true);

    ASSERT_EQ(store.WordCount(), static_cast<std::int32_t>(expected.size()));
    for (const auto& [word, want] : expected) {
        EXPECT_EQ(store.Count(want.first), want.second) << word;
        EXPECT_EQ(std::string(store.ReadWordRecord(want.first).Text()), word);
        char padded[WordStore::MaxWordBytes] = {};
        std::memcpy(padded, word.data(), word.size());
        EXPECT_EQ(store.FindPadded(padded, word.size(), HashPadded(padded, word.size())), want.first) << word;
    }
    for (const std::string& absent : {"ABCDEFGW"s, "AAAA"s, "AB\0\0\0"s, "A\0"s, "ΟΔΟΣΥ"s, han40.substr(0, 114)}) {
        char padded[WordStore::MaxWordBytes] = {};
        std::memcpy(padded, absent.data(), absent.size());
        EXPECT_EQ(store.FindPadded(padded, absent.size(), HashPadded(padded, absent.size())), -1) << absent;
    }
}
