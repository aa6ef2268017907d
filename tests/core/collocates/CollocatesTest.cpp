// Collocate counts of hand-made and real texts against spans walked here word by word,
// the worked values of the measures, and the table's filter and orders.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/collocates/Collocates.h"
#include "core/engine/Scanner.h"

namespace vornix {
namespace {

using test::TempDir;

struct Pair {
    std::int64_t left = 0, right = 0;
    bool operator==(const Pair&) const = default;
};

// Each document's words by the scanner; for every node position, the words 1..L
// before it and 1..R after it inside the same document.
std::map<std::string, Pair> SpansHere(const std::vector<std::string>& texts, const std::string& node, int l, int r) {
    std::map<std::string, Pair> out;
    const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    for (const std::string& text : texts) {
        std::vector<std::string> words;
        Scanner scanner(map);
        scanner.Start();
        auto onWord = [&](std::string_view w) {
            words.emplace_back(w);
            return true;
        };
        scanner.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size(), onWord);
        scanner.Finish(onWord);
        const long n = static_cast<long>(words.size());
        for (long i = 0; i < n; ++i) {
            if (words[i] != node) continue;
            for (long d = 1; d <= l && i - d >= 0; ++d) ++out[words[i - d]].left;
            for (long d = 1; d <= r && i + d < n; ++d) ++out[words[i + d]].right;
        }
    }
    return out;
}

struct Counted {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    explicit Counted(const std::vector<std::string>& texts, const std::string* list = nullptr) {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("doc" + std::to_string(i) + ".txt", texts[i]));
        const std::string listPath = list ? dir.write("list.dat", *list) : std::string();
        run.GeneralInitialize(CharacterSet::Windows, list ? &listPath : nullptr);
        run.ReadDocuments(paths, false);
        run.GeneralClosedown();
    }
    std::int32_t Record(const std::string& word) {
        std::int32_t pos = 0;
        return run.Store().FindWord(word, pos) ? run.Store().AlphaIndex()[pos] : -1;
    }
    std::map<std::string, Pair> Found(const CollocateSearch& s) {
        std::map<std::string, Pair> out;
        for (std::int32_t r = 0; r < run.Store().WordCount(); ++r)
            if (s.Left(r) + s.Right(r) > 0)
                out[std::string(run.Store().WordRecord(r).Text())] = {s.Left(r), s.Right(r)};
        return out;
    }
};

TEST(Collocates, CountsMatchTheSpansWalkedWordByWord) {
    const std::string genesis = test::ReadFile(test::CorpusExcerpt("kjv-genesis.txt"));
    ASSERT_GT(genesis.size(), 100000u);
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        std::string node;
        int l, r;
        std::map<std::string, Pair> expected;  // checked too when given
    } cases[] = {
        {"left and right apart", {"a x b x c"}, "X", 1, 1, {{"A", {1, 0}}, {"B", {1, 1}}, {"C", {0, 1}}}},
        // The node in its own span: X@1 is left of X@3 and X@3 right of X@1.
        {"node in its own span", {"x x y x"}, "X", 2, 2, {{"X", {2, 2}}, {"Y", {1, 2}}}},
        // Spans stop at the documents' edges.
        {"document edges", {"a b x", "c d", "y x"}, "X", 3, 3, {{"A", {1, 0}}, {"B", {1, 0}}, {"Y", {1, 0}}}},
        {"right only", {"a x b c d x e"}, "X", 0, 2, {{"B", {0, 1}}, {"C", {0, 1}}, {"E", {0, 1}}}},
        {"left only", {"a x b c d x e"}, "X", 2, 0, {{"A", {1, 0}}, {"C", {1, 0}}, {"D", {1, 0}}}},
        {"widest spans", {genesis, genesis.substr(0, 5000)}, "THE", 10, 10, {}},
        {"default spans", {genesis}, "AND", 5, 5, {}},
        {"uneven spans", {genesis}, "LORD", 1, 7, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Counted run(c.texts);
        CollocateSearch search(run.run, run.Record(c.node), {c.l, c.r});
        while (search.Step(1000)) {
        }
        EXPECT_TRUE(search.Problems().empty());
        const auto got = run.Found(search);
        EXPECT_EQ(got, SpansHere(c.texts, c.node, c.l, c.r));
        if (!c.expected.empty()) EXPECT_EQ(got, c.expected);
    }
}

TEST(Collocates, WorkedValues) {
    const CollocateFigures f = ComputeCollocateFigures(50, 1000000, 1000, 500);
    EXPECT_NEAR(f.mi, 6.644, 0.0005);
    EXPECT_NEAR(f.tScore, 7.000, 0.0005);
    EXPECT_NEAR(f.logDice, 10.093, 0.0005);
    // Written out another way: MI as a ratio of observed to expected, logDice by Dice.
    const double expected = 1000.0 * 500 / 1000000;
    EXPECT_NEAR(f.mi, std::log(50 / expected) / std::log(2.0), 1e-12);
    EXPECT_NEAR(f.logDice, 14 + std::log(2 * 50.0 / 1500) / std::log(2.0), 1e-12);
}

TEST(Collocates, TableFiltersLikeTheWordTableAndOrdersByTheMeasure) {
    // Node CAT; around it: THE (common), 7 (a number), SAT, MAT, DOG.
    const std::string list = "THE\r\n";
    Counted run({"the cat sat 7 the cat sat on the mat dog cat dog dog dog dog"}, &list);
    CollocateSearch search(run.run, run.Record("CAT"), {1, 1});
    search.RunToEnd();
    const std::int64_t n = run.run.State().TotalWords;
    ASSERT_EQ(n, 16);
    struct Case {
        bool common, numbers;
        std::int32_t threshold;
        CollocateSort sort;
        std::vector<std::string> words;
    } cases[] = {
        // O: THE 2, SAT 2, DOG 2 (left 1, right 1); counts SAT 2, DOG 5.
        {false, false, 1, CollocateSort::Frequency, {"DOG", "SAT"}},
        {true, false, 1, CollocateSort::Frequency, {"DOG", "SAT", "THE"}},
        {true, false, 1, CollocateSort::MI, {"SAT", "THE", "DOG"}},
        {true, false, 1, CollocateSort::LogDice, {"SAT", "THE", "DOG"}},
        {true, true, 3, CollocateSort::Frequency, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.common << c.threshold << int(c.sort));
        DisplayOptions d;
        d.ShowCommonWords = c.common;
        d.ShowNumbers = c.numbers;
        d.ActiveThreshold = c.threshold;
        const CollocateTable table(search, run.run.Store(), n, d, c.sort);
        std::vector<std::string> words;
        for (std::size_t r = 0; r < table.Rows(); ++r) words.push_back(table.Row(r).word);
        EXPECT_EQ(words, c.words);
    }
    DisplayOptions d;
    const CollocateTable table(search, run.run.Store(), n, d, CollocateSort::TScore);
    ASSERT_EQ(table.Rows(), 2u);
    // DOG: O 2, fn 3, fc 5, N 16.
    const CollocateRow& dog = table.Row(table.Row(0).word == "DOG" ? 0 : 1);
    EXPECT_EQ(dog.left, 1);
    EXPECT_EQ(dog.right, 1);
    EXPECT_NEAR(dog.figures.mi, std::log2(2.0 * 16 / (3 * 5)), 1e-12);
    EXPECT_NEAR(dog.figures.tScore, (2 - 3.0 * 5 / 16) / std::sqrt(2.0), 1e-12);
    EXPECT_EQ(FormatTable(table, TableFormat::Table, {.separator = ','}).substr(0, 4), table.Row(0).word + ",");
    const std::string csv = FormatTable(table, TableFormat::Csv);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "rank,collocate,cooccurrence,left,right,count,mi,t_score,log_dice");
    char line[128];
    std::snprintf(line, sizeof line, "SAT,2,%.3f\r\n", 14 + std::log2(2 * 2.0 / (3 + 2)));
    EXPECT_NE(FormatTable(table, TableFormat::Table, {.separator = ','}).find(line), std::string::npos);
}

}  // namespace
}  // namespace vornix
