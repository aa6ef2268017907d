#include "core/output/OutputWalk.h"

#include <charconv>

#include "core/display/WordPattern.h"
#include "core/engine/VocabularyStats.h"

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
        if (p + 16 <= n) store.PrefetchRecord((*index)[p + 16]);  // a large store is out of the cache
        const std::int32_t rec = (*index)[p];
        if (WordPassesFilter(store.ReadWordRecord(rec), store.Count(rec), options)) shown.push_back(rec);
    }
    if (options.Filter.empty()) return shown;
    std::vector<std::int32_t> ranks;
    return FilterRows(store, shown, WordPattern(options.Filter, options.LowerCase), options.LowerCase, ranks);
}

char SeparatorChar(int sepIndex) {
    if (sepIndex == 0) return ' ';
    if (sepIndex == 2) return ',';
    return '\t';
}

namespace {

void AppendWordAndCount(std::string& out, std::string_view word, char separator, std::int32_t count) {
    out += word;
    out += separator;
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, count);
    (void)ec;
    out.append(digits, end);
}

}  // namespace

void AppendOutputLine(std::string& out, std::string_view word, char separator, std::int32_t count) {
    AppendWordAndCount(out, word, separator, count);
    out += "\r\n";
}

void AppendOutputLine(std::string& out, std::string_view word, char separator, std::int32_t count,
                      std::string_view perMillion) {
    AppendWordAndCount(out, word, separator, count);
    out += separator;
    out += perMillion;
    out += "\r\n";
}

std::int64_t TotalOccurrences(const WordStore& store) {
    std::int64_t total = 0;
    const auto& counts = store.Counts();
    for (std::int32_t r = 0; r < store.WordCount(); ++r) total += counts[r];
    return total;
}

std::string FormatAnalysis(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                           char separator) {
    std::string out;
    const std::int64_t total = options.ShowRelFreq ? TotalOccurrences(store) : 0;
    for (std::int32_t rec : ShownWords(store, orders, options)) {
        const std::string word = DisplayWord(store.ReadWordRecord(rec), options.LowerCase);
        if (options.ShowRelFreq)
            AppendOutputLine(out, word, separator, store.Count(rec), PerMillionText(store.Count(rec), total));
        else
            AppendOutputLine(out, word, separator, store.Count(rec));
    }
    return out;
}

}  // namespace vornix
