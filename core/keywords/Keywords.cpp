#include "core/keywords/Keywords.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/engine/Scanner.h"
#include "core/engine/TextRules.h"
#include "core/files/AtomicFile.h"
#include "core/table/TableReader.h"

namespace vornix {

void ReferenceCounts::AddRun(const AnalysisRun& run) {
    const WordStore& store = run.Store();
    for (std::int32_t r = 0; r < store.WordCount(); ++r) {
        const std::int32_t n = store.Count(r);
        if (n > 0) words_[std::string(store.WordRecord(r).Text())] += n;
    }
    total_ += run.State().TotalWords;
}

void ReferenceCounts::AddTable(const std::string& path, EncodingChoice encoding) {
    AddTableText(ReadRegularFile(path), path, encoding);  // a FIFO or a device would hang or flood
}

void ReferenceCounts::AddTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding) {
    // All rows are read before any is added, so a bad line leaves the counts as they were.
    std::vector<std::pair<std::string, std::int64_t>> rows;
    const TableReadResult read = ReadWordTableText(
        bytes, name, encoding, [&](std::string_view word, std::int64_t count) { rows.emplace_back(word, count); });
    std::unique_ptr<CodePointTable> table;
    std::string codes;
    for (const auto& [word, count] : rows) {
        const bool ascii = std::all_of(word.begin(), word.end(), [](char c) { return (c & 0x80) == 0; });
        std::string_view text = word;
        if (read.utf8 && !ascii) {
            if (!table) table = std::make_unique<CodePointTable>();
            codes = DecodeToCodes(word, TextEncoding::Utf8, *table);
            text = codes;
        }
        Scanner scanner(map_);
        scanner.Start();
        auto onWord = [&, n = count](std::string_view w) {
            if (strip_) w = w.substr(0, StripPossessive(w.data(), w.size()));
            if (w.empty() || n == 0) return true;
            words_[std::string(w)] += n;
            total_ += n;
            return true;
        };
        scanner.Feed(reinterpret_cast<const unsigned char*>(text.data()), text.size(), onWord);
        scanner.Finish(onWord);
    }
}

std::int64_t ReferenceCounts::Count(const std::string& word) const {
    const auto it = words_.find(word);
    return it == words_.end() ? 0 : it->second;
}

namespace {

enum Column { kWord, kCount, kReference, kLogLikelihood, kP, kLogRatio, kPercentDiff, kSimpleMaths };

double Measure(const KeywordFigures& f, KeywordSort sort) {
    switch (sort) {
        case KeywordSort::LogRatio:
            return f.logRatio;
        case KeywordSort::PercentDiff:
            return f.percentDiff;
        case KeywordSort::SimpleMaths:
            return f.simpleMaths;
        case KeywordSort::LogLikelihood:
            break;
    }
    return f.logLikelihood;
}

// The record of a stored-form word in the store, or -1.
std::int32_t RecordOf(const WordStore& store, std::string_view word) {
    char padded[WordStore::MaxWordLength] = {};
    if (word.size() > sizeof padded) return -1;
    std::memcpy(padded, word.data(), word.size());
    return store.FindPadded(padded, word.size(), HashPadded(padded, word.size()));
}

}  // namespace

const std::vector<TableColumn>& KeywordTable::Columns() const {
    static const std::vector<TableColumn> columns = {
        {"word", "Word", ColumnKind::Text, 0, true},
        {"count", "Count", ColumnKind::Integer, 0, true},
        {"reference_count", "Ref. count", ColumnKind::Integer, 0, true},
        {"log_likelihood", "Log-likelihood", ColumnKind::Real, 2, true},
        {"p", "p", ColumnKind::Real, 4, false},
        {"log_ratio", "Log Ratio", ColumnKind::Real, 3, false},
        {"percent_diff", "%DIFF", ColumnKind::Real, 1, false},
        {"simple_maths", "Simple Maths", ColumnKind::Real, 3, false},
    };
    return columns;
}

std::string KeywordTable::Text(std::size_t row, std::size_t column) const {
    return column == kWord ? rows_[row].word : std::string();
}

double KeywordTable::Number(std::size_t row, std::size_t column) const {
    const KeywordRow& r = rows_[row];
    switch (column) {
        case kCount:
            return static_cast<double>(r.count);
        case kReference:
            return static_cast<double>(r.referenceCount);
        case kLogLikelihood:
            return r.figures.logLikelihood;
        case kP:
            return r.figures.p;
        case kLogRatio:
            return r.figures.logRatio;
        case kPercentDiff:
            return r.figures.percentDiff;
        case kSimpleMaths:
            return r.figures.simpleMaths;
        default:
            return 0;
    }
}

KeywordTable ComputeKeywords(const WordStore& store, std::int64_t totalWords, const ReferenceCounts& reference,
                             const DisplayOptions& display, const KeywordOptions& options) {
    const std::int64_t c = totalWords, d = reference.Total();
    if (c <= 0 || d <= 0) return {};
    const double critical = CriticalLogLikelihood(options.cutoff);
    struct Candidate {
        std::string stored;
        KeywordRow row;
        double key;
    };
    std::vector<Candidate> positive, negative;
    auto consider = [&](std::string_view stored, std::int64_t a, std::int64_t b) {
        const KeywordFigures f = ComputeKeywordFigures(a, b, c, d, options.smoothing);
        // With no cut-off, equal rates (G2 = 0) count among the positive part.
        const bool plus = f.logLikelihood >= 0;
        if (plus ? f.logLikelihood < critical : !options.negative || f.logLikelihood > -critical) return;
        std::string shown(stored);
        if (display.LowerCase) AsciiCaseForm(shown, true);
        Candidate cand{std::string(stored), KeywordRow{std::move(shown), a, b, f, std::string(stored)},
                       Measure(f, options.sortBy)};
        (plus ? positive : negative).push_back(std::move(cand));
    };
    for (std::int32_t r = 0; r < store.WordCount(); ++r) {
        const std::int32_t a = store.Count(r);
        if (a <= 0) continue;
        const WordRec rec = store.WordRecord(r);
        if (!WordPassesFilter(rec, a, display)) continue;
        const std::string stored(rec.Text());
        consider(stored, a, reference.Count(stored));
    }
    if (options.negative) {
        for (const auto& [word, b] : reference.Words()) {
            if (b <= 0) continue;
            const std::int32_t r = RecordOf(store, word);
            if (r >= 0 && store.Count(r) > 0) continue;  // a word of the text: judged above
            const bool common = r >= 0 && store.WordRecord(r).Common == 1;
            const bool number = IsDigitChar(static_cast<std::uint8_t>(word[0]));
            if ((common && !display.ShowCommonWords) || (number && !display.ShowNumbers)) continue;
            consider(word, 0, b);
        }
    }
    auto order = [](const Candidate& x, const Candidate& y) {
        if (x.key != y.key) return x.key > y.key;
        return x.stored < y.stored;
    };
    std::sort(positive.begin(), positive.end(), order);
    std::sort(negative.begin(), negative.end(), order);
    std::vector<KeywordRow> rows;
    rows.reserve(positive.size() + negative.size());
    for (auto* part : {&positive, &negative})
        for (Candidate& cand : *part) rows.push_back(std::move(cand.row));
    return KeywordTable(std::move(rows));
}

}  // namespace vornix
