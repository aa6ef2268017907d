// vornix-count --max-words: the limit's rules at a limit of choice, its bounds, and a
// large limit that meets an exhausted address space with a message, never a crash.
#include <algorithm>

#include "CountProcess.h"

namespace {

// Word n: "m" and n in base 26, least significant letter first.
std::string LimitWord(int n) {
    std::string w = "m";
    do {
        w += static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n > 0);
    return w;
}

std::string WordsText(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) text += LimitWord(i) + (i % 12 == 11 ? "\n" : " ");
    return text;
}

}  // namespace

TEST(MaxWordsCli, TheLimitOfChoiceStopsTheCountAsTheDefaultDoes) {
    TempDir dir;
    // 1,200 distinct words, each once, and the first again at the end.
    const std::string doc = dir.write("doc.txt", WordsText(0, 1200) + LimitWord(0));
    struct Case {
        std::vector<std::string> args;
        std::size_t lines;
        std::string err;
    };
    const Case cases[] = {
        {{"--max-words=1000"}, 1000, "vornix-count: Reached unique-words limit 1000: cannot read more.\n"},
        {{"--max-words=1000", "--threads=3"},
         1000,
         "vornix-count: Reached unique-words limit 1000: cannot read more.\n"},
        {{"--max-words=1200"}, 1200, "vornix-count: Reached unique-words limit 1200: cannot read more.\n"},
        {{"--max-words=1201"}, 1200, ""},
        {{"--max-words=100000000"}, 1200, ""},
        {{}, 1200, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--no-common-list", "--order=alphabetical", doc});
        SCOPED_TRACE(args.front());
        const CountResult r = RunCount(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, c.err);
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), c.lines);
        // The words kept are the first ones, each counted once: the repeat of the first
        // word after the limit never counts. Alphabetical here is by the words' bytes.
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.lines; ++i) {
            std::string w = LimitWord(static_cast<int>(i));
            for (char& ch : w) ch = static_cast<char>(ch - 'a' + 'A');
            expected.push_back(w + "\t" + (i == 0 && c.lines == 1200 && c.err.empty() ? "2" : "1") + "\r");
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(lines, expected);
        EXPECT_TRUE(r.leftovers.empty());
    }
}

TEST(MaxWordsCli, AnExhaustedAddressSpaceIsAMessageNotACrash) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
#else
    TempDir dir;
    const std::string doc = dir.write("big.txt", WordsText(0, 2000000));
    const std::string tmp = dir.file("tmp");
    std::filesystem::create_directory(tmp);
    const std::string outPath = dir.file("out"), errPath = dir.file("err");
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    // Room for the program and a part of the words only; the child inherits the limit.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t{200} << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    const pid_t pid = SpawnCount({"--no-common-list", "--max-words=100000000", doc}, tmp, in, out, err);
    ::setrlimit(RLIMIT_AS, &saved);
    ::close(in);
    ::close(out);
    ::close(err);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitFor(pid), 1);  // never 128 + SIGSEGV or SIGABRT
    EXPECT_EQ(ReadFile(outPath), "");
    const std::string message = ReadFile(errPath);
    EXPECT_EQ(message.rfind("vornix-count: ", 0), 0u) << message;
    EXPECT_NE(message.find("memory"), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_TRUE(FolderEntries(tmp).empty());
#endif
}
