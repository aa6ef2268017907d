#include "display/SearchMatch.h"

namespace vornix {

namespace {

int DigitValue(char16_t c, int base) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (base == 16 && c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (base == 16 && c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int32_t> ParseSearchNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i++] == u'-';
    }
    if (i == text.size()) return std::nullopt;
    // No int32 has a magnitude above 2^31; stopping there keeps long digit strings from
    // overflowing the accumulator.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i], base);
        if (d < 0) return std::nullopt;
        magnitude = magnitude * base + d;
        if (magnitude > kLimit) return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::u16string SearchCaseForm(std::u16string_view text, bool lowerCase) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (lowerCase && c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
        else if (!lowerCase && c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
    }
    return out;
}

std::optional<SearchQuery> PrepareSearch(SearchKind kind, std::u16string_view text, bool lowerCase) {
    if (text.empty()) return std::nullopt;
    SearchQuery q;
    q.kind = kind;
    switch (kind) {
        case SearchKind::Word:
            q.text = SearchCaseForm(text, lowerCase);
            return q;
        case SearchKind::Ranking:
            // The rank's digits are compared as typed; the number test only keeps a text
            // the window refused from being searched.
            if (!ParseSearchNumber(text)) return std::nullopt;
            q.text = std::u16string(text);
            return q;
        case SearchKind::Frequency: {
            const auto target = ParseSearchNumber(text);
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
        const auto count = ParseSearchNumber(cell);
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
