#include "core/display/SearchMatch.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "core/engine/TextRules.h"

namespace vornix {

std::u16string SearchCaseForm(std::u16string_view text, bool lowerCase, bool allScripts) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
    if (allScripts && !ascii) {
        icu::UnicodeString s(false, text.data(), static_cast<std::int32_t>(text.size()));
        if (lowerCase)
            s.toLower(icu::Locale::getRoot());
        else
            s.toUpper(icu::Locale::getRoot());
        return std::u16string(s.getBuffer(), static_cast<std::size_t>(s.length()));
    }
    std::u16string out(text);
    AsciiCaseForm(out, lowerCase);
    return out;
}

std::optional<SearchQuery> PrepareSearch(SearchKind kind, std::u16string_view text, bool lowerCase, bool allScripts) {
    if (text.empty()) return std::nullopt;
    SearchQuery q;
    q.kind = kind;
    switch (kind) {
        case SearchKind::Word:
            q.text = SearchCaseForm(text, lowerCase, allScripts);
            return q;
        case SearchKind::Ranking:
            // The rank's digits are compared as typed; the number test only keeps a text
            // the window refused from being searched.
            if (!ParseInt32(text)) return std::nullopt;
            q.text = std::u16string(text);
            return q;
        case SearchKind::Frequency: {
            const auto target = ParseInt32(text);
            if (!target) return std::nullopt;
            q.text = std::u16string(text);
            q.target = *target;
            return q;
        }
        default:
            return std::nullopt;
    }
}

bool CellMatches(const SearchQuery& query, std::u16string_view cell) {
    if (query.kind == SearchKind::Frequency) {
        while (!cell.empty() && cell.front() == u' ') cell.remove_prefix(1);
        const auto count = ParseInt32(cell);
        return count && *count <= query.target;
    }
    std::u16string needle = u" ";
    needle += query.text;
    return cell.find(needle) != std::u16string_view::npos;
}

int FindMatchingRow(const SearchQuery& query, int current, int rowCount,
                    const std::function<std::u16string(int row, int column)>& cellText) {
    const int column = static_cast<int>(query.kind);
    if (column < 0) return -1;
    for (int row = current + 1; row < rowCount; ++row)
        if (CellMatches(query, cellText(row, column))) return row;
    return -1;
}

std::u16string NotFoundText(SearchKind kind, std::u16string_view text) {
    std::u16string out = u"Search text \"";
    out += text;
    if (kind == SearchKind::Frequency) out += u" (or less)";
    out += u"\" not found.";
    return out;
}

}  // namespace vornix
