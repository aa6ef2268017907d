#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"

using namespace vornix;
using vornix::test::TempDir;

namespace {

struct RunFixture : ::testing::Test {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};

    std::int32_t CountOf(std::string_view word) {
        std::int32_t pos = 0;
        if (!run.Store().FindWord(word, pos)) return -1;
        return run.Store().Count(run.Store().AlphaIndex()[pos]);
    }
};

}  // namespace

TEST_F(RunFixture, CommonListAndOneDocumentGiveTheStatistics) {
    const std::string list = dir.write("list.dat", "THE\r\nA\r\nOF\r\nAND\r\n");
    const std::string doc = dir.write("doc.txt", "The cat and the dog");
    run.GeneralInitialize(CharacterSet::Windows, &list);
    run.ReadDocuments({doc}, false);
    run.GeneralClosedown();
    const RunStats s = run.Stats();
    EXPECT_EQ(s.FileCount, 1);
    EXPECT_EQ(s.CommonWords, 4);
    EXPECT_EQ(s.CommonFound, 2);
    EXPECT_EQ(s.CommonUnused, 2);
    EXPECT_EQ(s.TotalWords, 5);
    EXPECT_EQ(s.UniqueWords, 4);
    EXPECT_EQ(s.UniqueNonCommon, 2);
    EXPECT_EQ(s.UniqueNumbers, 0);
    EXPECT_EQ(run.FileList(), std::vector<std::string>{"doc.txt"});
}

TEST_F(RunFixture, WithoutAListNothingIsCommon) {
    const std::string doc = dir.write("doc.txt", "the 7 the 7 8");
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({doc}, false);
    run.GeneralClosedown();
    const RunStats s = run.Stats();
    EXPECT_EQ(s.CommonWords, 0);
    EXPECT_EQ(s.CommonFound, 0);
    EXPECT_EQ(s.CommonUnused, 0);
    EXPECT_EQ(s.UniqueNumbers, 2);
    EXPECT_EQ(s.TotalWords, 5);
    for (std::int32_t n = 0; n < run.Store().WordCount(); ++n) EXPECT_EQ(run.Store().ReadWordRecord(n).Common, 0);
}

TEST_F(RunFixture, ListIsReadWithPossessivesKeptAndNumbersNotCounted) {
    const std::string list = dir.write("list.dat", "cat's 1999\n");
    const std::string doc = dir.write("doc.txt", "Cat's 1999 dog's");
    run.GeneralInitialize(CharacterSet::Windows, &list);
    EXPECT_EQ(run.State().UniqueNumbers, 0);
    EXPECT_EQ(run.State().TotalWords, 0);
    run.ReadDocuments({doc}, true);
    run.GeneralClosedown();
    EXPECT_EQ(CountOf("CAT'S"), 0);  // the list kept the ending...
    EXPECT_EQ(CountOf("CAT"), 1);    // ...the document lost it
    EXPECT_EQ(CountOf("DOG"), 1);
    EXPECT_EQ(CountOf("1999"), 1);
    EXPECT_EQ(run.State().UniqueNumbers, 0);
}

TEST_F(RunFixture, ListUsesTheRunsCharacterSet) {
    const std::string list = dir.write("list.dat", "na\xEFve\n");
    const std::string doc = dir.write("doc.txt", "na\xEFve");
    run.GeneralInitialize(CharacterSet::Dos, &list);
    run.ReadDocuments({doc}, false);
    run.GeneralClosedown();
    EXPECT_EQ(CountOf("NA"), 1);
    EXPECT_EQ(CountOf("VE"), 1);
    EXPECT_EQ(run.Stats().CommonFound, 2);
}

TEST_F(RunFixture, DocumentsAreReportedInOrderAndNamesSortedWithoutFolders) {
    const std::string b = dir.write("beta.txt", "b");
    const std::string a = dir.write("Alpha.txt", "a");
    const std::string c = dir.write("charlie.txt", "c");
    std::vector<std::string> status;
    run.Hooks().showStatus = [&](const std::string& s) { status.push_back(s); };
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({b, a, c}, false);
    run.GeneralClosedown();
    EXPECT_EQ(status, (std::vector<std::string>{"Reading " + b + " (1 of 3)", "Reading " + a + " (2 of 3)",
                                                "Reading " + c + " (3 of 3)", "Calculating word-frequency table ..."}));
    EXPECT_EQ(run.FileList(), (std::vector<std::string>{"Alpha.txt", "beta.txt", "charlie.txt"}));
    EXPECT_EQ(run.Stats().FileCount, 3);
}

TEST_F(RunFixture, ProgressEveryHundredWordsAndBreakStopsTheRun) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "w" + std::to_string(i % 300) + " ";
    const std::string first = dir.write("first.txt", text);
    const std::string second = dir.write("second.txt", text);
    const std::string third = dir.write("third.txt", text);
    std::vector<std::string> progress;
    int asked = 0;
    bool answer = false;
    run.Hooks().showProgress = [&] {
        progress.push_back(run.ProgressText());
        // The user chooses Break during the second document.
        if (run.State().FilesRead == 2 && run.State().TotalWords == 1200) run.State().BreakRequested = true;
        if (run.State().FilesRead == 2 && run.State().TotalWords == 1500) {
            run.State().BreakRequested = true;
            answer = true;
        }
    };
    run.Hooks().confirmStop = [&] {
        ++asked;
        return answer;
    };
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({first, second, third}, false);
    run.GeneralClosedown();
    EXPECT_EQ(asked, 2);  // No once, then Yes
    EXPECT_EQ(run.State().TotalWords, 1500);
    EXPECT_EQ(run.Stats().FileCount, 2);
    ASSERT_EQ(progress.size(), 15u);
    EXPECT_EQ(progress[0], "Words 100 ... Unique 100");
    EXPECT_EQ(progress[11], "Words 1200 ... Unique 300");
    EXPECT_EQ(run.FileList(), (std::vector<std::string>{"first.txt", "second.txt"}));
    // The orders are built from what was read.
    EXPECT_EQ(run.Orders().FreqIndex[1], run.Store().AlphaIndex()[1]);
}

TEST_F(RunFixture, RegularFilesOnlyRefusesPipesDevicesAndFoldersWithoutWaiting) {
    // A pipe nobody writes to would block open() for ever; a device would never end.
    const std::string pipe = dir.file("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string good = dir.write("good.txt", "alpha beta");
    run.SetRegularFilesOnly(true);
    for (const std::string& path : {pipe, std::string("/dev/zero"), dir.path()}) {
        run.GeneralInitialize(CharacterSet::Windows, nullptr);
        try {
            run.ReadDocuments({good, path}, false);
            ADD_FAILURE() << "no error for " << path;
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file " + path + " (not a regular file)");
        }
        run.GeneralClosedown();
        EXPECT_EQ(run.Store().WordCount(), 2) << path;
        EXPECT_EQ(run.Inputs().size(), 1u) << path;
    }
    // A link to a regular file is still read.
    const std::string link = dir.file("link.txt");
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({link}, false);
    run.GeneralClosedown();
    EXPECT_EQ(run.Store().WordCount(), 2);
}

TEST_F(RunFixture, ADocumentChangedWhileItIsReadFailsTheRun) {
    // The change is made from the progress hook, in the middle of the reading: by one
    // thread (every hundred words) and by four (after each merged chunk).
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "w" + std::to_string(i % 997) + " ";
    enum Change { Append, Truncate, Rewrite, None };
    for (unsigned threads : {1u, 4u}) {
        for (Change change : {Append, Truncate, Rewrite, None}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, change " + std::to_string(change));
            const std::string doc = dir.write("doc.txt", text);
            const std::string after = dir.write("after.txt", "alpha");
            run.SetThreads(threads);
            run.SetChunkBytes(4096);
            bool changed = false;
            run.Hooks().showProgress = [&] {
                if (changed || change == None) return;
                changed = true;
                const int fd = ::open(doc.c_str(), change == Append ? O_WRONLY | O_APPEND : O_WRONLY);
                ASSERT_GE(fd, 0);
                if (change == Append) ASSERT_EQ(::write(fd, "more ", 5), 5);
                if (change == Truncate) ASSERT_EQ(::ftruncate(fd, 100), 0);
                if (change == Rewrite) {  // the same size, written over: only the time tells
                    ASSERT_EQ(::pwrite(fd, "x", 1, 0), 1);
                    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
                    ASSERT_EQ(::futimens(fd, times), 0);
                }
                ::close(fd);
            };
            run.GeneralInitialize(CharacterSet::Windows, nullptr);
            try {
                run.ReadDocuments({doc, after}, false);
                EXPECT_EQ(change, None) << "no error";
            } catch (const FileError& e) {
                EXPECT_NE(change, None);
                EXPECT_EQ(std::string(e.what()), "The file " + doc + " changed while it was read");
            }
            run.GeneralClosedown();
            run.Hooks().showProgress = nullptr;
            EXPECT_EQ(CountOf("ALPHA"), change == None ? 1 : -1);  // the run ends there
        }
    }
}

TEST_F(RunFixture, UnopenableDocumentRaisesAfterTheWordsBeforeIt) {
    const std::string good = dir.write("good.txt", "alpha beta");
    const std::string missing = dir.file("missing.txt");
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    try {
        run.ReadDocuments({good, missing, good}, false);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing + " (No such file or directory)");
        EXPECT_EQ(e.Code(), ENOENT);
    }
    run.GeneralClosedown();
    EXPECT_EQ(run.Store().WordCount(), 2);
    EXPECT_EQ(run.Stats().TotalWords, 2);
}

TEST_F(RunFixture, FolderGivenAsADocumentCannotBeOpened) {
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    EXPECT_THROW(run.ReadDocuments({dir.path()}, false), FileError);
}

TEST_F(RunFixture, MissingCommonListRaises) {
    const std::string list = dir.file("gone.dat");
    try {
        run.GeneralInitialize(CharacterSet::Windows, &list);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + list + " (No such file or directory)");
    }
}

TEST_F(RunFixture, TextInMemoryIsNamedAndCounted) {
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.State().FilesRead = 1;
    run.VornixText("one two\r\nthree", "Clipboard", false);
    run.GeneralClosedown();
    EXPECT_EQ(run.FileList(), std::vector<std::string>{"Clipboard"});
    EXPECT_EQ(run.Stats().TotalWords, 3);
}

TEST_F(RunFixture, EmptyInputGivesEmptyResult) {
    const std::string empty = dir.write("empty.txt", "");
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({empty}, false);
    run.GeneralClosedown();
    EXPECT_EQ(run.Store().WordCount(), 0);
    EXPECT_EQ(run.Orders().FreqIndex[1], 0);
}

TEST(FileNames, SortCaseInsensitively) {
    EXPECT_TRUE(FileNameLess("apple", "Banana"));
    EXPECT_TRUE(FileNameLess("Apple", "banana"));
    EXPECT_FALSE(FileNameLess("b", "A"));
    EXPECT_TRUE(FileNameLess("ab", "ABC"));
    EXPECT_TRUE(FileNameLess("A", "a"));  // ties broken byte-wise, so the order is total
    EXPECT_EQ(LimitMessage(WordStore::DefaultMaxWords), "Reached unique-words limit 500000: cannot read more.");
}
