// vornix-count --keywords on two texts of the corpus, every row against the formulas
// worked out here, and its messages.
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "CountProcess.h"

namespace {

// strtod: p may be a denormal, which std::stod refuses.
double Num(const std::string& s) {
    return std::strtod(s.c_str(), nullptr);
}

std::map<std::string, long long> CountsOf(const std::string& table, long long& total) {
    std::map<std::string, long long> counts;
    total = 0;
    for (const std::string& line : Lines(table)) {
        const auto tab = line.find('\t');
        const long long n = std::stoll(line.substr(tab + 1));
        counts[line.substr(0, tab)] = n;
        total += n;
    }
    return counts;
}

TEST(CountCliKeywords, EveryRowFollowsTheFormulas) {
    TempDir dir;
    // The whole books when the shared corpus lies beside the checkout, else the excerpts
    // kept with the tests.
    std::string a = vornix::test::UnpackSharedText(dir, "kjv-bible.txt.xz"),
                b = vornix::test::UnpackSharedText(dir, "shakespeare-complete-works.txt.xz");
    const bool books = !a.empty() && !b.empty();
    if (!books) {
        a = vornix::test::CorpusExcerpt("kjv-genesis.txt");
        b = vornix::test::CorpusExcerpt("shakespeare-sonnets.txt");
    }
    long long c = 0, d = 0;
    const auto target = CountsOf(RunCount({"--no-common-list", "--show-numbers", "--separator=tab", a}).out, c);
    const auto reference = CountsOf(RunCount({"--no-common-list", "--show-numbers", "--separator=tab", b}).out, d);
    const CountResult r = RunCount(
        {"--keywords", "--reference=" + b, "--no-common-list", "--negative", "--format=csv", "--smoothing=10", a});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines[0], "rank,word,count,reference_count,log_likelihood,p,log_ratio,percent_diff,simple_maths");
    std::size_t rows = 0;
    double previous = INFINITY;
    for (std::size_t i = 1; i < lines.size(); ++i, ++rows) {
        std::stringstream s(lines[i]);
        std::string rank, word, f[7];
        std::getline(s, rank, ',');
        std::getline(s, word, ',');
        for (std::string& x : f) std::getline(s, x, ',');
        SCOPED_TRACE(word);
        const double A = target.count(word) ? double(target.at(word)) : 0;
        const double B = reference.count(word) ? double(reference.at(word)) : 0;
        ASSERT_EQ(Num(f[0]), A);
        ASSERT_EQ(Num(f[1]), B);
        const double C = double(c), D = double(d), N = C + D;
        auto t = [](double o, double e) { return o == 0 ? 0 : o * std::log(o / e); };
        double g2 = 2 * (t(A, C * (A + B) / N) + t(B, D * (A + B) / N) + t(C - A, C * (N - A - B) / N) +
                         t(D - B, D * (N - A - B) / N));
        if (A / C < B / D) g2 = -g2;
        const double g = Num(f[2]);
        ASSERT_NEAR(g, g2, 1e-9 * std::max(1.0, std::fabs(g2)));
        ASSERT_GE(std::fabs(g), 3.841459);
        ASSERT_LE(g, previous);
        previous = g;
        ASSERT_NEAR(Num(f[3]), std::erfc(std::sqrt(std::fabs(g2) / 2)), 1e-12);
        const double lr = std::log2(((A == 0 ? 0.5 : A) / C) / ((B == 0 ? 0.5 : B) / D));
        ASSERT_NEAR(Num(f[4]), lr, 1e-9);
        const double pd = (A / C - (B == 0 ? 0.5 : B) / D) / ((B == 0 ? 0.5 : B) / D) * 100;
        ASSERT_NEAR(Num(f[5]), pd, 1e-9 * std::max(1.0, std::fabs(pd)));
        ASSERT_NEAR(Num(f[6]), (A / C * 1e6 + 10) / (B / D * 1e6 + 10), 1e-9);
    }
    EXPECT_GT(rows, books ? 5000u : 20u);
    // The same reference as our own saved table gives the same keywords.
    const std::string saved = dir.file("ref.txt");
    ASSERT_EQ(RunCount({"--no-common-list", "--show-numbers", "--separator=comma", "--output=" + saved, b}).exitCode,
              0);
    const CountResult t = RunCount({"--keywords", "--reference-table=" + saved, "--no-common-list", "--negative",
                                    "--format=csv", "--smoothing=10", a});
    EXPECT_EQ(t.out, r.out);
    // The plain table: word, count, reference count, G2 with two decimals, CR LF.
    const CountResult plain = RunCount({"--keywords", "--reference-table=" + saved, "--no-common-list", a});
    // Its first row is the CSV's first row: the top keyword, its counts, G2 rounded.
    std::stringstream top(lines.at(1));
    std::string rank, word, count, refCount, g2;
    std::getline(top, rank, ',');
    std::getline(top, word, ',');
    std::getline(top, count, ',');
    std::getline(top, refCount, ',');
    std::getline(top, g2, ',');
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.2f", Num(g2));
    EXPECT_EQ(Lines(plain.out, '\n')[0], word + "\t" + count + "\t" + refCount + "\t" + rounded + "\r");
    if (books) EXPECT_EQ(word, "THE");
}

TEST(CountCliKeywords, MessagesAndExitCodes) {
    TempDir dir;
    const std::string text = dir.write("t.txt", "the whale the sea");
    const std::string bad = dir.write("bad.txt", "THE\t3\nSEA\tlots\n");
    const std::string out = dir.file("out.txt");
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string err;
    } cases[] = {
        {{"--keywords", text}, 2, "vornix-count: --keywords needs --reference or --reference-table\n"},
        {{"--reference=" + text, text}, 2, "vornix-count: --reference and --reference-table need --keywords\n"},
        {{"--keywords", "--reference=" + dir.file("none"), text},
         1,
         "vornix-count: Cannot open file " + dir.file("none") + " (No such file or directory)\n"},
        {{"--keywords", "--reference-table=" + bad, "--output=" + out, text},
         1,
         "vornix-count: Line 2 of " + bad + " is not a word and a count\n"},
        {{"--keywords", "--p=0.2", "--reference=" + text, text}, 2, "vornix-count: bad value for --p: 0.2\n"},
        {{"--keywords", "--smoothing=0", "--reference=" + text, text},
         2,
         "vornix-count: bad value for --smoothing: 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const CountResult r = RunCount(c.args);
        EXPECT_EQ(r.exitCode, c.exit);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    }
    EXPECT_FALSE(FileExists(out));
}

}  // namespace
