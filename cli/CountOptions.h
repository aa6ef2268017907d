#pragma once
// The options of vornix-count, parsed apart from running so they can be tested.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/collocates/Collocates.h"
#include "core/display/ResultFilter.h"
#include "core/engine/CharTable.h"
#include "core/engine/TextDecoder.h"
#include "core/engine/WordStore.h"
#include "core/keywords/Keywords.h"
#include "core/output/TableFormats.h"

namespace vornix {

// A chart drawn instead of the table: rank against count, or the word-length histogram.
enum class PlotKind { None, Rank, Lengths, Dispersion };

struct CountOptions {
    DisplayOptions display;  // order, flags and threshold, as the window's menus hold them
    int SepIndex = 1;        // 0 space, 1 tab, 2 comma
    CharacterSet Charset = CharacterSet::Windows;
    bool StripPossessives = false;
    EncodingChoice Encoding = EncodingChoice::Auto;
    bool AllScripts = false;  // --scripts=all: words of every script
    // The common words list: unset means the user's default list; an empty string
    // means none.
    std::optional<std::string> CommonList;
    std::string RunId;
    bool Stats = false;
    bool Help = false;     // -h, --help
    bool Version = false;  // --version
    TableFormat Format = TableFormat::Table;
    bool Quiet = false;                  // no progress display
    std::string Output;                  // empty: standard output
    std::optional<std::string> Context;  // print the lines of this word instead of the table
    int Width = 40;                      // characters of context on each side
    PlotKind Plot = PlotKind::None;      // set: --output names a .svg or .png image
    unsigned Threads = 0;                // 0: one per processor
    // The most distinct words a count holds (--max-words).
    std::int32_t MaxWords = WordStore::DefaultMaxWords;
    std::vector<std::string> Files;
    // The FILEs are word-frequency tables Vornix wrote: their counts are summed.
    bool Merge = false;
    // The keyword table instead of the word table, against these documents and tables.
    bool Keywords = false;
    std::vector<std::string> References;
    std::vector<std::string> ReferenceTables;
    KeywordOptions Keyword;
    // Dispersion columns after the count, and one count column per part; the parts are
    // the documents, or Parts equal parts when set (or with a single document).
    bool Dispersion = false;
    bool PerFile = false;
    int Parts = 0;
    // The n-gram table instead of the word table: sequences of this many words (0: none).
    int NGrams = 0;
    // The collocates of this word instead of the table, within this span, in this order.
    std::optional<std::string> Collocates;
    CollocateSpan Span;
    bool SpanGiven = false;  // --left or --right
    CollocateSort CollocateOrder = CollocateSort::Frequency;
    // --sort-by as given: its names depend on the mode (keywords or collocates).
    std::string SortBy;
};

struct ParseResult {
    CountOptions options;
    std::string error;  // empty when the arguments were good
};

// Parses the arguments after the program's name with getopt_long: a value after "=" or
// as the next word, unique abbreviations of the long names, "--" ends the options.
ParseResult ParseCountOptions(const std::vector<std::string>& args);

// Every long option the parser knows ("--order", ...), in the help's order.
std::vector<std::string> CountOptionNames();

const char* CountUsage();

}  // namespace vornix
