// vornix-count's vocabulary rows and per-million figures, run as a real process.
#include "CountProcess.h"

TEST(CountCliStats, VocabularyRowsFollowTheCounters) {
    TempDir dir;
    const std::string list = dir.write("list.dat", "THE\nA\nOF\nAND\n");
    const std::string text = dir.write("t.txt", "The cat and the dog. Zebra apple zebra");
    const std::string rows =
        "Type/token ratio\t0.7500\n"
        "Standardised type/token ratio (per 1,000 words)\t\n"
        "Words occurring once\t4\n"
        "Words occurring twice\t2\n"
        "Mean word length (characters)\t3.75\n";
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"--stats", "--common-list=" + list, text},
         Stats(1, 4, 2, 2, 8, 6, 4, 0, "t.txt") + rows + "Longest word\tAPPLE\n"},
        // The list and the display choices change none of the new figures.
        {{"--stats", "--no-common-list", "--show-common", "--threshold=2", text},
         Stats(1, 0, 0, 0, 8, 6, 6, 0, "t.txt") + rows + "Longest word\tAPPLE\n"},
        {{"--stats", "--no-common-list", "--lower", text},
         Stats(1, 0, 0, 0, 8, 6, 6, 0, "t.txt") + rows + "Longest word\tapple\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const CountResult r = RunCount(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, c.expected);
    }
}

TEST(CountCliStats, EmptyInputLeavesTheMeasuresEmpty) {
    TempDir dir;
    const CountResult r = RunCount({"--stats", "--no-common-list", dir.write("e.txt", "")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, Stats(1, 0, 0, 0, 0, 0, 0, 0, "e.txt") +
                         "Type/token ratio\t\nStandardised type/token ratio (per 1,000 words)\t\n"
                         "Words occurring once\t0\nWords occurring twice\t0\n"
                         "Mean word length (characters)\t\nLongest word\t\n");
}

TEST(CountCliStats, PerMillionIsTheShareOfAllWordsRead) {
    TempDir dir;
    // 7 words: THE 3 (common, hidden by default), CAT 2, DOG 1, 42 1 (a number).
    const std::string text = dir.write("t.txt", "the cat the dog 42 cat the");
    const std::string list = "--common-list=" + dir.write("list.dat", "THE\n");
    ExpectTables(text, {
                           {{list, "--per-million"}, "CAT\t2\t285714.3\r\nDOG\t1\t142857.1\r\n"},
                           {{list, "--per-million", "--separator=comma", "--show-common", "--show-numbers"},
                            "THE,3,428571.4\r\nCAT,2,285714.3\r\n42,1,142857.1\r\nDOG,1,142857.1\r\n"},
                           {{list, "--per-million", "--separator=space", "--order=alphabetical", "--lower"},
                            "cat 2 285714.3\r\ndog 1 142857.1\r\n"},
                           {{list, "--per-million", "--threshold=3"}, ""},
                           {{list}, "CAT\t2\r\nDOG\t1\r\n"},
                       });
}
