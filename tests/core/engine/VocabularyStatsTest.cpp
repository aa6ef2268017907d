#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/VocabularyStats.h"

using namespace vornix;
using vornix::test::TempDir;

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// Distinct letter-only words: W, then i in base 26.
std::string Name(int i) {
    std::string s = "W";
    do {
        s += static_cast<char>('A' + i % 26);
        i /= 26;
    } while (i > 0);
    return s;
}

// `repeat` copies of each of the words first .. first + distinct - 1, in turn.
std::string Words(int first, int distinct, int repeat) {
    std::string text;
    for (int r = 0; r < repeat; ++r)
        for (int i = first; i < first + distinct; ++i) text += Name(i) + " ";
    return text;
}

struct VocabFixture : ::testing::Test {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};

    Rows RowsOf(const std::string& text, const char* list = nullptr, bool lower = false) {
        std::string listPath;
        if (list) listPath = dir.write("list.dat", list);
        run.GeneralInitialize(CharacterSet::Windows, list ? &listPath : nullptr);
        run.ReadDocuments({dir.write("doc.txt", text)}, false);
        run.GeneralClosedown();
        return VocabularyRows(run.Store(), run.Vocabulary(), lower);
    }
};

Rows Expected(const std::string& ttr, const std::string& sttr, int once, int twice, const std::string& mean,
              const std::string& longest) {
    return {{"Type/token ratio", ttr},
            {"Standardised type/token ratio (per 1,000 words)", sttr},
            {"Words occurring once", std::to_string(once)},
            {"Words occurring twice", std::to_string(twice)},
            {"Mean word length (characters)", mean},
            {"Longest word", longest}};
}

}  // namespace

TEST_F(VocabFixture, HandCountedTexts) {
    struct Case {
        const char* text;
        Rows expected;
    } cases[] = {
        // 5 words, 4 distinct; lengths 3+3+3+3+3; all longest: the first alphabetically.
        {"The cat and the dog", Expected("0.8000", "", 3, 1, "3.00", "AND")},
        // A tie among ZEBRA, APPLE, MANGO; 24 letters over 5 words.
        {"Zebra apple mango apple kiwi", Expected("0.8000", "", 3, 1, "4.80", "APPLE")},
        // 2/3 and 5/3 round up; the ligature is two characters.
        {"\xC6on ab \xC6on", Expected("0.6667", "", 1, 1, "3.33", "AEON")},
        // 9 letters over 8 words is exactly 1.125: an exact half rounds up.
        {"ab a a a a a a a", Expected("0.2500", "", 1, 0, "1.13", "AB")},
        // Three occurrences: neither once nor twice.
        {"x x x", Expected("0.3333", "", 0, 0, "1.00", "X")},
        // Nothing counted: the measures are undefined, not zero.
        {" ... ", Expected("", "", 0, 0, "", "")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(RowsOf(c.text), c.expected);
    }
}

TEST_F(VocabFixture, StandardisedRatioUsesOnlyWholeThousands) {
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {Words(0, 250, 4), "0.2500"},                       // exactly 1,000 words
        {Words(0, 250, 4).substr(Name(0).size() + 1), ""},  // 999 words
        // The second thousand repeats the first chunk's words: they count again there.
        {Words(0, 250, 4) + Words(0, 500, 2), "0.3750"},
        {Words(0, 250, 4) + Words(0, 500, 2) + Words(600, 300, 1), "0.3750"},  // a partial chunk left out
        {Words(0, 1000, 1) + Words(0, 1000, 1), "1.0000"},
        // Past 255 chunks the stamps are reused: the old ones must not count as seen.
        {Words(0, 250, 1200) + Words(0, 500, 2), "0.2508"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(RowsOf(c.text)[1].second, c.expected);
        // A second run over the same store starts its chunks afresh.
        EXPECT_EQ(RowsOf(c.text)[1].second, c.expected);
    }
}

TEST_F(VocabFixture, CommonWordsListChangesNoFigure) {
    // The list holds words of the text and words it never uses; the latter have count 0
    // and must not pass for words occurring, nor be noted in a chunk.
    const std::string text = Words(0, 250, 4) + "the cat and the dog of";
    const Rows without = RowsOf(text);
    const std::string list = "THE\nOF\nAND\nNEVER\nUNUSED\n" + Words(0, 10, 1);
    EXPECT_EQ(RowsOf(text, list.c_str()), without);
    EXPECT_EQ(run.Vocabulary().UniqueWords, run.Stats().UniqueWords);
    EXPECT_EQ(run.Vocabulary().TotalWords, run.Stats().TotalWords);
    EXPECT_EQ(RowsOf("Zebra apple", nullptr, true).back().second, "apple");
}

TEST(FixedRatio, RoundsHalfUpWithAFullStop) {
    struct Case {
        std::int64_t num, den;
        int places;
        const char* expected;
    } cases[] = {
        {2, 3, 4, "0.6667"},
        {1, 8, 2, "0.13"},
        {0, 7, 4, "0.0000"},
        {7, 7, 2, "1.00"},
        {5, 2, 0, "3"},
        {1, 0, 2, ""},
        {123456789012LL, 1, 1, "123456789012.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(FixedRatio(c.num, c.den, c.places), c.expected) << c.num << "/" << c.den;
}

TEST(PerMillion, OneDecimalOfTheRunsWords) {
    struct Case {
        std::int64_t count, total;
        const char* expected;
    } cases[] = {
        {1, 3, "333333.3"},     {2, 3, "666666.7"}, {1, 1, "1000000.0"},
        {1, 7, "142857.1"},     {1, 256, "3906.3"},  // 3906.25: the half rounds up
        {0, 5, "0.0"},          {5, 0, ""},         {2147483647, 2147483647, "1000000.0"},
        {1, 2147483647, "0.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(PerMillionText(c.count, c.total), c.expected) << c.count << "/" << c.total;
}
