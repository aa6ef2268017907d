#include "core/engine/TextRules.h"

namespace vornix {

namespace {

template <class Char>
int DigitValue(Char c, int base) {
    int d = -1;
    if (c >= Char('0') && c <= Char('9'))
        d = c - Char('0');
    else if (c >= Char('a') && c <= Char('f'))
        d = c - Char('a') + 10;
    else if (c >= Char('A') && c <= Char('F'))
        d = c - Char('A') + 10;
    return d < base ? d : -1;
}

template <class Char>
std::optional<std::int32_t> Parse(std::basic_string_view<Char> text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == Char(' ')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) negative = text[i++] == Char('-');
    int base = 10;
    if (i < text.size() && text[i] == Char('$')) {
        base = 16;
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    // 2^31 is the largest magnitude any int32 has; stopping there keeps long digit
    // strings from overflowing the accumulator.
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

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
    return Parse(text);
}

std::optional<std::int32_t> ParseInt32(std::u16string_view text) {
    return Parse(text);
}

}  // namespace vornix
