// vornix-count --context: the concordance of one word over real files.
#include <algorithm>

#include "CountProcess.h"

TEST(ContextCli, LinesOfEveryFileInTextOrder) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "The cat sat.\r\nA cat's hat, the\rCAT\n");
    const std::string b = dir.write("b.txt", "no cats here\n\ncat");
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--no-common-list", "--context=cat", a, b},
         "a.txt\t1\tThe\tcat\tsat. A cat's hat, the CAT\n"
         "a.txt\t3\tThe cat sat. A cat's hat, the\tCAT\t\n"
         "b.txt\t3\tno cats here\tcat\t\n"},
        {{"--no-common-list", "--context=CAT", "--possessives=strip", "--width=9", a},
         "a.txt\t1\tThe\tcat\tsat. A\n"
         "a.txt\t2\tsat. A\tcat's\that, the\n"
         "a.txt\t3\that, the\tCAT\t\n"},
        // A phrase: across a line break too, but never from one file into the next.
        {{"--no-common-list", "--context=the  CAT", a, b},
         "a.txt\t1\t\tThe cat\tsat. A cat's hat, the CAT\n"
         "a.txt\t2\tThe cat sat. A cat's hat,\tthe CAT\t\n"},
        {{"--no-common-list", "--context=cat's hat", "--possessives=strip", "--width=9", a},
         "a.txt\t2\tsat. A\tcat's hat\t, the CAT\n"},
        {{"--no-common-list", "--context=caf\xC3\xA9", "--width=0", dir.write("u.txt", "un CAF\xC3\x89!")},
         "u.txt\t1\t\tCAF\xC3\x89\t\n"},
    };
    for (const Case& c : cases) {
        CountResult r = RunCount(c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

TEST(ContextCli, AWordThatDoesNotOccurFails) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "the cat");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    };
    const Case cases[] = {
        {{"--no-common-list", "--context=dog", a}, 1, "vornix-count: the word DOG does not occur in the text\n"},
        {{"--no-common-list", "--context=two words", a},
         1,
         "vornix-count: the phrase TWO WORDS does not occur in the text\n"},
        {{"--context=", a},
         2,
         "vornix-count: --context needs a value\nTry 'vornix-count --help' for more information.\n"},
        {{"--no-common-list", "--context=cat the", a, dir.write("b.txt", "the cat")},
         1,
         "vornix-count: the phrase CAT THE does not occur in the text\n"},
        {{"--context= ", a}, 1, "vornix-count: \" \" holds no word\n"},
    };
    for (const Case& c : cases) {
        CountResult r = RunCount(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    CountResult bad = RunCount({"--context=cat", "--width=wide", a});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err.substr(0, 40), "vornix-count: bad value for --width: wid");
}

// Many lines are formed in blocks on several threads: the same lines in the same order
// and with the same numbers as on one, over several files and both line ends.
TEST(ContextCli, LinesFormedOnSeveralThreadsAreThoseOfOne) {
    TempDir dir;
    std::string lf, crlf, expected;
    for (int i = 1; i <= 9000; ++i) {
        lf += "row " + std::to_string(i) + (i % 7 ? " the end\n" : " the the\n");
        expected += "a.txt\t" + std::to_string(i) + "\t\tthe\t\n";
        if (i % 7 == 0) expected += "a.txt\t" + std::to_string(i) + "\t\tthe\t\n";
    }
    for (int i = 1; i <= 4000; ++i) {
        crlf += "The " + std::to_string(i) + "\r\n";
        expected += "b.txt\t" + std::to_string(i) + "\t\tThe\t\n";
    }
    const std::string a = dir.write("a.txt", lf), b = dir.write("b.txt", crlf);
    const CountResult bare = RunCount({"--no-common-list", "--context=the", "--width=0", "--threads=3", a, b});
    EXPECT_EQ(bare.exitCode, 0) << bare.err;
    EXPECT_TRUE(bare.out == expected) << "the numbered lines differ";
    const CountResult one = RunCount({"--no-common-list", "--context=the", "--threads=1", a, b});
    for (const char* threads : {"--threads=2", "--threads=5"}) {
        const CountResult many = RunCount({"--no-common-list", "--context=the", threads, a, b});
        EXPECT_EQ(many.exitCode, 0) << many.err;
        EXPECT_TRUE(many.out == one.out) << threads;
    }
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 9000 + 9000 / 7 + 4000);
}
