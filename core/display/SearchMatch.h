#pragma once
// What the search window decides: whether a search text is a number, which table row
// matches, and the message when none does. The texts are the table's cells as shown
// (UTF-16, as the grid holds them), so the user's typed text is compared with what the
// user sees.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/engine/TextRules.h"

namespace vornix {

// The kind of a search is also the table column it looks at.
enum class SearchKind : std::int32_t { None = -1, Ranking = 0, Word = 1, Frequency = 2 };

// A search text is a number when ParseInt32 reads it; this name stays for the window's
// callers until they call ParseInt32 themselves.
inline std::optional<std::int32_t> ParseSearchNumber(std::u16string_view text) {
    return ParseInt32(text);
}

// A-Z to a-z (lowerCase) or a-z to A-Z; every other character stays as typed. With
// allScripts (a table of words of every script) a text beyond ASCII takes the table's
// case by the full Unicode mapping, as the table shows its words.
std::u16string SearchCaseForm(std::u16string_view text, bool lowerCase, bool allScripts = false);

// A search ready to run over the rows.
struct SearchQuery {
    SearchKind kind = SearchKind::None;
    std::u16string text;      // Ranking and Word: the text a cell must hold after a space
    std::int32_t target = 0;  // Frequency: the highest count that matches
};

// Builds the query from the remembered kind and text. A Word search takes the text in
// the case form of the table; Ranking and Frequency texts must be numbers (a text
// rejected in the window can still be remembered). Nothing when the text is unusable.
std::optional<SearchQuery> PrepareSearch(SearchKind kind, std::u16string_view text, bool lowerCase,
                                         bool allScripts = false);

// Whether one cell of the query's column matches: Ranking and Word cells hold a space
// immediately followed by the text (cells are blanks, then one number or word, so the
// number or word begins with it); a Frequency cell, its leading spaces removed, is a
// number no greater than the target.
bool CellMatches(const SearchQuery& query, std::u16string_view cell);

// The first row after current, up to rowCount - 1, whose cell in the query's column
// matches; -1 when none does. The current row itself is never tested and the search
// does not wrap around. cellText(row, column) gives a cell as shown.
int FindMatchingRow(const SearchQuery& query, int current, int rowCount,
                    const std::function<std::u16string(int row, int column)>& cellText);

// Search text "TEXT" not found. - for a Frequency search the quotes hold
// "TEXT (or less)".
std::u16string NotFoundText(SearchKind kind, std::u16string_view text);

}  // namespace vornix
