#pragma once
// The walk over the shown order and the line format shared by the grid, "Save
// analysis", "Copy to clipboard" and vornix-count.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/display/ResultFilter.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/WordStore.h"

namespace vornix {

// The record numbers of the shown rows, in the shown order.
std::vector<std::int32_t> ShownWords(WordStore& store, const ResultOrders& orders, const DisplayOptions& options);

// Separator by the separator setting's item index: 0 blank, 2 comma, anything else tab.
char SeparatorChar(int sepIndex);

// word, separator, count in decimal, CR LF.
void AppendOutputLine(std::string& out, std::string_view word, char separator, std::int32_t count);
// The same with a second separator and perMillion before the CR LF.
void AppendOutputLine(std::string& out, std::string_view word, char separator, std::int32_t count,
                      std::string_view perMillion);

// The run's words: the sum of the store's counts, which is "Total words from file(s)"
// (a common word's count starts at 0 and each word read from a document adds 1).
std::int64_t TotalOccurrences(const WordStore& store);

// The whole table as a saved file holds it; empty when no word is shown. With
// ShowRelFreq each line also holds the word's occurrences per million words of the run.
std::string FormatAnalysis(WordStore& store, const ResultOrders& orders, const DisplayOptions& options, char separator);

}  // namespace vornix
