// N-grams of real runs against sequences counted here from the scanner's words, the
// limit, the hidden rule and the orders.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/Scanner.h"
#include "core/ngrams/NGrams.h"

namespace vornix {
namespace {

using test::TempDir;

struct Expected {
    std::int64_t count = 0;
    std::set<std::size_t> documents;
    bool operator==(const Expected&) const = default;
};

// The n-grams of the documents, joined by spaces, counted from each document's own
// word list (the scanner's words, possessives stripped as the run strips them).
std::map<std::string, Expected> CountHere(const std::vector<std::string>& texts, int n, bool strip) {
    std::map<std::string, Expected> out;
    const CharMapTable map = BuildCharMap(CharacterSet::Windows);
    for (std::size_t d = 0; d < texts.size(); ++d) {
        std::vector<std::string> words;
        Scanner scanner(map);
        scanner.Start();
        auto onWord = [&](std::string_view w) {
            if (strip) w = w.substr(0, StripPossessive(w.data(), w.size()));
            words.emplace_back(w);
            return true;
        };
        scanner.Feed(reinterpret_cast<const unsigned char*>(texts[d].data()), texts[d].size(), onWord);
        scanner.Finish(onWord);
        for (std::size_t i = 0; i + n <= words.size(); ++i) {
            std::string key = words[i];
            for (int k = 1; k < n; ++k) key += " " + words[i + k];
            ++out[key].count;
            out[key].documents.insert(d);
        }
    }
    return out;
}

std::map<std::string, Expected> FromTable(const NGramTable& table) {
    std::map<std::string, Expected> out;
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        Expected& e = out[table.Shown(r)];
        EXPECT_EQ(e.count, 0) << "twice: " << table.Shown(r);
        e.count = static_cast<std::int64_t>(table.Number(r, 1));
        for (std::size_t k = 0; k < static_cast<std::size_t>(table.Number(r, 2)); ++k) e.documents.insert(k);
    }
    return out;
}

DisplayOptions ShowAll() {
    DisplayOptions d;
    d.ShowCommonWords = d.ShowNumbers = true;
    return d;
}

struct Counted {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    NGramCounter counter;
    Counted(const std::vector<std::string>& texts, int n, bool strip, const std::string* list = nullptr,
            std::size_t chunkBytes = 0)
        : counter(n) {
        if (chunkBytes) {
            run.SetThreads(3);
            run.SetChunkBytes(chunkBytes);
        } else {
            run.SetThreads(1);
        }
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("doc" + std::to_string(i) + ".txt", texts[i]));
        std::string listPath = list ? dir.write("list.dat", *list) : std::string();
        run.SetObserver(&counter);
        run.GeneralInitialize(CharacterSet::Windows, list ? &listPath : nullptr);
        run.ReadDocuments(paths, strip);
        run.GeneralClosedown();
    }
};

TEST(NGrams, MatchTheSequencesOfEachDocumentCountedApart) {
    const std::string genesis = test::ReadFile(test::CorpusExcerpt("kjv-genesis.txt"));
    const std::string sonnets = test::ReadFile(test::CorpusExcerpt("shakespeare-sonnets.txt"));
    ASSERT_GT(genesis.size(), 10000u);
    const std::string cut40 = "Pneumonoultramicroscopicsilicovolcanoconiosis lung; " + std::string(39, 'q') + "'s end";
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        int n;
        bool strip;
        std::size_t chunkBytes;  // 0: one thread
    } cases[] = {
        {"boundary", {"one two three", "four five", "six"}, 2, false, 0},
        {"boundary, order 3", {"a b c d", "a b c d", "c d a b"}, 3, false, 0},
        {"possessives", {"The cat's hat and the dog's bone; it's the cat's", "cats' dogs's"}, 2, true, 0},
        {"possessives kept", {"The cat's hat and the dog's bone"}, 2, false, 0},
        {"cut at 40", {cut40}, 2, false, 0},
        {"real texts", {genesis, sonnets, genesis}, 2, false, 0},
        {"real texts, order 5", {sonnets, genesis}, 5, false, 0},
        {"real texts on threads", {genesis + sonnets + genesis}, 3, true, 4096},
        {"threads, order 2", {sonnets + genesis}, 2, false, 4096},
        {"threads, order 8", {genesis + sonnets}, 8, false, 4096},
        {"order 8", {sonnets}, 8, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Counted counted(c.texts, c.n, c.strip, nullptr, c.chunkBytes);
        const NGramTable table(counted.counter, counted.run.Store(), ShowAll(), NGramOrder::Frequency);
        const auto expected = CountHere(c.texts, c.n, c.strip);
        const auto got = FromTable(table);
        ASSERT_EQ(got.size(), expected.size());
        std::int64_t total = 0;
        for (const auto& [text, e] : expected) {
            const auto it = got.find(text);
            ASSERT_NE(it, got.end()) << text;
            EXPECT_EQ(it->second.count, e.count) << text;
            EXPECT_EQ(it->second.documents.size(), e.documents.size()) << text;
            total += e.count;
        }
        EXPECT_EQ(counted.counter.Total(), total);
        // Read again after the count, as the window counts them: the same n-grams.
        NGramSearch again(counted.run, c.n);
        while (again.Step(1 << 12)) {
        }
        EXPECT_TRUE(FromTable(NGramTable(again.Counter(), counted.run.Store(), ShowAll(), NGramOrder::Frequency)) ==
                    got);
        EXPECT_EQ(again.Counter().Total(), total);
    }
    // The stored forms: cut to 40 letters, the possessive of a 39-letter word gone.
    Counted cut({cut40}, 2, true);
    const auto got = FromTable(NGramTable(cut.counter, cut.run.Store(), ShowAll(), NGramOrder::Alphabetical));
    EXPECT_TRUE(got.count("PNEUMONOULTRAMICROSCOPICSILICOVOLCANOCON LUNG"));
    EXPECT_TRUE(got.count(std::string(39, 'Q') + " END"));
}

TEST(NGrams, StopAtTheWordWhereTheCountStopped) {
    // 500,000 distinct words fill the store; the count stops at the last of them and
    // so do the n-grams.
    std::string text;
    for (int i = 0; i < WordStore::DefaultMaxWords + 20; ++i) text += "w" + std::to_string(i) + " ";
    // On one thread, and on three, where the chunks near the limit are read again word
    // by word after chunks merged whole.
    for (const std::size_t chunkBytes : {std::size_t{0}, std::size_t{1} << 16}) {
        SCOPED_TRACE(chunkBytes);
        Counted counted({"alpha beta", text, "gamma delta"}, 2, false, nullptr, chunkBytes);
        ASSERT_TRUE(counted.run.LimitReached());
        const std::int32_t words = counted.run.State().TotalWords;
        EXPECT_EQ(words, WordStore::DefaultMaxWords);
        // Each document gives its words less one.
        EXPECT_EQ(counted.counter.Total(), (2 - 1) + (words - 2 - 1));
        const NGramTable table(counted.counter, counted.run.Store(), ShowAll(), NGramOrder::Alphabetical);
        const auto got = FromTable(table);
        const std::string lastTwo = "W" + std::to_string(WordStore::DefaultMaxWords - 4) + " W" +
                                    std::to_string(WordStore::DefaultMaxWords - 3);
        EXPECT_TRUE(got.count(lastTwo));
        EXPECT_FALSE(got.count("W" + std::to_string(WordStore::DefaultMaxWords - 3) + " W" +
                               std::to_string(WordStore::DefaultMaxWords - 2)));
        EXPECT_FALSE(got.count("GAMMA DELTA"));
        NGramSearch again(counted.run, 2);
        again.RunToEnd();
        EXPECT_EQ(again.Counter().Total(), counted.counter.Total());
        EXPECT_EQ(again.Counter().Distinct(), counted.counter.Distinct());
        EXPECT_TRUE(FromTable(NGramTable(again.Counter(), counted.run.Store(), ShowAll(), NGramOrder::Alphabetical)) ==
                    got);
    }
}

TEST(NGrams, RangeCountsDocumentsAcrossTheStampsRunningOut) {
    // 70,000 documents: the 16-bit document stamps run out and are cleared.
    NGramCounter counter(2);
    const std::int32_t ab[] = {0, 1}, cd[] = {2, 3};
    for (int d = 0; d < 70000; ++d) {
        counter.BeginDocument();
        counter.Words(ab, 2);
        counter.Words(ab, 2);  // A B A B: A B twice, B A once
        if (d == 0 || d == 65535 || d == 65536) counter.Words(cd, 2);
    }
    ASSERT_EQ(counter.Distinct(), 4u);  // A B, B A, B C, C D
    const std::int32_t expectedCount[] = {140000, 70000, 3, 3};
    const std::int32_t expectedRange[] = {70000, 70000, 3, 3};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(counter.Count(i), expectedCount[i]) << i;
        EXPECT_EQ(counter.Range(i), expectedRange[i]) << i;
    }
    // Many distinct n-grams: the table grows and keeps every one.
    NGramCounter many(3);
    many.BeginDocument();
    std::map<std::vector<std::int32_t>, int> here;
    std::vector<std::int32_t> seq;
    std::uint32_t x = 12345;
    for (int i = 0; i < 120000; ++i) {
        x = x * 1103515245 + 12345;
        seq.push_back(static_cast<std::int32_t>((x >> 16) % 200));
    }
    many.Words(seq.data(), seq.size());
    for (std::size_t i = 0; i + 3 <= seq.size(); ++i) ++here[{seq[i], seq[i + 1], seq[i + 2]}];
    ASSERT_EQ(many.Distinct(), here.size());
    for (std::size_t i = 0; i < many.Distinct(); ++i) {
        const std::int32_t* r = many.Records(i);
        ASSERT_EQ(many.Count(i), (here[{r[0], r[1], r[2]}])) << i;
    }
    EXPECT_LE(many.MemoryBytes(), here.size() * (16 + 4 * 3) + (std::size_t{1} << 20));
    // The hash table let go and the same words again, in a second document: every
    // n-gram found again rather than numbered anew, counts doubled, in two documents.
    const std::size_t distinct = many.Distinct();
    many.ReleaseLookup();
    EXPECT_LT(many.MemoryBytes(), distinct * (4 + 4 * 3) + (std::size_t{1} << 20));
    many.BeginDocument();
    many.Words(seq.data(), seq.size());
    ASSERT_EQ(many.Distinct(), distinct);
    for (std::size_t i = 0; i < distinct; ++i) {
        const std::int32_t* r = many.Records(i);
        ASSERT_EQ(many.Count(i), (2 * here[{r[0], r[1], r[2]}])) << i;
        ASSERT_EQ(many.Range(i), 2) << i;
    }
}

std::vector<std::string> Shown(const NGramTable& table) {
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < table.Rows(); ++r)
        rows.push_back(table.Shown(r) + ":" + std::to_string(static_cast<int>(table.Number(r, 1))));
    return rows;
}

TEST(NGrams, HiddenWhenEveryWordIsHiddenThresholdOnTheNGramsCount) {
    const std::string list = "THE\r\nOF\r\n";
    Counted counted({"of the 12 3 cat of the 12 dog of the"}, 2, false, &list);
    const WordStore& store = counted.run.Store();
    struct Case {
        bool common, numbers, lower;
        std::int32_t threshold;
        std::vector<std::string> rows;
    } cases[] = {
        // OF THE: all common; 12 3: all numbers; THE 12: one of each; 12 DOG: DOG shown.
        {false, false, false, 1, {"12 DOG:1", "3 CAT:1", "CAT OF:1", "DOG OF:1"}},
        {true, false, false, 1, {"OF THE:3", "THE 12:2", "12 DOG:1", "3 CAT:1", "CAT OF:1", "DOG OF:1"}},
        {false, true, false, 1, {"THE 12:2", "12 3:1", "12 DOG:1", "3 CAT:1", "CAT OF:1", "DOG OF:1"}},
        {true, true, true, 2, {"of the:3", "the 12:2"}},
        {false, false, false, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.common << c.numbers << c.threshold);
        DisplayOptions d;
        d.ShowCommonWords = c.common;
        d.ShowNumbers = c.numbers;
        d.LowerCase = c.lower;
        d.ActiveThreshold = c.threshold;
        EXPECT_EQ(Shown(NGramTable(counted.counter, store, d, NGramOrder::Frequency)), c.rows);
    }
}

TEST(NGrams, Orders) {
    // A B sorts before AB (the joining space before any letter); _ sorts between the
    // upper- and the lower-case letters, so the lower-case display changes its place.
    Counted counted({"ab c a b x a b ab c _q zz zz zz ab c"}, 2, false);
    const WordStore& store = counted.run.Store();
    DisplayOptions d = ShowAll();
    const std::vector<std::string> frequency = {"AB C:3", "A B:2",  "ZZ ZZ:2", "B AB:1",  "B X:1",
                                                "C A:1",  "C _Q:1", "X A:1",   "ZZ AB:1", "_Q ZZ:1"};
    EXPECT_EQ(Shown(NGramTable(counted.counter, store, d, NGramOrder::Frequency)), frequency);
    const std::vector<std::string> alphabetical = {"A B:2",  "AB C:3", "B AB:1",  "B X:1",   "C A:1",
                                                   "C _Q:1", "X A:1",  "ZZ AB:1", "ZZ ZZ:2", "_Q ZZ:1"};
    EXPECT_EQ(Shown(NGramTable(counted.counter, store, d, NGramOrder::Alphabetical)), alphabetical);
    const std::vector<std::string> length = {"ZZ AB:1", "ZZ ZZ:2", "_Q ZZ:1", "AB C:3", "B AB:1",
                                             "C _Q:1",  "A B:2",   "B X:1",   "C A:1",  "X A:1"};
    EXPECT_EQ(Shown(NGramTable(counted.counter, store, d, NGramOrder::Length)), length);
    d.LowerCase = true;
    const std::vector<std::string> lower = {"_q zz:1", "a b:2", "ab c:3", "b ab:1",  "b x:1",
                                            "c _q:1",  "c a:1", "x a:1",  "zz ab:1", "zz zz:2"};
    // (c _q before c a: the underscore sorts before the lower-case letters.)
    EXPECT_EQ(Shown(NGramTable(counted.counter, store, d, NGramOrder::Alphabetical)), lower);
    // The formats: the plain table holds the n-gram and its count; the others the range.
    d.LowerCase = false;
    d.ActiveThreshold = 3;
    const NGramTable top(counted.counter, store, d, NGramOrder::Frequency);
    EXPECT_EQ(FormatTable(top, TableFormat::Table), "AB C\t3\r\n");
    EXPECT_EQ(FormatTable(top, TableFormat::Csv), "rank,ngram,count,range\n1,AB C,3,1\n");
}

}  // namespace
}  // namespace vornix
