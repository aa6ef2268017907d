#include "core/display/ResultFilter.h"

#include <cstdint>
#include <cstdio>

#include "core/engine/TextRules.h"

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

std::string OtherScriptsNote(bool allScripts, std::int64_t otherScriptLetters) {
    if (allScripts || otherScriptLetters <= 0) return {};
    return " " + std::to_string(otherScriptLetters) +
           " letters of other scripts were not counted: see \"Count words of every script\" in Additional "
           "settings.";
}

std::string HiddenSuffix(std::string_view valueText, bool shown) {
    if (shown || valueText == "0") return "; ";
    return " (hidden); ";
}

std::string SummaryText(ResultOrder order, std::string_view uniqueWords, std::string_view commonFound,
                        std::string_view uniqueNumbers, bool showCommon, bool showNumbers, std::int64_t shownRows,
                        std::string_view filter) {
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
    if (!filter.empty()) {
        s += " (filter \"";
        s += filter;
        s += "\")";
    }
    s += ".";
    return s;
}

std::string FilterNoteText(std::string_view filter) {
    return "No words match the filter " + std::string(filter);
}

std::string NumberCell(std::int64_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "  %6lld", static_cast<long long>(value));
    return buf;
}

std::string NumberCell(std::string_view figure, int places) {
    std::string cell = "  ";
    if (static_cast<int>(figure.size()) < places) cell.append(static_cast<std::size_t>(places) - figure.size(), ' ');
    cell += figure;
    return cell;
}

std::string GroupedNumber(std::int64_t value) {
    const bool negative = value < 0;
    // Through the unsigned magnitude, so that the most negative value has one too.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string reversed;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0) reversed += ',';
        reversed += static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0);
    if (negative) reversed += '-';
    return {reversed.rbegin(), reversed.rend()};
}

std::int32_t ThresholdFromText(std::string_view text) {
    return ParseInt32(text).value_or(0);
}

std::string StatusNoteText(bool stoppedByUser, bool limitReached, std::int32_t threshold) {
    std::string note;
    // The limit decides over a later Break: it is why the count is short.
    if (limitReached)
        note = "Partial: word limit reached";
    else if (stoppedByUser)
        note = "Partial: stopped by the user";
    if (threshold > 1) note += (note.empty() ? "" : "; ") + std::string("Threshold ") + std::to_string(threshold);
    return note;
}

}  // namespace vornix
