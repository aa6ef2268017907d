#pragma once
// Which words the table shows and in what form. The grid, "Save analysis", "Copy to
// clipboard" and vornix-count all use these, so they always hold the same words in the
// same form.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/engine/WordStore.h"

namespace vornix {

enum class ResultOrder { Frequency, Alphabetical, WordLength };

struct DisplayOptions {
    bool ShowCommonWords = false;
    bool ShowNumbers = false;
    bool LowerCase = false;
    ResultOrder Order = ResultOrder::Frequency;
    std::int32_t ActiveThreshold = 1;
    // Each line and row gains the occurrences per million words of the run.
    bool ShowRelFreq = false;
    // The filter box's pattern (see WordPattern), in the table's 8-bit set; empty
    // keeps every word. A display choice only: no count depends on it.
    std::string Filter;
};

// The order shown when the check marks are tested frequency, alphabetical, word length;
// with none checked the frequency order is shown.
ResultOrder OrderFromChecks(bool frequency, bool alphabetical, bool wordLength);

// "Frequency", "Alphabetical", "Word-length".
const char* OrderName(ResultOrder order);

// rec must be the record of the word whose count is given.
bool WordPassesFilter(const WordRec& rec, std::int32_t count, const DisplayOptions& options);

// "; " when the category is shown or has no members ("0"), else " (hidden); ".
std::string HiddenSuffix(std::string_view valueText, bool shown);

// The status line after a refill, e.g.
// "Frequency order. 812 words; 97 common (hidden); 4 numeric; showing 715."
// With a filter in force (as typed) the end says so, where the eye is when the table
// comes up short or empty: "showing 2 (filter \"cat\")."
// What the summary line adds when a run with "Count words of every script" off met
// letters of other scripts: how many, and the setting that counts them; else nothing.
std::string OtherScriptsNote(bool allScripts, std::int64_t otherScriptLetters);

std::string SummaryText(ResultOrder order, std::string_view uniqueWords, std::string_view commonFound,
                        std::string_view uniqueNumbers, bool showCommon, bool showNumbers, std::int64_t shownRows,
                        std::string_view filter = {});

// The note in place of the rows when the filter hides every word the table would show.
std::string FilterNoteText(std::string_view filter);

// The second status field: what the summary does not say but changes what is shown,
// e.g. "Partial: stopped by the user; Threshold 3"; empty when there is nothing.
std::string StatusNoteText(bool stoppedByUser, bool limitReached, std::int32_t threshold);

// A grid cell text: two blanks and the number right-aligned in six places (longer
// numbers in full).
std::string NumberCell(std::int64_t value);
// The same layout for a figure already written as text, right-aligned in `places`, so
// that a column of our own lines up as the count column does.
std::string NumberCell(std::string_view figure, int places);

// A count as the prose of our own windows writes it (titles, chart titles, tooltips,
// notes): digits grouped in threes by commas, as the help pages write them, "12,345".
// Table cells keep the plain figures the saved table holds.
std::string GroupedNumber(std::int64_t value);

// The threshold control's text as a number (ParseInt32's syntax), 0 when it is none.
std::int32_t ThresholdFromText(std::string_view text);

}  // namespace vornix
