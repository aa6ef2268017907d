#include "cli/CountOptions.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "core/context/WordContext.h"
#include "core/dispersion/PartCounts.h"
#include "core/engine/TextRules.h"
#include "core/ngrams/NGrams.h"

namespace vornix {

const char* CountUsage() {
    return "Usage: vornix-count [options] FILE...\n"
           "       vornix-count --merge [options] TABLE...\n"
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
           "  --scripts=latin|all                     default latin; all counts words of every\n"
           "                     script (Greek, Cyrillic, Chinese...), written in UTF-8\n"
           "  --common-list=FILE read this common words list\n"
           "  --no-common-list   read no common words list\n"
           "  --id=TEXT          use the settings folder of this run id\n"
           "  --per-million      add each word's occurrences per million words to its line\n"
           "  --stats            print the statistics instead of the table\n"
           "  --context=WORD     print every occurrence of WORD instead of the table: file name,\n"
           "                     line number, left context, occurrence, right context (tab-separated);\n"
           "                     words separated by spaces (\"of the\") find that phrase\n"
           "  --width=N          characters of context on each side (default 40)\n"
           "  --output=FILE      write to FILE (replaced atomically) instead of standard output\n"
           "  --plot=rank|lengths|dispersion  draw a chart instead of the table: count by\n"
           "                     rank of the shown words (log-log, with its fitted line), their\n"
           "                     lengths, or with --context=WORD the word's dispersion plot (a\n"
           "                     strip per document, a mark per occurrence); --output=FILE.svg\n"
           "                     or FILE.png is needed\n"
           "  --format=table|csv|tsv|json             default table; csv, tsv and json have\n"
           "                     a rank, word, count (and per_million) per row, UTF-8, LF\n"
           "                     line ends; --stats gives statistic and value, --context\n"
           "                     file, line, left, word and right\n"
           "  --quiet            no progress display on a terminal\n"
           "  --threads=N        read large files and pipes on N threads (default: one per\n"
           "                     processor; 1 reads on one thread; the results are the same)\n"
           "  --max-words=N      hold at most N distinct words (1000 to 100000000, default\n"
           "                     500000); the count stops at the Nth with the limit message.\n"
           "                     Each word takes up to 32 bytes of memory beyond the record\n"
           "                     file (43 bytes a word, 163 with --scripts=all)\n"
           "  --keywords         print the keywords of the FILEs against a reference instead\n"
           "                     of the table: word, count, reference count, log-likelihood\n"
           "  --reference=FILE   a reference document, counted by the same options (repeatable)\n"
           "  --reference-table=FILE  a reference word-frequency table (repeatable)\n"
           "  --p=0.05|0.01|0.001|0.0001|1            keywords below this p (default 0.05;\n"
           "                     1 lists every word)\n"
           "  --negative         add the words rarer than in the reference, at the end\n"
           "  --sort-by=log-likelihood|log-ratio|percent-diff|simple-maths  (--keywords)\n"
           "  --sort-by=frequency|mi|t-score|log-dice  (--collocates; default frequency)\n"
           "  --smoothing=N      Simple Maths' N (default 1)\n"
           "  --dispersion       add range, Juilland's D, DP and DP_norm over the parts after\n"
           "                     each count; the parts are the FILEs when there are two or\n"
           "                     more, else 10 equal parts of the words\n"
           "  --per-file         add each word's count in each part (csv, tsv and json name\n"
           "                     the column by the FILE, or part_1 ... part_N)\n"
           "  --parts=N          cut the words into N equal parts (2 to 1000), even of\n"
           "                     several FILEs\n"
           "  --ngrams=N         print the n-grams instead of the table: every sequence of N\n"
           "                     words (2 to 8) within a document, n-gram, separator, count;\n"
           "                     csv, tsv and json have rank, ngram, count, range (documents)\n"
           "  --collocates=WORD  print the words near WORD instead of the table: collocate,\n"
           "                     separator, co-occurrences O, separator, logDice; csv, tsv and\n"
           "                     json have rank, collocate, cooccurrence, left, right, count,\n"
           "                     mi, t_score, log_dice. MI = log2(O N / (f_n f_c)) with no span\n"
           "                     factor; t-score = (O - f_n f_c / N) / sqrt(O); logDice = 14 +\n"
           "                     log2(2 O / (f_n + f_c)); --threshold applies to O\n"
           "  --left=N           words to the left of WORD in its span (0 to 10, default 5)\n"
           "  --right=N          words to the right (0 to 10, default 5; not both 0)\n"
           "  --merge            the FILEs are word tables vornix-count or Save analysis wrote\n"
           "                     (any --format, separator or --per-million; - reads one from\n"
           "                     standard input): their counts are summed and the table\n"
           "                     written with the options given. When every table was\n"
           "                     counted with --no-common-list --show-numbers (and the\n"
           "                     default threshold), the result is byte for byte the table\n"
           "                     of one count of all their documents with the same options,\n"
           "                     in every order and format; words a table left out (under\n"
           "                     its threshold, hidden numbers or common words) stay out.\n"
           "                     --common-list and --possessives=strip apply to the summed\n"
           "                     words; the unique-words limit is an error, since one count\n"
           "                     would have stopped early. --stats gives the counters, the\n"
           "                     type/token ratio, words once and twice, mean and longest\n"
           "                     word; the file count, files read, letters of other scripts\n"
           "                     and the standardised ratio stay empty. Several machines:\n"
           "                     count shards apart and merge (see dist/cluster/README.md)\n"
           "  -h, --help         print this text\n"
           "  --version          print the version\n";
}

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != ending[i]) return false;
    return true;
}

// Options that cannot go together; empty when the set is good.
std::string Conflict(const CountOptions& o) {
    // A table holds counts only: what reads the documents again, or needs each word's
    // place in them, has nothing to work on.
    if (o.Merge)
        for (const auto& [set, name] :
             {std::pair{o.Context.has_value(), "--context"}, std::pair{o.Collocates.has_value(), "--collocates"},
              std::pair{o.NGrams > 0, "--ngrams"}, std::pair{o.Keywords, "--keywords"},
              std::pair{o.Dispersion, "--dispersion"}, std::pair{o.PerFile, "--per-file"}})
            if (set) return std::string("--merge cannot be used with ") + name;
    for (const auto& [set, name] :
         {std::pair{o.NGrams > 0, "--ngrams"}, std::pair{o.Collocates.has_value(), "--collocates"}}) {
        if (!set) continue;
        const std::string with = std::string(name) + " cannot be used with ";
        if (o.Stats) return with + "--stats";
        if (o.Context) return with + "--context";
        if (o.Keywords) return with + "--keywords";
        if (o.Plot != PlotKind::None) return with + "--plot";
        if (o.Dispersion || o.PerFile) return with + (o.Dispersion ? "--dispersion" : "--per-file");
        if (o.NGrams > 0 && o.Collocates) return "--ngrams cannot be used with --collocates";
    }
    if (o.SpanGiven && !o.Collocates) return "--left and --right need --collocates";
    if (o.Collocates && !o.Span.Valid()) return "--left and --right cannot both be 0";
    if (!o.Keywords && (!o.References.empty() || !o.ReferenceTables.empty()))
        return "--reference and --reference-table need --keywords";
    if (o.Keywords) {
        if (o.Stats) return "--keywords cannot be used with --stats";
        if (o.Context) return "--keywords cannot be used with --context";
        if (o.Plot != PlotKind::None) return "--keywords cannot be used with --plot";
        if (o.References.empty() && o.ReferenceTables.empty())
            return "--keywords needs --reference or --reference-table";
    }
    if (o.Parts > 0 && !o.Dispersion && !o.PerFile) return "--parts needs --dispersion or --per-file";
    if (o.Dispersion || o.PerFile) {
        const char* option = o.Dispersion ? "--dispersion" : "--per-file";
        for (const auto& [set, other] :
             {std::pair{o.Stats, "--stats"}, std::pair{o.Context.has_value(), "--context"},
              std::pair{o.Keywords, "--keywords"}, std::pair{o.Plot != PlotKind::None, "--plot"}})
            if (set) return std::string(option) + " cannot be used with " + other;
    }
    if (o.Plot == PlotKind::None) return {};
    if (o.Stats) return "--plot cannot be used with --stats";
    // The dispersion plot is of one word's occurrences; the charts are of the table.
    if (o.Plot == PlotKind::Dispersion && !o.Context) return "--plot=dispersion needs --context=WORD";
    if (o.Plot != PlotKind::Dispersion && o.Context) return "--plot cannot be used with --context";
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

// Sets target to the value named v; false when v names none of them.
template <typename T>
bool Choose(std::string_view v, std::initializer_list<std::pair<std::string_view, T>> names, T& target) {
    for (const auto& [name, value] : names)
        if (v == name) return target = value, true;
    return false;
}

bool SetNumber(std::string_view v, std::int32_t low, std::int32_t high, auto& target) {
    const auto n = ParseInt32(v);
    if (!n || *n < low || *n > high) return false;
    target = static_cast<std::remove_reference_t<decltype(target)>>(*n);
    return true;
}

bool SetText(std::string_view v, std::string& target) {
    if (v.empty()) return false;
    target = std::string(v);
    return true;
}

// One entry per option. apply sets the option from its value (empty for an option that
// takes none) and returns false when the value is bad.
struct OptionEntry {
    const char* name;  // without the leading dashes
    bool takesValue;
    bool (*apply)(CountOptions&, std::string_view);
};

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

const OptionEntry kOptions[] = {
    {"help", false, [](CountOptions& o, std::string_view) { return o.Help = true; }},
    {"version", false, [](CountOptions& o, std::string_view) { return o.Version = true; }},
    {"order", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v,
                       {{"frequency", ResultOrder::Frequency},
                        {"alphabetical", ResultOrder::Alphabetical},
                        {"length", ResultOrder::WordLength}},
                       o.display.Order);
     }},
    {"show-common", false, [](CountOptions& o, std::string_view) { return o.display.ShowCommonWords = true; }},
    {"show-numbers", false, [](CountOptions& o, std::string_view) { return o.display.ShowNumbers = true; }},
    {"lower", false, [](CountOptions& o, std::string_view) { return o.display.LowerCase = true; }},
    {"threshold", true,
     [](CountOptions& o, std::string_view v) {
         return SetNumber(v, std::numeric_limits<std::int32_t>::min(), kMax32, o.display.ActiveThreshold);
     }},
    {"separator", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v, {{"space", 0}, {"tab", 1}, {"comma", 2}}, o.SepIndex);
     }},
    {"charset", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v, {{"windows", CharacterSet::Windows}, {"dos", CharacterSet::Dos}}, o.Charset);
     }},
    {"possessives", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v, {{"keep", false}, {"strip", true}}, o.StripPossessives);
     }},
    {"encoding", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(
             v, {{"auto", EncodingChoice::Auto}, {"utf-8", EncodingChoice::Utf8}, {"8bit", EncodingChoice::Bytes}},
             o.Encoding);
     }},
    {"scripts", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v, {{"latin", false}, {"all", true}}, o.AllScripts);
     }},
    {"common-list", true,
     [](CountOptions& o, std::string_view v) { return !v.empty() && (o.CommonList = std::string(v), true); }},
    {"no-common-list", false, [](CountOptions& o, std::string_view) { return o.CommonList = std::string(), true; }},
    // An empty id is the default run's, as the window's id= argument has it.
    {"id", true, [](CountOptions& o, std::string_view v) { return o.RunId = std::string(v), true; }},
    {"per-million", false, [](CountOptions& o, std::string_view) { return o.display.ShowRelFreq = true; }},
    {"stats", false, [](CountOptions& o, std::string_view) { return o.Stats = true; }},
    {"context", true,
     [](CountOptions& o, std::string_view v) { return !v.empty() && (o.Context = std::string(v), true); }},
    {"width", true, [](CountOptions& o, std::string_view v) { return SetNumber(v, 0, 10000, o.Width); }},
    {"output", true, [](CountOptions& o, std::string_view v) { return SetText(v, o.Output); }},
    {"plot", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v,
                       {{"rank", PlotKind::Rank}, {"lengths", PlotKind::Lengths}, {"dispersion", PlotKind::Dispersion}},
                       o.Plot);
     }},
    {"format", true,
     [](CountOptions& o, std::string_view v) {
         const auto f = ParseTableFormat(v);
         return f && (o.Format = *f, true);
     }},
    {"quiet", false, [](CountOptions& o, std::string_view) { return o.Quiet = true; }},
    {"threads", true, [](CountOptions& o, std::string_view v) { return SetNumber(v, 1, 256, o.Threads); }},
    {"max-words", true,
     [](CountOptions& o, std::string_view v) {
         return SetNumber(v, WordStore::LeastMaxWords, WordStore::MostMaxWords, o.MaxWords);
     }},
    {"keywords", false, [](CountOptions& o, std::string_view) { return o.Keywords = true; }},
    {"reference", true,
     [](CountOptions& o, std::string_view v) { return !v.empty() && (o.References.emplace_back(v), true); }},
    {"reference-table", true,
     [](CountOptions& o, std::string_view v) { return !v.empty() && (o.ReferenceTables.emplace_back(v), true); }},
    {"p", true,
     [](CountOptions& o, std::string_view v) {
         return Choose(v, {{"0.05", 0.05}, {"0.01", 0.01}, {"0.001", 0.001}, {"0.0001", 0.0001}, {"1", 1.0}},
                       o.Keyword.cutoff);
     }},
    {"negative", false, [](CountOptions& o, std::string_view) { return o.Keyword.negative = true; }},
    // Its names depend on the mode: read once every option is known (ResolveSortBy).
    {"sort-by", true, [](CountOptions& o, std::string_view v) { return SetText(v, o.SortBy); }},
    {"ngrams", true,
     [](CountOptions& o, std::string_view v) {
         return SetNumber(v, NGramCounter::MinOrder, NGramCounter::MaxOrder, o.NGrams);
     }},
    {"collocates", true,
     [](CountOptions& o, std::string_view v) { return !v.empty() && (o.Collocates = std::string(v), true); }},
    {"left", true,
     [](CountOptions& o, std::string_view v) {
         return o.SpanGiven = true, SetNumber(v, 0, CollocateSpan::Max, o.Span.left);
     }},
    {"right", true,
     [](CountOptions& o, std::string_view v) {
         return o.SpanGiven = true, SetNumber(v, 0, CollocateSpan::Max, o.Span.right);
     }},
    {"smoothing", true,
     [](CountOptions& o, std::string_view v) {
         const auto n = ParsePositiveReal(v);
         return n && (o.Keyword.smoothing = *n, true);
     }},
    {"dispersion", false, [](CountOptions& o, std::string_view) { return o.Dispersion = true; }},
    {"per-file", false, [](CountOptions& o, std::string_view) { return o.PerFile = true; }},
    {"parts", true, [](CountOptions& o, std::string_view v) { return SetNumber(v, 2, kMaxEqualParts, o.Parts); }},
    {"merge", false, [](CountOptions& o, std::string_view) { return o.Merge = true; }},
};

// --sort-by by the mode; false when the value names no order of it.
bool ResolveSortBy(CountOptions& o) {
    if (o.SortBy.empty()) return true;
    if (o.Collocates)
        return Choose(std::string_view(o.SortBy),
                      {{"frequency", CollocateSort::Frequency},
                       {"mi", CollocateSort::MI},
                       {"t-score", CollocateSort::TScore},
                       {"log-dice", CollocateSort::LogDice}},
                      o.CollocateOrder);
    return Choose(std::string_view(o.SortBy),
                  {{"log-likelihood", KeywordSort::LogLikelihood},
                   {"log-ratio", KeywordSort::LogRatio},
                   {"percent-diff", KeywordSort::PercentDiff},
                   {"simple-maths", KeywordSort::SimpleMaths}},
                  o.Keyword.sortBy);
}

// getopt_long's value for the long option at index i of kOptions; above every byte, so
// that no short option can stand for it.
constexpr int kLongBase = 0x100;
constexpr int kHelpShort = 'h';

// The message for a word that getopt_long found neither exactly nor as the start of
// one option's name.
std::string UnknownOption(std::string_view word) {
    std::string_view name = word.substr(0, word.find('='));
    name.remove_prefix(std::min<std::size_t>(2, name.size()));
    std::string matches;
    for (const OptionEntry& e : kOptions)
        if (!name.empty() && std::string_view(e.name).substr(0, name.size()) == name)
            matches += (matches.empty() ? "" : ", ") + std::string("--") + e.name;
    if (matches.find(',') != std::string::npos)
        return "option " + std::string(word) + " is ambiguous (" + matches + ")";
    return "unknown option " + std::string(word);
}

}  // namespace

std::vector<std::string> CountOptionNames() {
    std::vector<std::string> names;
    for (const OptionEntry& e : kOptions) names.push_back(std::string("--") + e.name);
    return names;
}

ParseResult ParseCountOptions(const std::vector<std::string>& args) {
    ParseResult r;
    CountOptions& o = r.options;

    std::vector<option> table;
    for (std::size_t i = 0; i < std::size(kOptions); ++i)
        table.push_back({kOptions[i].name, kOptions[i].takesValue ? required_argument : no_argument, nullptr,
                         kLongBase + static_cast<int>(i)});
    table.push_back({nullptr, 0, nullptr, 0});

    // getopt_long reorders the pointers, never the words themselves.
    std::vector<std::string> words{"vornix-count"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // "-": words that are not options come back in their place (as 1), whatever
    // POSIXLY_CORRECT says, so the files keep the order given. ":": a missing value is
    // told apart from an unknown option. The messages are ours (opterr 0). optind 0
    // starts getopt_long afresh on every call.
    optind = 0;
    opterr = 0;
    const int argc = static_cast<int>(words.size());
    for (int c; (c = ::getopt_long(argc, argv.data(), "-:h", table.data(), nullptr)) != -1;) {
        const OptionEntry* entry = c >= kLongBase ? &kOptions[c - kLongBase] : c == kHelpShort ? &kOptions[0] : nullptr;
        const OptionEntry* about = optopt >= kLongBase ? &kOptions[optopt - kLongBase] : nullptr;
        if (c == 1) {
            o.Files.emplace_back(optarg);
        } else if (entry) {
            const std::string_view value = entry->takesValue ? std::string_view(optarg) : std::string_view();
            if (!entry->apply(o, value)) {
                r.error = value.empty() ? std::string("--") + entry->name + " needs a value"
                                        : std::string("bad value for --") + entry->name + ": " + std::string(value);
                return r;
            }
        } else if (c == ':') {
            r.error = about ? std::string("--") + about->name + " needs a value"
                            : std::string("-") + static_cast<char>(optopt) + " needs a value";
            return r;
        } else if (about) {
            r.error = std::string("--") + about->name + " takes no value";
            return r;
        } else if (optopt != 0) {
            r.error = std::string("unknown option -") + static_cast<char>(optopt);
            return r;
        } else {
            r.error = UnknownOption(argv[optind - 1]);
            return r;
        }
    }
    for (int i = optind; i < argc; ++i) o.Files.emplace_back(argv[i]);  // after "--"
    if (o.Help || o.Version) return r;
    if (!ResolveSortBy(o)) return r.error = "bad value for --sort-by: " + o.SortBy, r;
    // One word by the count's rules (the character set given), known before the count.
    if (o.Collocates && StoredFormOf(*o.Collocates, BuildCharMap(o.Charset), o.AllScripts, o.Charset).empty())
        return r.error = "bad value for --collocates: " + *o.Collocates + " (not one word)", r;
    r.error = Conflict(o);
    if (r.error.empty() && o.Files.empty()) r.error = "no FILE given";
    return r;
}

}  // namespace vornix
