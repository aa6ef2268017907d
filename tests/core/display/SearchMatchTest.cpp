#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/display/ResultFilter.h"
#include "core/display/SearchMatch.h"

using namespace vornix;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A table as the grid shows it: rank, "  " + word, count, built with the grid's own
// cell format.
struct Table {
    std::vector<std::pair<std::string, int>> rows;
    std::u16string Cell(int row, int column) const {
        const auto& [word, count] = rows[static_cast<std::size_t>(row)];
        switch (column) {
            case 0:
                return U(NumberCell(row + 1));
            case 1:
                return U("  " + word);
            default:
                return U(NumberCell(count));
        }
    }
    int Find(const SearchQuery& q, int current) const {
        return FindMatchingRow(q, current, static_cast<int>(rows.size()), [this](int r, int c) { return Cell(r, c); });
    }
};

SearchQuery Query(SearchKind kind, const std::string& text, bool lowerCase = false) {
    auto q = PrepareSearch(kind, U(text), lowerCase);
    EXPECT_TRUE(q.has_value()) << text;
    return q.value_or(SearchQuery{});
}

}  // namespace

TEST(SearchMatch, NumberSearchesTakeTheSettingsNumberSyntax) {
    // The full syntax is tested with ParseInt32; here only that searches use it.
    EXPECT_TRUE(PrepareSearch(SearchKind::Frequency, u"-$10", false).has_value());
    EXPECT_EQ(PrepareSearch(SearchKind::Frequency, u"$10", false)->target, 16);
    EXPECT_FALSE(PrepareSearch(SearchKind::Frequency, u"$80000000", false).has_value());
    EXPECT_FALSE(PrepareSearch(SearchKind::Ranking, u"1.5", false).has_value());
}

TEST(SearchMatch, RankSearchFindsRanksBeginningWithTheDigitsBelowTheCurrentRow) {
    Table t;
    for (int i = 0; i < 25; ++i) t.rows.push_back({"W" + std::to_string(i), 25 - i});
    const SearchQuery two = Query(SearchKind::Ranking, "2");
    EXPECT_EQ(t.Find(two, 0), 1);                              // rank 2
    EXPECT_EQ(t.Find(two, 1), 19);                             // rank 20, not 12
    EXPECT_EQ(t.Find(two, 19), 20);                            // rank 21
    EXPECT_EQ(t.Find(Query(SearchKind::Ranking, "1"), 0), 9);  // rank 10: the current row is never tested
    EXPECT_EQ(t.Find(Query(SearchKind::Ranking, "25"), 23), 24);
    EXPECT_EQ(t.Find(Query(SearchKind::Ranking, "25"), 24), -1);  // last row current: nothing tested
    EXPECT_EQ(t.Find(Query(SearchKind::Ranking, "3"), 22), -1);   // no wrap-around to rank 3
}

TEST(SearchMatch, WordSearchMatchesTheBeginningOfTheWordInTheTableCase) {
    Table t{{{"AT", 9}, {"ATHE", 5}, {"THE", 4}, {"THEM", 3}, {"THE-2", 2}, {"O'THE", 1}}};
    const SearchQuery upper = Query(SearchKind::Word, "tHe");
    EXPECT_EQ(upper.text, u"THE");
    EXPECT_EQ(t.Find(upper, 0), 2);  // not ATHE: the word must begin with it
    EXPECT_EQ(t.Find(upper, 2), 3);
    EXPECT_EQ(t.Find(upper, 3), 4);
    EXPECT_EQ(t.Find(upper, 4), -1);  // O'THE does not begin with THE
    EXPECT_EQ(Query(SearchKind::Word, "ThE", true).text, u"the");
    // Only A-Z and a-z change case; other characters must match as typed.
    EXPECT_EQ(SearchCaseForm(u"é-Ab1", false), u"é-AB1");
    EXPECT_EQ(SearchCaseForm(u"É-Ab1", true), u"É-ab1");
    const std::u16string cell = u"  \u00C9T\u00C9";
    SearchQuery accented{SearchKind::Word, u"\u00C9t", 0};
    EXPECT_FALSE(CellMatches(accented, cell));  // "t" is upper-cased only by PrepareSearch
    auto prepared = PrepareSearch(SearchKind::Word, u"\u00C9t", false);
    ASSERT_TRUE(prepared);
    EXPECT_TRUE(CellMatches(*prepared, cell));
    EXPECT_FALSE(CellMatches(*PrepareSearch(SearchKind::Word, u"\u00E9t", false), cell));
}

TEST(SearchMatch, FrequencySearchFindsTheFirstCountAtOrBelowTheTarget) {
    Table t{{{"A", 900000}, {"B", 7}, {"C", 6}, {"D", 5}, {"E", 5}, {"F", 1}}};
    const SearchQuery five = Query(SearchKind::Frequency, "5");
    EXPECT_EQ(five.target, 5);
    EXPECT_EQ(t.Find(five, 0), 3);
    EXPECT_EQ(t.Find(five, 3), 4);
    EXPECT_EQ(t.Find(Query(SearchKind::Frequency, " $6"), 0), 2);
    EXPECT_EQ(t.Find(Query(SearchKind::Frequency, "0"), 0), -1);
    EXPECT_EQ(t.Find(Query(SearchKind::Frequency, "-3"), 0), -1);
    EXPECT_EQ(t.Find(Query(SearchKind::Frequency, "2147483647"), 0), 1);
    // A count wider than the six-place field still reads as a number.
    EXPECT_TRUE(CellMatches(Query(SearchKind::Frequency, "1234567"), U(NumberCell(1234567))));
}

TEST(SearchMatch, RefusedTextsGiveNoQueryAndTheNotFoundTextQuotesTheSearch) {
    // A number search with a text the window refused can still be remembered; it must
    // not turn into a search.
    EXPECT_FALSE(PrepareSearch(SearchKind::Frequency, u"ten", false));
    EXPECT_FALSE(PrepareSearch(SearchKind::Ranking, u"2a", false));
    EXPECT_FALSE(PrepareSearch(SearchKind::Word, u"", false));
    EXPECT_FALSE(PrepareSearch(SearchKind::None, u"5", false));
    EXPECT_EQ(NotFoundText(SearchKind::Word, u"THE"), u"Search text \"THE\" not found.");
    EXPECT_EQ(NotFoundText(SearchKind::Ranking, u"99"), u"Search text \"99\" not found.");
    EXPECT_EQ(NotFoundText(SearchKind::Frequency, u" 0"), u"Search text \" 0 (or less)\" not found.");
}
