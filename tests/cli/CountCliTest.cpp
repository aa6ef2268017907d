// vornix-count run as a real process over real files: arguments in, exact bytes out.
#include "CountProcess.h"

TEST(CountCli, LineFormatPerSeparatorAndCase) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "b a b c b a don't DON'T");
    const std::vector<std::pair<std::string, int>> rows{{"B", 3}, {"A", 2}, {"DON'T", 2}, {"C", 1}};
    ExpectTables(text, {
                           {{"--no-common-list"}, Table(rows, '\t')},
                           {{"--no-common-list", "--separator=tab"}, Table(rows, '\t')},
                           {{"--no-common-list", "--separator=space"}, Table(rows, ' ')},
                           {{"--no-common-list", "--separator=comma"}, Table(rows, ',')},
                           {{"--no-common-list", "--lower"}, "b\t3\r\na\t2\r\ndon't\t2\r\nc\t1\r\n"},
                           {{"--no-common-list", "--lower", "--separator=comma"}, "b,3\r\na,2\r\ndon't,2\r\nc,1\r\n"},
                       });
}

TEST(CountCli, OrdersBreakTiesAlphabetically) {
    TempDir dir;
    const std::string text =
        dir.write("t.txt", "dog A cat elephant _id Aardvark cats DOG a cat's 42\nElephant cat dog a");
    ExpectTables(text, {
                           {{"--no-common-list", "--show-numbers"},
                            Table({{"A", 3},
                                   {"DOG", 3},
                                   {"CAT", 2},
                                   {"ELEPHANT", 2},
                                   {"42", 1},
                                   {"AARDVARK", 1},
                                   {"CAT'S", 1},
                                   {"CATS", 1},
                                   {"_ID", 1}})},
                           {{"--no-common-list", "--show-numbers", "--order=frequency"},
                            Table({{"A", 3},
                                   {"DOG", 3},
                                   {"CAT", 2},
                                   {"ELEPHANT", 2},
                                   {"42", 1},
                                   {"AARDVARK", 1},
                                   {"CAT'S", 1},
                                   {"CATS", 1},
                                   {"_ID", 1}})},
                           {{"--no-common-list", "--show-numbers", "--order=alphabetical"},
                            Table({{"42", 1},
                                   {"A", 3},
                                   {"AARDVARK", 1},
                                   {"CAT", 2},
                                   {"CAT'S", 1},
                                   {"CATS", 1},
                                   {"DOG", 3},
                                   {"ELEPHANT", 2},
                                   {"_ID", 1}})},
                           {{"--no-common-list", "--show-numbers", "--order=length"},
                            Table({{"AARDVARK", 1},
                                   {"ELEPHANT", 2},
                                   {"CAT'S", 1},
                                   {"CATS", 1},
                                   {"CAT", 2},
                                   {"DOG", 3},
                                   {"_ID", 1},
                                   {"42", 1},
                                   {"A", 3}})},
                       });
}

TEST(CountCli, ThresholdKeepsWordsAtOrAboveIt) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "dog A cat elephant Aardvark DOG a\nElephant cat dog a");
    ExpectTables(
        text, {
                  {{"--no-common-list", "--threshold=0"},
                   Table({{"A", 3}, {"DOG", 3}, {"CAT", 2}, {"ELEPHANT", 2}, {"AARDVARK", 1}})},
                  {{"--no-common-list", "--threshold=2"}, Table({{"A", 3}, {"DOG", 3}, {"CAT", 2}, {"ELEPHANT", 2}})},
                  {{"--no-common-list", "--threshold=+3"}, Table({{"A", 3}, {"DOG", 3}})},
                  // The settings file's number syntax: "$3" is hexadecimal 3.
                  {{"--no-common-list", "--threshold=$3"}, Table({{"A", 3}, {"DOG", 3}})},
                  {{"--no-common-list", "--threshold=4"}, ""},
                  {{"--no-common-list", "--threshold=3", "--order=alphabetical"}, Table({{"A", 3}, {"DOG", 3}})},
              });
}

TEST(CountCli, CommonWordsAndNumbersAreHiddenUnlessAsked) {
    TempDir dir;
    const std::string list = "--common-list=" + dir.write("common.txt", "THE A OF AND\n");
    const std::string text = dir.write("t.txt", "The cat and the dog saw 3 cats, 3 dogs and 1984 of the rest.");
    const std::vector<std::pair<std::string, int>> plain{{"CAT", 1},  {"CATS", 1}, {"DOG", 1},
                                                         {"DOGS", 1}, {"REST", 1}, {"SAW", 1}};
    ExpectTables(
        text,
        {
            {{list}, Table(plain)},
            {{list, "--show-common"},
             Table({{"THE", 3},
                    {"AND", 2},
                    {"CAT", 1},
                    {"CATS", 1},
                    {"DOG", 1},
                    {"DOGS", 1},
                    {"OF", 1},
                    {"REST", 1},
                    {"SAW", 1}})},
            {{list, "--show-numbers"},
             Table({{"3", 2}, {"1984", 1}, {"CAT", 1}, {"CATS", 1}, {"DOG", 1}, {"DOGS", 1}, {"REST", 1}, {"SAW", 1}})},
            {{list, "--show-common", "--show-numbers", "--threshold=2"}, Table({{"THE", 3}, {"3", 2}, {"AND", 2}})},
            // A list word the text never used has count 0: listed only at threshold 0.
            {{list, "--show-common", "--threshold=0", "--order=alphabetical"},
             Table({{"A", 0},
                    {"AND", 2},
                    {"CAT", 1},
                    {"CATS", 1},
                    {"DOG", 1},
                    {"DOGS", 1},
                    {"OF", 1},
                    {"REST", 1},
                    {"SAW", 1},
                    {"THE", 3}})},
            {{list, "--threshold=0"}, Table(plain)},
            // Without a list nothing is common.
            {{"--no-common-list", "--threshold=3"}, Table({{"THE", 3}})},
        });
}

TEST(CountCli, StatsAreExact) {
    TempDir dir;
    struct StatsCase {
        std::string list;  // empty: --no-common-list
        std::string text;
        std::vector<std::string> extra;
        std::string expected;
    };
    const std::vector<StatsCase> cases{
        {"THE A OF AND\n", "The cat and the dog", {}, Stats(1, 4, 2, 2, 5, 4, 2, 0, "t.txt")},
        {"", "The cat and the dog", {}, Stats(1, 0, 0, 0, 5, 4, 4, 0, "t.txt")},
        // A number that is already a list word is not a new number.
        {"THE 2001\n", "2001 2001 1999 the", {}, Stats(1, 2, 2, 0, 4, 3, 1, 1, "t.txt")},
        // The list is read with possessives kept, whatever the documents get.
        {"CAT'S\n", "cat's cat's", {"--possessives=strip"}, Stats(1, 1, 0, 1, 2, 1, 1, 0, "t.txt")},
        {"CAT'S\n", "cat's cat's", {"--possessives=keep"}, Stats(1, 1, 1, 0, 2, 1, 0, 0, "t.txt")},
        {"", "", {}, Stats(1, 0, 0, 0, 0, 0, 0, 0, "t.txt")},
    };
    for (const StatsCase& c : cases) {
        SCOPED_TRACE(c.list + " | " + c.text);
        std::vector<std::string> args{"--stats"};
        args.push_back(c.list.empty() ? "--no-common-list" : "--common-list=" + dir.write("list.txt", c.list));
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(dir.write("t.txt", c.text));
        CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Counters(r.out), c.expected);
    }
}

TEST(CountCli, OptionsThatChangeTheWords) {
    TempDir dir;
    const std::string possessive = dir.write("p.txt", "cat's it's o'neill's dogs's cats' cat");
    ExpectTables(possessive,
                 {
                     {{"--no-common-list", "--order=alphabetical"},
                      Table({{"CAT", 1}, {"CAT'S", 1}, {"CATS", 1}, {"DOGS'S", 1}, {"IT'S", 1}, {"O'NEILL'S", 1}})},
                     {{"--no-common-list", "--order=alphabetical", "--possessives=strip"},
                      Table({{"CAT", 2}, {"CATS", 1}, {"DOGS", 1}, {"IT'S", 1}, {"O'NEILL'S", 1}})},
                 });
    // Byte 146 is an apostrophe in the Windows set and the ligature in DOS; byte 239 is an
    // accented I in Windows and a separator in DOS.
    const std::string charset = dir.write("c.txt", "don\x92t na\xefve");
    ExpectTables(charset, {
                              {{"--no-common-list", "--order=alphabetical"}, Table({{"DON'T", 1}, {"NAIVE", 1}})},
                              {{"--no-common-list", "--order=alphabetical", "--charset=windows"},
                               Table({{"DON'T", 1}, {"NAIVE", 1}})},
                              {{"--no-common-list", "--order=alphabetical", "--charset=dos"},
                               Table({{"DONAET", 1}, {"NA", 1}, {"VE", 1}})},
                          });
}

TEST(CountCli, ReadsStandardInputAndSeveralFiles) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    // The first file ends inside a word: the next file must not continue it.
    const std::string c = dir.write("c.txt", "one two ab");
    const std::string a = dir.write("A.txt", "cd two");
    const std::string b = dir.write("sub/b.txt", "two\r\n");
    const std::string z = dir.write("Zeta.txt", "");

    CountResult table = RunCount({"--no-common-list", c, a, b});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_EQ(table.out, Table({{"TWO", 3}, {"AB", 1}, {"CD", 1}, {"ONE", 1}}));

    CountResult stats = RunCount({"--no-common-list", "--stats", c, a, b});
    EXPECT_EQ(Counters(stats.out), Stats(3, 0, 0, 0, 6, 4, 4, 0, "A.txt\tb.txt\tc.txt"));

    CountResult in = RunCount({"--no-common-list", "-"}, "b a b");
    EXPECT_EQ(in.exitCode, 0);
    EXPECT_EQ(in.out, Table({{"B", 2}, {"A", 1}}));

    // Names sort without regard to case: a byte order would put Zeta.txt first.
    CountResult mixed = RunCount({"--no-common-list", "--stats", z, "-", b}, "two 7");
    EXPECT_EQ(mixed.exitCode, 0);
    EXPECT_EQ(Counters(mixed.out), Stats(3, 0, 0, 0, 3, 2, 2, 1, "b.txt\tstdin\tZeta.txt"));
}

TEST(CountCli, UnreadableInputsFailWithoutOutput) {
    TempDir dir;
    const std::string good = dir.write("good.txt", "some words here");
    const std::string missing = dir.file("missing.txt");
    const std::string folder = dir.path();
    struct FailCase {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<FailCase> cases{
        {{"--no-common-list", missing}, "vornix-count: Cannot open file " + missing + " (No such file or directory)\n"},
        {{"--no-common-list", good, missing},
         "vornix-count: Cannot open file " + missing + " (No such file or directory)\n"},
        {{"--no-common-list", "--stats", good, missing},
         "vornix-count: Cannot open file " + missing + " (No such file or directory)\n"},
        {{"--no-common-list", folder}, "vornix-count: Cannot open file " + folder + " (Is a directory)\n"},
        {{"--common-list=" + missing, good},
         "vornix-count: Cannot open file " + missing + " (No such file or directory)\n"},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.message);
        CountResult r = RunCount(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.leftovers.empty()) << r.leftovers.front();
    }
    // Nor is an --output file made.
    CountResult r = RunCount({"--no-common-list", "--output=" + dir.file("out.txt"), good, missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(FileExists(dir.file("out.txt")));
}

// The record file is scratch space: a run that is interrupted, or whose reader goes
// away (vornix-count F | head), must not leave it behind in TMPDIR.
TEST(CountCli, InterruptedRunLeavesNoRecordFile) {
    TempDir dir;
    const std::string childTmp = dir.file("tmp");
    std::filesystem::create_directory(childTmp);
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);

    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        int feed[2];
        ASSERT_EQ(::pipe2(feed, O_CLOEXEC), 0);
        // Standard input stays open and empty: the run waits in its first read.
        const pid_t pid = SpawnCount({"--no-common-list", "-"}, childTmp, feed[0], sink, sink);
        ::close(feed[0]);
        ASSERT_GT(pid, 0);
        // Asleep means waiting for input, which comes after the store was set up.
        for (int i = 0; i < 1000 && !IsAsleep(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(pid, sig);
        EXPECT_NE(WaitFor(pid), 0);
        ::close(feed[1]);
        const std::vector<std::string> left = FolderEntries(childTmp);
        EXPECT_TRUE(left.empty()) << left.front();
        for (const std::string& name : left) std::filesystem::remove(childTmp + "/" + name);
    }

    const std::string text = dir.write("t.txt", "a b c");
    const int in = ::open(text.c_str(), O_RDONLY | O_CLOEXEC);
    int drain[2];
    ASSERT_EQ(::pipe2(drain, O_CLOEXEC), 0);
    ::close(drain[0]);  // nobody reads the table
    const pid_t pid = SpawnCount({"--no-common-list", text}, childTmp, in, drain[1], sink);
    ::close(drain[1]);
    ::close(in);
    ASSERT_GT(pid, 0);
    EXPECT_NE(WaitFor(pid), 0);
    const std::vector<std::string> left = FolderEntries(childTmp);
    EXPECT_TRUE(left.empty()) << left.front();
    ::close(sink);
}

TEST(CountCli, UsageErrorsAreOneLineAndAPointerToTheHelp) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "word");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--bogus", text}, "unknown option --bogus"},
        {{"--bogus=3", text}, "unknown option --bogus=3"},
        {{"-x", text}, "unknown option -x"},
        {{"--re=" + text, text}, "option --re=" + text + " is ambiguous (--reference, --reference-table)"},
        {{"--order=size", text}, "bad value for --order: size"},
        {{"--separator=semicolon", text}, "bad value for --separator: semicolon"},
        {{"--charset=mac", text}, "bad value for --charset: mac"},
        {{"--possessives=drop", text}, "bad value for --possessives: drop"},
        {{"--threshold=abc", text}, "bad value for --threshold: abc"},
        {{"--threshold=", text}, "--threshold needs a value"},
        {{"--threshold=3x", text}, "bad value for --threshold: 3x"},
        {{"--threshold=99999999999", text}, "bad value for --threshold: 99999999999"},
        {{"--output=", text}, "--output needs a value"},
        {{"--common-list=", text}, "--common-list needs a value"},
        {{"--context=", text}, "--context needs a value"},
        {{text, "--format"}, "--format needs a value"},
        {{"--stats=yes", text}, "--stats takes no value"},
        {{"--no-common-list"}, "no FILE given"},
        {{}, "no FILE given"},
        {{"--threads=0", text}, "bad value for --threads: 0"},
        {{"--threads=", text}, "--threads needs a value"},
        {{"--threads", "two", text}, "bad value for --threads: two"},
        {{"--max-words=999", text}, "bad value for --max-words: 999"},
        {{"--max-words=100000001", text}, "bad value for --max-words: 100000001"},
        {{"--max-words=5e5", text}, "bad value for --max-words: 5e5"},
        {{"--max-words=", text}, "--max-words needs a value"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vornix-count: " + message + "\nTry 'vornix-count --help' for more information.\n");
    }
    for (const char* help : {"--help", "-h", "--he"}) {
        CountResult r = RunCount({help});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.rfind("Usage: vornix-count", 0), 0u);
    }
    CountResult version = RunCount({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("vornix-count 0.", 0), 0u) << version.out;
    EXPECT_EQ(Lines(version.out).size(), 1u);
}

TEST(CountCli, PlotNeedsAnImageFileAndNoOtherOutput) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "word");
    const std::string needsImage = "--plot needs --output=FILE ending in .svg or .png";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--plot=bars", "--output=c.png"}, "bad value for --plot: bars"},
        {{"--plot=", "--output=c.png"}, "--plot needs a value"},
        {{"--plot=rank"}, needsImage},
        {{"--plot=rank", "--output=c.txt"}, needsImage},
        {{"--plot=lengths", "--output=c.svgz"}, needsImage},
        {{"--plot=lengths", "--output=png"}, needsImage},
        {{"--plot=rank", "--output=c.png", "--stats"}, "--plot cannot be used with --stats"},
        {{"--context=word", "--plot=rank", "--output=c.SVG"}, "--plot cannot be used with --context"},
    };
    for (auto [args, message] : cases) {
        SCOPED_TRACE(message);
        args.push_back(text);
        const CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "vornix-count: " + message + "\nTry 'vornix-count --help' for more information.\n");
    }
    EXPECT_NE(RunCount({"--help"}).out.find("--plot=rank|lengths"), std::string::npos);
}

TEST(CountCli, OutputFileHoldsTheSameBytesAndReplacesTheOld) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "b a b c b a");
    const std::string target = dir.write("out.txt", std::string(5000, 'x'));
    ::chmod(target.c_str(), 0600);

    for (const std::vector<std::string>& extra :
         std::vector<std::vector<std::string>>{{}, {"--stats"}, {"--order=length", "--lower", "--separator=comma"}}) {
        std::vector<std::string> args{"--no-common-list"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(text);
        CountResult toStdout = RunCount(args);
        ASSERT_EQ(toStdout.exitCode, 0);
        ASSERT_FALSE(toStdout.out.empty());

        args.insert(args.begin(), "--output=" + target);
        CountResult toFile = RunCount(args);
        EXPECT_EQ(toFile.exitCode, 0);
        EXPECT_EQ(toFile.out, "");
        EXPECT_EQ(ReadFile(target), toStdout.out);
    }
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the replaced file keeps its permissions";
    // Nothing but the text and the output is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(CountCli, OutputThatCannotBeWrittenLeavesOldFilesAlone) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "b a b");
    const std::string notFolder = dir.write("plain.txt", "old contents");
    const std::string aFolder = dir.file("folder");
    std::filesystem::create_directory(aFolder);
    dir.write("folder/keep.txt", "kept");

    const std::vector<std::string> targets{notFolder + "/out.txt", dir.file("nowhere/out.txt"), aFolder};
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        CountResult r = RunCount({"--no-common-list", "--output=" + target, text});
        EXPECT_NE(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(target), std::string::npos) << r.err;
        EXPECT_TRUE(r.leftovers.empty());
    }
    EXPECT_EQ(ReadFile(notFolder), "old contents");
    EXPECT_EQ(ReadFile(aFolder + "/keep.txt"), "kept");
    // No temporary file stays behind beside the targets.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

    if (vornix::test::IgnoresPermissions()) return;  // root writes into any folder
    const std::string locked = dir.file("locked");
    std::filesystem::create_directory(locked);
    const std::string old = dir.write("locked/out.txt", "old table");
    ::chmod(locked.c_str(), 0555);
    CountResult r = RunCount({"--no-common-list", "--output=" + old, text});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(ReadFile(old), "old table");
}

// Five-letter words in base 26, most significant letter first, so their byte order is
// their number order.
std::string NumberedWord(int n) {
    std::string w(5, 'a');
    for (int i = 4; i >= 0; --i, n /= 26) w[i] = static_cast<char>('a' + n % 26);
    return w;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

TEST(CountCli, StopsAtTheUniqueWordsLimit) {
    TempDir dir;
    constexpr int kLimit = 500000;
    // The limit, then a repeat of the first word and new words: none of them may count.
    std::string over;
    for (int i = 0; i < kLimit; ++i) over += NumberedWord(i) + (i % 12 == 11 ? '\n' : ' ');
    over += NumberedWord(0);
    for (int i = kLimit; i < kLimit + 10; ++i) over += ' ' + NumberedWord(i);
    const std::string overPath = dir.write("over.txt", over);
    const std::string laterPath = dir.write("later.txt", NumberedWord(0));

    // The run ends at the limit: a later file is not read at all.
    CountResult stats = RunCount({"--no-common-list", "--stats", overPath, laterPath});
    EXPECT_EQ(stats.exitCode, 0);
    EXPECT_EQ(stats.err, kLimitLine);
    EXPECT_EQ(Counters(stats.out), Stats(1, 0, 0, 0, kLimit, kLimit, kLimit, 0, "over.txt"));

    CountResult table = RunCount({"--no-common-list", "--threshold=0", overPath});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_EQ(table.err, kLimitLine);
    const std::vector<std::string> lines = Lines(table.out);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kLimit));
    // All counts are 1, so the table is alphabetical: first and last of the words kept.
    EXPECT_EQ(lines.front(), Upper(NumberedWord(0)) + "\t1\r");
    EXPECT_EQ(lines.back(), Upper(NumberedWord(kLimit - 1)) + "\t1\r");

    // One word fewer than the limit: no message, every word listed.
    const std::string under = dir.write("under.txt", over.substr(0, 6 * (kLimit - 1)));
    CountResult below = RunCount({"--no-common-list", "--order=alphabetical", under});
    EXPECT_EQ(below.exitCode, 0);
    EXPECT_EQ(below.err, "");
    EXPECT_EQ(Lines(below.out).size(), static_cast<std::size_t>(kLimit - 1));
}

// The text shipped in tests/data, so this runs on every clone. The word counts were
// checked with grep over the same bytes; the numbers are the text's "20,000" (twice),
// "4,386,035" and "57,000,000,000,000" with their commas dropped.
TEST(CountCli, ShippedTextFacts) {
    const std::string text = VORNIX_TEST_DATA_DIR "/ulysses-excerpt.txt";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{}, {"BLOOM\t228", "STEPHEN\t181", "BLOOM'S\t25"}},
        {{"--possessives=strip"}, {"BLOOM\t253", "STEPHEN\t223", "IT'S\t18"}},
        {{"--show-numbers", "--order=alphabetical"}, {"20000\t2", "4386035\t1", "57000000000000\t1"}},
    };
    for (const auto& [options, lines] : cases) {
        std::vector<std::string> args = {"--no-common-list"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(text);
        const CountResult r = RunCount(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        for (const std::string& line : lines)
            EXPECT_NE(("\r\n" + r.out).find("\r\n" + line + "\r\n"), std::string::npos) << line;
    }
    // Numbers stay out of the table unless asked for.
    EXPECT_EQ(RunCount({"--no-common-list", text}).out.find("\r\n20000\t"), std::string::npos);
}

TEST(CountCli, KingJamesBibleFacts) {
    // Genesis, kept with the tests, and the whole book when the shared corpus is there.
    // Totals from the corpus notes and a count by a short script over the same rules
    // (words of letters and inner apostrophes, upper-cased); longest words by hand.
    struct Bible {
        std::string path;
        int words, distinct;
        std::vector<std::pair<std::string, int>> head;
        int lord, lords, strippedLord, strippedGod, strippedLines;
        std::vector<std::pair<std::string, int>> longHead;
    };
    TempDir dir;
    std::vector<Bible> bibles = {
        {vornix::test::CorpusExcerpt("kjv-genesis.txt"),
         38262,
         2503,
         {{"AND", 3678},
          {"THE", 2458},
          {"OF", 1365},
          {"HIS", 653},
          {"HE", 652},
          {"TO", 612},
          {"IN", 600},
          {"UNTO", 598}},
         206,
         5,
         211,
         233,
         2447,
         {{"INTERPRETATION", 5}, {"RIGHTEOUSNESS", 2}, {"UNCIRCUMCISED", 2}, {"WOMENSERVANTS", 3}}},
    };
    const std::string whole = vornix::test::UnpackSharedText(dir, "kjv-bible.txt.xz");
    if (!whole.empty())
        bibles.push_back(
            {whole,
             790701,
             12776,
             {{"THE", 64018},
              {"AND", 51709},
              {"OF", 34748},
              {"TO", 13630},
              {"THAT", 12916},
              {"IN", 12674},
              {"HE", 10431},
              {"SHALL", 9837}},
             7836,
             134,
             7970,
             4473,
             12558,
             {{"MAHERSHALALHASHBAZ", 2}, {"CHUSHANRISHATHAIM", 4}, {"KIBROTHHATTAAVAH", 5}, {"LOVINGKINDNESSES", 4}}});
    const std::string list = dir.write("list.txt", "the and of\nzebra\n");
    for (const Bible& b : bibles) {
        const std::string name = std::filesystem::path(b.path).filename();
        SCOPED_TRACE(name);
        CountResult stats = RunCount({"--no-common-list", "--stats", b.path});
        EXPECT_EQ(Counters(stats.out), Stats(1, 0, 0, 0, b.words, b.distinct, b.distinct, 0, name));

        CountResult top = RunCount({"--no-common-list", b.path});
        ASSERT_EQ(top.exitCode, 0);
        const std::string head = Table(b.head);
        EXPECT_EQ(top.out.substr(0, head.size()), head);
        EXPECT_NE(top.out.find("\r\nLORD\t" + std::to_string(b.lord) + "\r\n"), std::string::npos);
        EXPECT_NE(top.out.find("\r\nLORD'S\t" + std::to_string(b.lords) + "\r\n"), std::string::npos);

        CountResult stripped = RunCount({"--no-common-list", "--possessives=strip", b.path});
        EXPECT_NE(stripped.out.find("\r\nLORD\t" + std::to_string(b.strippedLord) + "\r\n"), std::string::npos);
        EXPECT_NE(stripped.out.find("\r\nGOD\t" + std::to_string(b.strippedGod) + "\r\n"), std::string::npos);
        EXPECT_EQ(stripped.out.find("'S\t"), std::string::npos);
        EXPECT_EQ(Lines(stripped.out).size(), static_cast<std::size_t>(b.strippedLines));

        CountResult longest = RunCount({"--no-common-list", "--order=length", "--threshold=2", b.path});
        const std::string longHead = Table(b.longHead);
        EXPECT_EQ(longest.out.substr(0, longHead.size()), longHead);

        CountResult common = RunCount({"--common-list=" + list, "--stats", b.path});
        EXPECT_EQ(Counters(common.out), Stats(1, 4, 3, 1, b.words, b.distinct, b.distinct - 3, 0, name));
    }
}

TEST(CountCli, ThreadsGiveTheSameTableAndStatistics) {
    TempDir dir;
    // Large enough to be read in chunks (over 4 MiB), with words first met late.
    std::string text;
    for (int i = 0; text.size() < (std::size_t{5} << 20); ++i)
        text += NumberedWord(i % 70000) + ", 1,000 it's " + NumberedWord(i / 3) + (i % 9 == 8 ? ".\n" : " ");
    const std::string path = dir.write("big.txt", text);
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{"--order=frequency", "--threshold=0"}, {"--stats", "--possessives=strip"}}) {
        std::vector<std::string> one = options, three = options;
        one.insert(one.end(), {"--no-common-list", "--threads=1", path});
        three.insert(three.end(), {"--no-common-list", "--threads=3", path});
        const CountResult a = RunCount(one), b = RunCount(three);
        EXPECT_EQ(a.exitCode, 0);
        EXPECT_NE(a.out, "");
        EXPECT_TRUE(a.out == b.out) << options.front();
    }
}
