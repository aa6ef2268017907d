#include "core/keywords/Keywords.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "core/engine/Scanner.h"
#include "core/engine/ScriptScanner.h"
#include "core/engine/TextRules.h"
#include "core/files/AtomicFile.h"
#include "core/table/TableReader.h"

namespace vornix {

void ReferenceCounts::AddRun(const AnalysisRun& run) {
    const WordStore& store = run.Store();
    for (std::int32_t r = 0; r < store.WordCount(); ++r) {
        const std::int32_t n = store.Count(r);
        if (n > 0) Add(store.WordRecord(r).Text(), n);
    }
    total_ += run.State().TotalWords;
}

void ReferenceCounts::AddTable(const std::string& path, EncodingChoice encoding) {
    AddTableText(ReadRegularFile(path), path, encoding);  // a FIFO or a device would hang or flood
}

void ReferenceCounts::AddTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding) {
    // Every row is read before any is added, so a bad line leaves the counts as they
    // were. The words lie end to end in one buffer rather than in a string each: a
    // published list has half a million rows.
    std::string text;
    std::vector<std::pair<std::size_t, std::int64_t>> rows;  // where each word ends, its count
    const TableReadResult read =
        ReadWordTableText(bytes, name, encoding, [&](std::string_view word, std::int64_t count) {
            text.append(word);
            rows.emplace_back(text.size(), count);
        });
    Reserve(entries_.size() + rows.size());
    std::unique_ptr<CodePointTable> table;
    std::string codes;
    Scanner scanner(map_);
    std::int64_t n = 0;
    auto onWord = [&](std::string_view w) {
        if (strip_) w = w.substr(0, StripPossessive(w.data(), w.size()));
        if (w.empty()) return true;
        Add(w, n);
        total_ += n;
        return true;
    };
    std::size_t begin = 0;
    if (allScripts_) {
        // Words of every script: the scanner reads the row in the table's encoding.
        ScriptScanner scripts(set_);
        const TextEncoding encoding = read.utf8 ? TextEncoding::Utf8 : TextEncoding::Bytes;
        for (const auto& [end, count] : rows) {
            const std::string_view word(text.data() + begin, end - begin);
            begin = end;
            if (count == 0) continue;
            n = count;
            scripts.Start();
            scripts.Feed(reinterpret_cast<const unsigned char*>(word.data()), word.size(), encoding, onWord);
            scripts.Finish(onWord);
        }
        return;
    }
    for (const auto& [end, count] : rows) {
        std::string_view word(text.data() + begin, end - begin);
        begin = end;
        if (count == 0) continue;
        n = count;
        if (read.utf8 && std::any_of(word.begin(), word.end(), [](char c) { return (c & 0x80) != 0; })) {
            if (!table) table = std::make_unique<CodePointTable>();
            codes = DecodeToCodes(word, TextEncoding::Utf8, *table);
            word = codes;
        }
        scanner.Start();
        scanner.Feed(reinterpret_cast<const unsigned char*>(word.data()), word.size(), onWord);
        scanner.Finish(onWord);
    }
}

std::size_t ReferenceCounts::SlotOf(std::string_view word, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    for (; slots_[i] != 0; i = (i + 1) & mask) {
        const Entry& e = entries_[slots_[i] - 1];
        if (e.hash == hash && std::string_view(text_.data() + e.offset, e.length) == word) break;
    }
    return i;
}

void ReferenceCounts::Reserve(std::size_t words) {
    std::size_t size = std::max<std::size_t>(slots_.size(), 1024);
    while (8 * words > 5 * size) size *= 2;
    if (size == slots_.size()) return;
    entries_.reserve(words);
    slots_.assign(size, 0);
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        std::size_t i = static_cast<std::size_t>(entries_[e].hash) & (size - 1);
        while (slots_[i] != 0) i = (i + 1) & (size - 1);
        slots_[i] = static_cast<std::uint32_t>(e + 1);
    }
}

void ReferenceCounts::Add(std::string_view word, std::int64_t n) {
    if (8 * (entries_.size() + 1) > 5 * slots_.size()) Reserve(2 * (entries_.size() + 1));
    const std::uint64_t hash = std::hash<std::string_view>{}(word);
    const std::size_t i = SlotOf(word, hash);
    if (slots_[i] != 0) {
        entries_[slots_[i] - 1].count += n;
        return;
    }
    slots_[i] = static_cast<std::uint32_t>(entries_.size() + 1);
    entries_.push_back({hash, text_.size(), n, static_cast<std::uint32_t>(word.size())});
    text_.append(word);
}

std::int64_t ReferenceCounts::Count(std::string_view word) const {
    if (slots_.empty()) return 0;
    const std::size_t i = SlotOf(word, std::hash<std::string_view>{}(word));
    return slots_[i] == 0 ? 0 : entries_[slots_[i] - 1].count;
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

// A word of the reference alone is a number as the store would flag it: its first
// character a digit (of any script in a store of every script).
bool IsNumberWord(std::string_view word, bool wide) {
    if (!wide || static_cast<unsigned char>(word[0]) < 0x80) return IsDigitChar(static_cast<std::uint8_t>(word[0]));
    UChar32 c = 0;
    std::int32_t at = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(word.data()), at, static_cast<std::int32_t>(word.size()), c);
    return c >= 0 && u_isdigit(c);
}

// The record of a stored-form word in the store, or -1.
std::int32_t RecordOf(const WordStore& store, std::string_view word) {
    char padded[WordStore::MaxWordBytes] = {};
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
        {"p", "p", ColumnKind::Real, 4, false, true},
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
        // As the word table shows it: a word of another script by the full mapping.
        std::string shown = display.LowerCase ? LowerWord(stored) : std::string(stored);
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
        for (std::size_t i = 0; i < reference.Size(); ++i) {
            const std::string_view word = reference.Word(i);
            const std::int64_t b = reference.CountAt(i);
            if (b <= 0) continue;
            const std::int32_t r = RecordOf(store, word);
            if (r >= 0 && store.Count(r) > 0) continue;  // a word of the text: judged above
            const bool common = r >= 0 && store.WordRecord(r).Common == 1;
            const bool number = IsNumberWord(word, store.Wide());
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
