#include "display/ResultFilter.h"

#include <charconv>
#include <cstdio>

namespace vornix {

ResultOrder OrderFromChecks(bool frequency, bool alphabetical, bool wordLength) {
    if (frequency) return ResultOrder::Frequency;
    if (alphabetical) return ResultOrder::Alphabetical;
    if (wordLength) return ResultOrder::WordLength;
    return ResultOrder::Frequency;
}

const char* OrderName(ResultOrder order) {
    switch (order) {
        case ResultOrder::Alphabetical:
            return "Alphabetical";
        case ResultOrder::WordLength:
            return "Word-length";
        case ResultOrder::Frequency:
            break;
    }
    return "Frequency";
}

bool WordPassesFilter(const WordRec& rec, std::int32_t count, const DisplayOptions& options) {
    if (rec.Common == 1 && !options.ShowCommonWords) return false;
    if (rec.Number == 1 && !options.ShowNumbers) return false;
    return count >= options.ActiveThreshold;
}

std::string DisplayWord(const WordRec& rec, bool lowerCase) {
    std::string word(rec.text, rec.length > 40 ? 40 : rec.length);
    if (lowerCase)
        for (char& c : word)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return word;
}

std::string HiddenSuffix(std::string_view valueText, bool shown) {
    if (shown || valueText == "0") return "; ";
    return " (hidden); ";
}

std::string SummaryText(ResultOrder order, std::string_view uniqueWords, std::string_view commonFound,
                        std::string_view uniqueNumbers, bool showCommon, bool showNumbers, std::int64_t shownRows) {
    std::string s = OrderName(order);
    s += " order. ";
    s += uniqueWords;
    s += " words; ";
    s += commonFound;
    s += " common";
    s += HiddenSuffix(commonFound, showCommon);
    s += uniqueNumbers;
    s += " numeric";
    s += HiddenSuffix(uniqueNumbers, showNumbers);
    s += "showing ";
    s += std::to_string(shownRows);
    s += ".";
    return s;
}

std::string NumberCell(std::int64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "  %6lld", static_cast<long long>(value));
    return buf;
}

std::int32_t ThresholdFromText(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return 0;
    return value;
}

}  // namespace vornix
