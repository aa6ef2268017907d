// A word limit of choice: every rule of the 500,000-word limit holds at any limit from
// 1,000 to 100,000,000, on one thread and on several, and a limit above the default
// lets a run keep more words than the default would.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"

using namespace vornix;
using vornix::test::ReadFile;
using vornix::test::TempDir;

namespace {

// Word n: "k" and n in base 26, least significant letter first, so no two are equal.
std::string Word(int n) {
    std::string w = "k";
    do {
        w += static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n > 0);
    return w;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
}

// distinct new words in order; after every third new word, a repeat of an earlier one.
std::vector<std::string> Sequence(int distinct) {
    std::vector<std::string> words;
    for (int i = 0; i < distinct; ++i) {
        words.push_back(Word(i));
        if (i % 3 == 2) words.push_back(Word(i / 2));
    }
    return words;
}

std::string Text(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) text += words[i] + (i % 10 == 9 ? "\r\n" : " ");
    return text;
}

// What a run must keep, worked out here from the words alone: every word up to and
// including the limit-th distinct one, with its count, in order of first meeting.
struct Expected {
    std::vector<std::string> records;
    std::map<std::string, std::int32_t> counts;
    std::int32_t total = 0;
};
Expected Keep(const std::vector<std::string>& words, int limit) {
    Expected e;
    for (const std::string& w : words) {
        if (!e.counts.count(w)) {
            if (static_cast<int>(e.records.size()) == limit) break;
            e.records.push_back(Upper(w));
        }
        ++e.counts[w];
        ++e.total;
        if (static_cast<int>(e.records.size()) == limit) break;  // the run stops after that word
    }
    return e;
}

struct Outcome {
    std::string records;
    std::vector<std::int32_t> counts, freq;
    std::int32_t total = 0;
    bool limit = false;
    std::string message;
    bool operator==(const Outcome&) const = default;
};

Outcome Count(const TempDir& dir, const std::vector<std::string>& docs, int limit, unsigned threads,
              const std::string* list = nullptr) {
    AnalysisRun run(dir.file("Vornix.$$$"));
    run.SetMaxWords(limit);
    run.SetThreads(threads);
    run.SetChunkBytes(512);  // many chunks, so the merge meets the limit inside one
    run.GeneralInitialize(CharacterSet::Windows, list);
    run.ReadDocuments(docs, false);
    run.GeneralClosedown();
    Outcome o;
    const std::int32_t n = run.Store().WordCount();
    o.records = ReadFile(run.Store().WordFilePath());
    o.counts.assign(run.Store().Counts().begin(), run.Store().Counts().begin() + n);
    o.freq.assign(run.Orders().FreqIndex.begin() + 1, run.Orders().FreqIndex.begin() + 1 + n);
    o.total = run.State().TotalWords;
    o.limit = run.LimitReached();
    if (o.limit) o.message = LimitMessage(run.Store().MaxWords());
    return o;
}

std::string RecordText(const std::string& records, std::size_t n) {
    const std::string rec = records.substr(43 * n, 43);
    return rec.substr(1, static_cast<unsigned char>(rec[0]));
}

}  // namespace

TEST(WordLimit, EveryRuleOfTheLimitHoldsAtALimitOfChoice) {
    TempDir dir;
    const std::vector<std::string> words = Sequence(1200);
    const std::string doc = dir.write("doc.txt", Text(words));
    const std::string later = dir.write("later.txt", Text(Sequence(30)));
    const std::string listPath = dir.write("list.dat", "KA\r\nKB\r\nZZZ\r\n");
    struct Case {
        const char* name;
        int limit;
        const std::string* list;
        int fromList;  // list words that are not in the text
    };
    const Case cases[] = {
        {"the least limit", 1000, nullptr, 0},
        {"a limit between", 1100, nullptr, 0},
        // KA and KB are words 0 and 1 of the text; ZZZ takes a place of its own.
        {"list words hold places", 1000, &listPath, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Expected e = Keep(words, c.limit - c.fromList);
        const Outcome one = Count(dir, {doc, later}, c.limit, 1, c.list);
        EXPECT_TRUE(one.limit);
        EXPECT_EQ(one.message, "Reached unique-words limit " + std::to_string(c.limit) + ": cannot read more.");
        ASSERT_EQ(one.records.size(), 43u * c.limit);
        // The last word kept is the limit-th distinct one; nothing after it counts,
        // and the later document is never read.
        EXPECT_EQ(RecordText(one.records, c.limit - 1), e.records.back());
        EXPECT_EQ(one.total, e.total);
        // Every record kept is a word the text gave before the limit (or the list's own),
        // with its count there.
        std::size_t fromText = 0;
        for (std::size_t r = 0; r < static_cast<std::size_t>(c.limit); ++r) {
            const std::string w = RecordText(one.records, r);
            if (w == "ZZZ") {
                EXPECT_EQ(one.counts[r], 0);
                continue;
            }
            std::string lower = w;
            for (char& ch : lower) ch = static_cast<char>(ch - 'A' + 'a');
            ASSERT_TRUE(e.counts.count(lower)) << w;
            ASSERT_EQ(one.counts[r], e.counts.at(lower)) << w;
            ++fromText;
        }
        EXPECT_EQ(fromText, e.records.size());
        for (unsigned threads : {2u, 4u})
            EXPECT_TRUE(Count(dir, {doc, later}, c.limit, threads, c.list) == one) << threads << " threads";
    }
}

TEST(WordLimit, ALimitAboveTheDefaultKeepsEveryWord) {
    TempDir dir;
    constexpr int kDistinct = 600000;
    std::vector<std::string> words = Sequence(kDistinct);
    words.pop_back();  // the text ends with its last new word
    ASSERT_EQ(words.back(), Word(kDistinct - 1));
    const std::string doc = dir.write("many.txt", Text(words));
    const Outcome one = Count(dir, {doc}, kDistinct, 1);
    // The limit-th word is the last of the text: the run reaches the limit there and
    // has read every word.
    EXPECT_TRUE(one.limit);
    EXPECT_EQ(one.total, static_cast<std::int32_t>(words.size()));
    ASSERT_EQ(one.records.size(), 43u * kDistinct);
    EXPECT_EQ(RecordText(one.records, kDistinct - 1), Upper(Word(kDistinct - 1)));
    EXPECT_EQ(one.counts[1], 2);  // word 1 again after word 2
    EXPECT_EQ(one.counts[kDistinct - 1], 1);
    // One more place: no limit at all, the same words.
    const Outcome roomy = Count(dir, {doc}, kDistinct + 1, 2);
    EXPECT_FALSE(roomy.limit);
    EXPECT_EQ(roomy.records, one.records);
    EXPECT_EQ(roomy.counts, one.counts);
    EXPECT_TRUE(Count(dir, {doc}, kDistinct, 2) == one);
    // The default stops at 500,000, as ever.
    const Outcome standard = Count(dir, {doc}, WordStore::DefaultMaxWords, 2);
    EXPECT_EQ(standard.records, one.records.substr(0, 43u * WordStore::DefaultMaxWords));
}

TEST(WordLimit, TheLimitIsKeptWithinItsBoundsAndTakesEffectAtTheNextRun) {
    TempDir dir;
    RunState state;
    WordStore store(dir.file("Vornix.$$$"), state);
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {999, 1000}, {1000, 1000}, {-5, 1000}, {123456, 123456}, {100000000, 100000000}, {100000001, 100000000}};
    std::int32_t before = WordStore::DefaultMaxWords;
    for (const auto& [asked, got] : cases) {
        store.SetMaxWords(asked);
        EXPECT_EQ(store.MaxWords(), before) << asked;  // the run in progress keeps its limit
        store.ClearStore();
        EXPECT_EQ(store.MaxWords(), got) << asked;
        before = got;
    }
}
