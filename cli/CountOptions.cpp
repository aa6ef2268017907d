#include "cli/CountOptions.h"

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "core/engine/TextRules.h"

namespace vornix {

const char* CountUsage() {
    return "Usage: vornix-count [options] FILE...\n"
           "Counts the words of the FILEs (- for standard input) and writes the table:\n"
           "one line per word, word, separator, count, CR LF.\n"
           "\n"
           "  --order=frequency|alphabetical|length   default frequency\n"
           "  --show-common      list the words of the common words list\n"
           "  --show-numbers     list numbers\n"
           "  --lower            write the words in lower case\n"
           "  --threshold=N      list words that occur at least N times (default 1;\n"
           "                     $N is hexadecimal, as in the settings file)\n"
           "  --separator=tab|space|comma             default tab\n"
           "  --charset=windows|dos                   default windows\n"
           "  --possessives=keep|strip                default keep\n"
           "  --encoding=auto|utf-8|8bit              default auto: a byte-order mark, else\n"
           "                     valid UTF-8, else the 8-bit character set\n"
           "  --common-list=FILE read this common words list\n"
           "  --no-common-list   read no common words list\n"
           "  --id=TEXT          use the settings folder of this run id\n"
           "  --per-million      add each word's occurrences per million words to its line\n"
           "  --stats            print the statistics instead of the table\n"
           "  --context=WORD     print every occurrence of WORD instead of the table: file name,\n"
           "                     line number, left context, occurrence, right context (tab-separated)\n"
           "  --width=N          characters of context on each side (default 40)\n"
           "  --output=FILE      write to FILE (replaced atomically) instead of standard output\n"
           "  --plot=rank|lengths  draw a chart of the shown words instead of the table:\n"
           "                     count by rank (log-log, with its fitted line) or the word\n"
           "                     lengths; --output=FILE.svg or FILE.png is needed\n"
           "  --format=table|csv|tsv|json             default table; csv, tsv and json have\n"
           "                     a rank, word, count (and per_million) per row, UTF-8, LF\n"
           "                     line ends; --stats gives statistic and value, --context\n"
           "                     file, line, left, word and right\n"
           "  --quiet            no progress display on a terminal\n"
           "  --threads=N        read large 8-bit documents on N threads (default: one per\n"
           "                     processor; 1 reads on one thread; the results are the same)\n"
           "  --keywords         print the keywords of the FILEs against a reference instead\n"
           "                     of the table: word, count, reference count, log-likelihood\n"
           "  --reference=FILE   a reference document, counted by the same options (repeatable)\n"
           "  --reference-table=FILE  a reference word-frequency table (repeatable)\n"
           "  --p=0.05|0.01|0.001|0.0001|1            keywords below this p (default 0.05;\n"
           "                     1 lists every word)\n"
           "  --negative         add the words rarer than in the reference, at the end\n"
           "  --sort-by=log-likelihood|log-ratio|percent-diff|simple-maths\n"
           "  --smoothing=N      Simple Maths' N (default 1)\n"
           "  --help             print this text\n";
}

namespace {

bool TakeValue(std::string_view arg, std::string_view name, std::string_view& value) {
    if (arg.size() <= name.size() || arg.substr(0, name.size()) != name || arg[name.size()] != '=') return false;
    value = arg.substr(name.size() + 1);
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != ending[i]) return false;
    return true;
}

// Options that cannot go together; empty when the set is good.
std::string Conflict(const CountOptions& o) {
    if (!o.Keywords && (!o.References.empty() || !o.ReferenceTables.empty()))
        return "--reference and --reference-table need --keywords";
    if (o.Keywords) {
        if (o.Stats) return "--keywords cannot be used with --stats";
        if (o.Context) return "--keywords cannot be used with --context";
        if (o.Plot != PlotKind::None) return "--keywords cannot be used with --plot";
        if (o.References.empty() && o.ReferenceTables.empty())
            return "--keywords needs --reference or --reference-table";
    }
    if (o.Plot == PlotKind::None) return {};
    if (o.Stats) return "--plot cannot be used with --stats";
    if (o.Context) return "--plot cannot be used with --context";
    if (!EndsWithNoCase(o.Output, ".svg") && !EndsWithNoCase(o.Output, ".png"))
        return "--plot needs --output=FILE ending in .svg or .png";
    return {};
}

// A decimal number above 0 (digits with one optional point), up to a million.
std::optional<double> ParsePositiveReal(std::string_view v) {
    if (v.empty() || v.size() > 20 || v.find_first_not_of("0123456789.") != std::string_view::npos ||
        v.find('.') != v.rfind('.') || v == ".")
        return std::nullopt;
    const double n = std::stod(std::string(v));
    if (!(n > 0) || n > 1e6) return std::nullopt;
    return n;
}

}  // namespace

ParseResult ParseCountOptions(const std::vector<std::string>& args) {
    ParseResult r;
    CountOptions& o = r.options;
    bool endOfOptions = false;
    for (const std::string& a : args) {
        std::string_view arg = a;
        std::string_view v;
        if (endOfOptions || arg == "-" || arg.substr(0, 2) != "--") {
            if (!endOfOptions && arg.size() > 1 && arg[0] == '-' && arg != "-") {
                r.error = "unknown option " + a;
                return r;
            }
            o.Files.push_back(a);
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--help") {
            o.Help = true;
        } else if (arg == "--show-common") {
            o.display.ShowCommonWords = true;
        } else if (arg == "--show-numbers") {
            o.display.ShowNumbers = true;
        } else if (arg == "--lower") {
            o.display.LowerCase = true;
        } else if (arg == "--stats") {
            o.Stats = true;
        } else if (arg == "--quiet") {
            o.Quiet = true;
        } else if (TakeValue(arg, "--format", v)) {
            if (auto f = ParseTableFormat(v))
                o.Format = *f;
            else
                return r.error = "bad value for --format: " + std::string(v), r;
        } else if (arg == "--per-million") {
            o.display.ShowRelFreq = true;
        } else if (arg == "--no-common-list") {
            o.CommonList = std::string();
        } else if (TakeValue(arg, "--common-list", v) && !v.empty()) {
            o.CommonList = std::string(v);
        } else if (TakeValue(arg, "--id", v)) {
            o.RunId = std::string(v);
        } else if (TakeValue(arg, "--output", v) && !v.empty()) {
            o.Output = std::string(v);
        } else if (TakeValue(arg, "--context", v)) {
            o.Context = std::string(v);
        } else if (TakeValue(arg, "--plot", v)) {
            if (v == "rank")
                o.Plot = PlotKind::Rank;
            else if (v == "lengths")
                o.Plot = PlotKind::Lengths;
            else
                return r.error = "bad value for --plot: " + std::string(v), r;
        } else if (TakeValue(arg, "--width", v)) {
            const auto n = ParseInt32(v);
            if (!n || *n < 0 || *n > 10000) return r.error = "bad value for --width: " + std::string(v), r;
            o.Width = *n;
        } else if (TakeValue(arg, "--order", v)) {
            if (v == "frequency")
                o.display.Order = ResultOrder::Frequency;
            else if (v == "alphabetical")
                o.display.Order = ResultOrder::Alphabetical;
            else if (v == "length")
                o.display.Order = ResultOrder::WordLength;
            else
                return r.error = "bad value for --order: " + std::string(v), r;
        } else if (TakeValue(arg, "--separator", v)) {
            if (v == "space")
                o.SepIndex = 0;
            else if (v == "tab")
                o.SepIndex = 1;
            else if (v == "comma")
                o.SepIndex = 2;
            else
                return r.error = "bad value for --separator: " + std::string(v), r;
        } else if (TakeValue(arg, "--charset", v)) {
            if (v == "windows")
                o.Charset = CharacterSet::Windows;
            else if (v == "dos")
                o.Charset = CharacterSet::Dos;
            else
                return r.error = "bad value for --charset: " + std::string(v), r;
        } else if (TakeValue(arg, "--possessives", v)) {
            if (v == "keep")
                o.StripPossessives = false;
            else if (v == "strip")
                o.StripPossessives = true;
            else
                return r.error = "bad value for --possessives: " + std::string(v), r;
        } else if (TakeValue(arg, "--encoding", v)) {
            if (v == "auto")
                o.Encoding = EncodingChoice::Auto;
            else if (v == "utf-8")
                o.Encoding = EncodingChoice::Utf8;
            else if (v == "8bit")
                o.Encoding = EncodingChoice::Bytes;
            else
                return r.error = "bad value for --encoding: " + std::string(v), r;
        } else if (TakeValue(arg, "--threads", v)) {
            const auto n = ParseInt32(v);
            if (!n || *n < 1 || *n > 256) return r.error = "bad value for --threads: " + std::string(v), r;
            o.Threads = static_cast<unsigned>(*n);
        } else if (arg == "--keywords") {
            o.Keywords = true;
        } else if (arg == "--negative") {
            o.Keyword.negative = true;
        } else if (TakeValue(arg, "--reference", v) && !v.empty()) {
            o.References.emplace_back(v);
        } else if (TakeValue(arg, "--reference-table", v) && !v.empty()) {
            o.ReferenceTables.emplace_back(v);
        } else if (TakeValue(arg, "--p", v)) {
            if (v == "0.05" || v == "0.01" || v == "0.001" || v == "0.0001" || v == "1")
                o.Keyword.cutoff = std::stod(std::string(v));
            else
                return r.error = "bad value for --p: " + std::string(v), r;
        } else if (TakeValue(arg, "--sort-by", v)) {
            if (v == "log-likelihood")
                o.Keyword.sortBy = KeywordSort::LogLikelihood;
            else if (v == "log-ratio")
                o.Keyword.sortBy = KeywordSort::LogRatio;
            else if (v == "percent-diff")
                o.Keyword.sortBy = KeywordSort::PercentDiff;
            else if (v == "simple-maths")
                o.Keyword.sortBy = KeywordSort::SimpleMaths;
            else
                return r.error = "bad value for --sort-by: " + std::string(v), r;
        } else if (TakeValue(arg, "--smoothing", v)) {
            const auto n = ParsePositiveReal(v);
            if (!n) return r.error = "bad value for --smoothing: " + std::string(v), r;
            o.Keyword.smoothing = *n;
        } else if (TakeValue(arg, "--threshold", v)) {
            const auto n = ParseInt32(v);
            if (!n) return r.error = "bad value for --threshold: " + std::string(v), r;
            o.display.ActiveThreshold = *n;
        } else {
            r.error = "unknown option " + a;
            return r;
        }
    }
    if (o.Help) return r;
    r.error = Conflict(o);
    if (r.error.empty() && o.Files.empty()) r.error = "no FILE given";
    return r;
}

}  // namespace vornix
