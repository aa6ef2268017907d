#pragma once
// Reads a word-frequency table back: every layout Vornix writes (the saved analysis
// with any separator and CR LF, with or without per-million figures; CSV, TSV and
// JSON) and the plain lists people have (a word and a count per line, separated by a
// tab, comma, semicolon or spaces, with or without a header line).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/engine/Errors.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

// One row: the word as the file holds it, and its count.
using TableRowSink = std::function<void(std::string_view word, std::int64_t count)>;
// The same with the row's line in the file (for JSON, the line its object opens on), for
// a caller that judges the words itself and must say where one is wrong.
using TableLineSink = std::function<void(std::string_view word, std::int64_t count, std::size_t line)>;

struct TableReadResult {
    // The words' bytes are UTF-8 (JSON always; otherwise by the mark, by the choice, or
    // because the whole file is valid UTF-8), else the 8-bit set of the run.
    bool utf8 = false;
};

// Reads the file at path. Throws FileError "Cannot open file PATH (reason)" when it
// cannot be read, and "Line N of PATH is not a word and a count" at the first row
// without a word and a non-negative whole count; the sink has then seen the rows
// before it, so a caller that must change nothing collects them first.
TableReadResult ReadWordTable(const std::string& path, EncodingChoice encoding, const TableRowSink& sink);

// The same over bytes in memory; name stands for the path in messages.
TableReadResult ReadWordTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding,
                                  const TableRowSink& sink);
TableReadResult ReadWordTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding,
                                  const TableLineSink& sink);

// "Line N of NAME is not a word and a count": the error of a row that is not one.
FileError NotAWordAndCount(std::size_t line, const std::string& name);

}  // namespace vornix
