#include "output/OutputWalk.h"

#include <charconv>

namespace vornix {

std::vector<std::int32_t> ShownWords(WordStore& store, const ResultOrders& orders, const DisplayOptions& options) {
    const std::int32_t n = store.WordCount();
    const std::vector<std::int32_t>* index = &orders.FreqIndex;
    if (options.Order == ResultOrder::Alphabetical)
        index = &store.AlphaIndex();
    else if (options.Order == ResultOrder::WordLength)
        index = &orders.LengthIndex;
    std::vector<std::int32_t> shown;
    shown.reserve(static_cast<std::size_t>(n));
    for (std::int32_t p = 1; p <= n; ++p) {
        const std::int32_t rec = (*index)[p];
        if (WordPassesFilter(store.ReadWordRecord(rec), store.Count(rec), options)) shown.push_back(rec);
    }
    return shown;
}

char SeparatorChar(int sepIndex) {
    if (sepIndex == 0) return ' ';
    if (sepIndex == 2) return ',';
    return '\t';
}

void AppendOutputLine(std::string& out, std::string_view word, char separator, std::int32_t count) {
    out += word;
    out += separator;
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, count);
    (void)ec;
    out.append(digits, end);
    out += "\r\n";
}

std::string FormatAnalysis(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                           char separator) {
    std::string out;
    for (std::int32_t rec : ShownWords(store, orders, options))
        AppendOutputLine(out, DisplayWord(store.ReadWordRecord(rec), options.LowerCase), separator, store.Count(rec));
    return out;
}

}  // namespace vornix
