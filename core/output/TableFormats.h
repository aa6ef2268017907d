#pragma once
// The word table in the formats other programs read: CSV (RFC 4180), TSV and JSON.
// They hold the same rows in the same order as the plain table; words are written as
// UTF-8 (their bytes are Windows-1252) and every line ends in LF.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/display/ResultFilter.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/WordStore.h"

namespace vornix {

enum class TableFormat { Table, Csv, Tsv, Json };

// "table", "csv", "tsv" or "json"; nothing for any other text.
std::optional<TableFormat> ParseTableFormat(std::string_view name);

// The shown rows with their rank (1 for the first shown row). Table gives exactly what
// FormatAnalysis gives with the separator.
std::string FormatWordTable(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                            TableFormat format, char separator);
// The same bytes handed to sink a piece of some tens of kilobytes at a time, so a table
// of millions of words never sits in memory whole; false from sink ends it and is
// returned.
bool WriteWordTable(WordStore& store, const ResultOrders& orders, const DisplayOptions& options, TableFormat format,
                    char separator, const std::function<bool(std::string_view)>& sink);

// One CSV field: quoted (with doubled quotes) only when it holds a comma, quote, CR or LF.
std::string CsvField(std::string_view text);
// A JSON string literal, quotes included, of UTF-8 text.
std::string JsonString(std::string_view utf8);
std::string Utf8FromWindows1252(std::string_view bytes);
// A word of the store as UTF-8: the words of every script are UTF-8 already, and ASCII
// reads the same either way.
std::string StoredWordUtf8(std::string_view word);

}  // namespace vornix
