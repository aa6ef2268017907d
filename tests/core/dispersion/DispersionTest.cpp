// Counts per part (documents, or equal stretches of one word sequence) taken from real
// runs, the dispersion figures against the worked values and a computation of their
// own, and the table they are written through.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "TestSupport.h"
#include "core/dispersion/Dispersion.h"
#include "core/output/OutputWalk.h"

namespace vornix {
namespace {

using test::TempDir;

// The figures written out from their definitions, over dense counts; parts of size 0
// left out first.
struct Expected {
    double range, d, dp, dpNorm;
};
Expected Independent(std::vector<double> v, std::vector<double> size) {
    for (std::size_t i = size.size(); i-- > 0;)
        if (size[i] == 0) {
            v.erase(v.begin() + static_cast<long>(i));
            size.erase(size.begin() + static_cast<long>(i));
        }
    const double n = double(v.size());
    double f = 0, total = 0, range = 0, minShare = 1, mean = 0, var = 0, dp = 0;
    for (std::size_t i = 0; i < v.size(); ++i) f += v[i], total += size[i], range += v[i] > 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        minShare = std::min(minShare, size[i] / total);
        mean += v[i] / size[i] / n;
        dp += std::fabs(v[i] / f - size[i] / total) / 2;
    }
    for (std::size_t i = 0; i < v.size(); ++i) var += std::pow(v[i] / size[i] - mean, 2) / n;
    return {range, 1 - std::sqrt(var) / mean / std::sqrt(n - 1), dp, dp / (1 - minShare)};
}

// One word's figures over parts of these sizes.
DispersionFigures OneWord(const std::vector<std::int64_t>& sizes, const std::vector<std::int64_t>& counts) {
    std::vector<Part> parts;
    std::vector<std::vector<std::int64_t>> byPart;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        parts.push_back({"part_" + std::to_string(i + 1), "", sizes[i]});
        byPart.push_back({counts[i]});
    }
    return ComputeDispersion(PartCounts(parts, byPart), 1)[0];
}

TEST(Dispersion, WorkedValues) {
    struct Case {
        std::vector<std::int64_t> sizes, counts;
        double dp, dpNorm, d;
    } cases[] = {
        {{10, 10, 10, 10, 10}, {1, 2, 3, 4, 5}, 0.20, 0.25, 0.7643},
        // A sample standard deviation would give 0.6047.
        {{10, 10, 10, 10, 10}, {0, 4, 3, 2, 1}, NAN, NAN, 0.6464},
        {{100, 200, 300, 400}, {10, 0, 5, 5}, 0.40, 0.4444, NAN},
        // Everywhere alike, and all in one of equal parts.
        {{7, 7, 7}, {2, 2, 2}, 0, 0, 1},
        {{5, 5, 5, 5}, {0, 0, 9, 0}, 0.75, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.counts));
        const DispersionFigures f = OneWord(c.sizes, c.counts);
        if (!std::isnan(c.dp)) EXPECT_NEAR(f.dp, c.dp, 5e-5);
        if (!std::isnan(c.dpNorm)) EXPECT_NEAR(f.dpNorm, c.dpNorm, 5e-5);
        if (!std::isnan(c.d)) EXPECT_NEAR(f.juillandD, c.d, 5e-5);
        const Expected e = Independent({c.counts.begin(), c.counts.end()}, {c.sizes.begin(), c.sizes.end()});
        EXPECT_EQ(f.range, e.range);
        EXPECT_NEAR(f.juillandD, e.d, 1e-12);
        EXPECT_NEAR(f.dp, e.dp, 1e-12);
        EXPECT_NEAR(f.dpNorm, e.dpNorm, 1e-12);
    }
    // One part, or a word that does not occur: range only.
    for (const auto& [sizes, counts] : {std::pair<std::vector<std::int64_t>, std::vector<std::int64_t>>{{50}, {7}},
                                        {{50, 0}, {7, 0}},
                                        {{10, 20}, {0, 0}}}) {
        const DispersionFigures f = OneWord(sizes, counts);
        EXPECT_EQ(f.range, counts[0] > 0 ? 1 : 0);
        EXPECT_TRUE(std::isnan(f.juillandD) && std::isnan(f.dp) && std::isnan(f.dpNorm));
    }
}

TEST(Dispersion, ManyWordsAgreeWithTheDefinitions) {
    std::mt19937 random(24);
    const std::vector<std::int64_t> sizes = {300, 0, 41, 1200, 77, 5, 650};
    const int records = 200;
    std::vector<std::vector<std::int64_t>> byPart(sizes.size(), std::vector<std::int64_t>(records));
    for (std::size_t p = 0; p < sizes.size(); ++p)
        for (int r = 0; r < records; ++r)
            if (sizes[p] > 0 && random() % 3 == 0) byPart[p][static_cast<std::size_t>(r)] = random() % 6;
    std::vector<Part> parts;
    for (std::int64_t s : sizes) parts.push_back({"", "", s});
    const PartCounts counts(parts, byPart);
    const auto figures = ComputeDispersion(counts, records);
    for (int r = 0; r < records; ++r) {
        std::vector<double> v;
        for (const auto& part : byPart) v.push_back(double(part[static_cast<std::size_t>(r)]));
        const Expected e = Independent(v, {sizes.begin(), sizes.end()});
        const DispersionFigures& f = figures[static_cast<std::size_t>(r)];
        ASSERT_EQ(f.range, e.range) << r;
        if (e.range == 0) continue;
        ASSERT_NEAR(f.juillandD, e.d, 1e-12) << r;
        ASSERT_NEAR(f.dp, e.dp, 1e-12) << r;
        ASSERT_NEAR(f.dpNorm, e.dpNorm, 1e-12) << r;
    }
}

// A real run over texts given in memory or as files, watched by a recorder.
struct Watched {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    PartCounts parts;

    Watched(const std::vector<std::string>& texts, int equalParts, const std::string* list = nullptr,
            unsigned threads = 1) {
        PartRecorder recorder(equalParts);
        run.SetObserver(&recorder);
        run.SetThreads(threads);
        run.SetChunkBytes(64);
        std::string listPath;
        if (list) listPath = dir.write("list.dat", *list);
        run.GeneralInitialize(CharacterSet::Windows, list ? &listPath : nullptr);
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("doc" + std::to_string(i) + ".txt", texts[i]));
        run.ReadDocuments(paths, false);
        run.GeneralClosedown();
        parts = recorder.Finish(run);
    }
    std::int64_t Count(std::string_view word, std::size_t part) {
        std::int32_t at = 0;
        if (!run.Store().FindWord(word, at)) return 0;
        return parts.Count(run.Store().AlphaIndex()[at], part);
    }
    std::vector<std::int64_t> Sizes() const {
        std::vector<std::int64_t> s;
        for (const Part& p : parts.Parts()) s.push_back(p.words);
        return s;
    }
    // Every record's parts add up to its count in the store.
    void ExpectSumsMatchTheStore() {
        std::vector<std::int64_t> sums(static_cast<std::size_t>(run.Store().WordCount()));
        for (std::size_t p = 0; p < parts.Size(); ++p)
            for (const PartCount& pair : parts.InPart(p)) sums[pair.record] += pair.count;
        for (std::int32_t r = 0; r < run.Store().WordCount(); ++r)
            ASSERT_EQ(sums[static_cast<std::size_t>(r)], run.Store().Count(r)) << r;
        EXPECT_EQ(parts.TotalWords(), run.State().TotalWords);
    }
};

TEST(PartRecorder, DocumentsAreTheParts) {
    const std::string list = "the\nand\n";
    // The second document has no words: a column of zeros, no part in the measures.
    Watched w({"the cat and the dog", " ,;. ", "cat cat bird", "the the the dog"}, 0, &list);
    ASSERT_EQ(w.parts.Size(), 4u);
    EXPECT_EQ(w.Sizes(), (std::vector<std::int64_t>{5, 0, 3, 4}));
    EXPECT_EQ(w.parts.Parts()[2].key, w.dir.file("doc2.txt"));
    EXPECT_EQ(w.parts.Parts()[2].caption, "doc2.txt");
    EXPECT_EQ(w.Count("CAT", 0), 1);
    EXPECT_EQ(w.Count("CAT", 1), 0);
    EXPECT_EQ(w.Count("CAT", 2), 2);
    EXPECT_EQ(w.Count("THE", 3), 3);
    w.ExpectSumsMatchTheStore();
    std::int32_t at = 0;
    ASSERT_TRUE(w.run.Store().FindWord("DOG", at));
    const auto figures = ComputeDispersion(w.parts, w.run.Store().WordCount());
    const DispersionFigures& dog = figures[static_cast<std::size_t>(w.run.Store().AlphaIndex()[at])];
    const Expected e = Independent({1, 0, 1}, {5, 3, 4});
    EXPECT_EQ(dog.range, 2);
    EXPECT_NEAR(dog.juillandD, e.d, 1e-12);
    EXPECT_NEAR(dog.dp, e.dp, 1e-12);
    EXPECT_NEAR(dog.dpNorm, e.dpNorm, 1e-12);
}

// Twenty-three distinct words: each word's part shows where the cuts fall.
std::string Numbered(int from, int to) {
    std::string text;
    for (int i = from; i < to; ++i) text += "w" + std::string(1, char('a' + i / 26)) + char('a' + i % 26) + " ";
    return text;
}
std::string WordAt(int i) {
    return "W" + std::string(1, char('A' + i / 26)) + char('A' + i % 26);
}

TEST(PartRecorder, EqualPartsFollowTheSplitRule) {
    struct Case {
        std::vector<std::string> texts;
        int equalParts;
        std::vector<std::int64_t> sizes;
    } cases[] = {
        // One document: ten parts by default, the first 23 mod 10 one word longer.
        {{Numbered(0, 23)}, 0, {3, 3, 3, 2, 2, 2, 2, 2, 2, 2}},
        // Asked for: the cut runs across the documents' boundaries.
        {{Numbered(0, 9), Numbered(9, 23)}, 5, {5, 5, 5, 4, 4}},
        // Fewer words than parts: the last parts are empty.
        {{Numbered(0, 3)}, 5, {1, 1, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.equalParts);
        Watched w(c.texts, c.equalParts);
        ASSERT_EQ(w.Sizes(), c.sizes);
        EXPECT_EQ(w.parts.Parts()[1].key, "part_2");
        int word = 0;
        for (std::size_t p = 0; p < c.sizes.size(); ++p)
            for (std::int64_t k = 0; k < c.sizes[p]; ++k, ++word) {
                ASSERT_EQ(w.Count(WordAt(word), p), 1) << word;
                ASSERT_EQ(w.Count(WordAt(word), p == 0 ? 1 : p - 1), 0) << word;
            }
        w.ExpectSumsMatchTheStore();
    }
}

TEST(PartRecorder, RecordsPastSixteenBitsKeepTheirPlaces) {
    // 70,000 distinct words, then the first ones again: the sequence holds large record
    // numbers in more than one unit.
    std::string text;
    auto name = [](int i) {
        std::string w = "x";
        for (; i > 0; i /= 26) w += char('a' + i % 26);
        return w;
    };
    for (int i = 0; i < 70000; ++i) text += name(i) + (i % 10 ? " " : "\n");
    for (int i = 0; i < 30; ++i) text += name(i) + " ";
    Watched w({text}, 0);
    ASSERT_EQ(w.Sizes(), (std::vector<std::int64_t>(10, 7003)));
    for (int i : {0, 29, 65534, 65535, 65536, 69999}) {
        std::string upper = name(i);
        for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
        ASSERT_EQ(w.Count(upper, static_cast<std::size_t>(i / 7003)), 1) << i;
    }
    EXPECT_EQ(w.Count("X", 9), 1);  // name(0) once more in the last part
    w.ExpectSumsMatchTheStore();
}

TEST(PartRecorder, ThreadsGiveTheSameParts) {
    // Documents of many chunks are read on several threads; the parts must not change.
    std::string big;
    for (int i = 0; i < 4000; ++i) big += WordAt(i % 97 * (i % 7)) + (i % 13 ? " " : "\n");
    for (int equalParts : {0, 7}) {
        Watched one({big, "alpha beta", big.substr(0, 3000)}, equalParts, nullptr, 1);
        Watched four({big, "alpha beta", big.substr(0, 3000)}, equalParts, nullptr, 4);
        ASSERT_EQ(one.Sizes(), four.Sizes());
        ASSERT_EQ(one.parts.Pairs(), four.parts.Pairs());
        for (std::size_t p = 0; p < one.parts.Size(); ++p)
            for (const PartCount& pair : one.parts.InPart(p))
                ASSERT_EQ(four.Count(one.run.Store().WordRecord(static_cast<std::int32_t>(pair.record)).Text(), p),
                          pair.count);
        four.ExpectSumsMatchTheStore();
    }
}

TEST(PartRecorder, ManySmallDocumentsCostTwelveBytesAPairAtMost) {
    std::vector<std::string> texts;
    for (int d = 0; d < 1000; ++d) texts.push_back(WordAt(d % 50) + " " + WordAt(d % 31 + 50) + " " + WordAt(d % 50));
    Watched w(texts, 0);
    ASSERT_EQ(w.parts.Size(), 1000u);
    EXPECT_EQ(w.parts.Pairs(), 2000u);
    EXPECT_LE(w.parts.MemoryBytes(), 12 * w.parts.Pairs());
    EXPECT_EQ(w.Count(WordAt(7), 57), 2);
    w.ExpectSumsMatchTheStore();
}

TEST(DispersionTable, ExtendsTheWordTable) {
    const std::string list = "the\n";
    Watched w({"the cat sat cafe cat", "the cat", "dog"}, 0, &list);
    const auto figures = ComputeDispersion(w.parts, w.run.Store().WordCount());
    DisplayOptions display;
    display.ShowRelFreq = true;
    auto table = [&](DispersionColumns columns) {
        return DispersionTable(w.run.Store(), ShownWords(w.run.Store(), w.run.Orders(), display), w.parts, figures,
                               display, columns);
    };
    const DispersionTable plain = table({.measures = true, .perPart = false, .storedBytes = true});
    const std::string lines = FormatTable(plain, TableFormat::Table, {.separator = ','});
    // The saved analysis's lines, each with four more cells: CAT in two of three parts.
    const std::string saved = FormatAnalysis(w.run.Store(), w.run.Orders(), display, ',');
    ASSERT_EQ(lines.substr(0, lines.find("\r\n")), saved.substr(0, saved.find("\r\n")) + ",2,0.4908,0.1250,0.1429");
    EXPECT_NE(lines.find("\r\nCAFE,1,125000.0,1,0.0000,0.3750,0.4286\r\n"), std::string::npos) << lines;
    // The window's "Show dispersion": range and DP only, on every line.
    const std::string brief =
        FormatAnalysisWithDispersion(w.run.Store(), w.run.Orders(), display, ',', w.parts, figures);
    EXPECT_EQ(brief.substr(0, brief.find("\r\n")), saved.substr(0, saved.find("\r\n")) + ",2,0.1250");
    EXPECT_NE(brief.find("\r\nCAFE,1,125000.0,1,0.3750\r\n"), std::string::npos) << brief;
    EXPECT_EQ(std::count(brief.begin(), brief.end(), '\n'), std::count(saved.begin(), saved.end(), '\n'));
    const DispersionTable wide = table({.measures = false, .perPart = true});
    const std::string csv = FormatTable(wide, TableFormat::Csv);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "rank,word,count,per_million," + w.dir.file("doc0.txt") + "," +
                                                 w.dir.file("doc1.txt") + "," + w.dir.file("doc2.txt"));
    EXPECT_NE(csv.find(",CAFE,1,125000,1,0,0\n"), std::string::npos) << csv;
}

TEST(DispersionTable, OnePartLeavesTheMeasuresEmpty) {
    Watched w({"b a b"}, 0);
    PartCounts one({{"x.txt", "x.txt", 3}}, {{2, 1}});
    const auto figures = ComputeDispersion(one, w.run.Store().WordCount());
    const DispersionTable table(w.run.Store(), ShownWords(w.run.Store(), w.run.Orders(), {}), one, figures, {}, {});
    EXPECT_EQ(FormatTable(table, TableFormat::Table), "B\t2\t1\t\t\t\r\nA\t1\t1\t\t\t\r\n");
    EXPECT_EQ(FormatTable(table, TableFormat::Json),
              "[\n{\"rank\":1,\"word\":\"B\",\"count\":2,\"range\":1,\"juilland_d\":null,\"dp\":null,\"dp_norm\":null},"
              "\n{\"rank\":2,\"word\":\"A\",\"count\":1,\"range\":1,\"juilland_d\":null,\"dp\":null,\"dp_norm\":null}"
              "\n]\n");
}

}  // namespace
}  // namespace vornix
