#pragma once
// Keywords: the words whose frequency in the counted text differs most from a
// reference, made of documents counted by the same rules and of frequency tables.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/display/ResultFilter.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/CharTable.h"
#include "core/engine/TextDecoder.h"
#include "core/keywords/KeywordStats.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

// The reference's words in their stored form with their counts, and its total words.
class ReferenceCounts {
public:
    // Table words are brought to the stored form by this character table and the
    // possessive rule, as a document's words are; with allScripts, by the rules of words
    // of every script (an 8-bit table read as the characters of set).
    ReferenceCounts(const CharMapTable& map, bool stripPossessives, bool allScripts = false,
                    CharacterSet set = CharacterSet::Windows)
        : map_(map), strip_(stripPossessives), allScripts_(allScripts), set_(set) {}

    // The words a finished run read from its documents; its total is the run's total words.
    void AddRun(const AnalysisRun& run);
    // A table file (see ReadWordTable). On a FileError nothing has changed. Every row's
    // word is cut like a document's text, and each word it gives takes the row's count
    // (a row that gives no word adds nothing); the total grows by what was added.
    void AddTable(const std::string& path, EncodingChoice encoding);
    void AddTableText(std::string_view bytes, const std::string& name, EncodingChoice encoding);

    std::int64_t Count(std::string_view word) const;
    std::int64_t Total() const { return total_; }
    bool Empty() const { return total_ == 0; }
    // The distinct words, in the order they were first added.
    std::size_t Size() const { return entries_.size(); }
    std::string_view Word(std::size_t i) const { return {text_.data() + entries_[i].offset, entries_[i].length}; }
    std::int64_t CountAt(std::size_t i) const { return entries_[i].count; }

private:
    // A flat table rather than a map of strings: half a million rows of a published
    // list are half a million inserts, which node allocation and pointer chasing made
    // the larger part of reading the list.
    struct Entry {
        std::uint64_t hash;
        std::size_t offset;  // in text_
        std::int64_t count;
        std::uint32_t length;
    };
    void Add(std::string_view word, std::int64_t n);
    void Reserve(std::size_t words);
    std::size_t SlotOf(std::string_view word, std::uint64_t hash) const;

    CharMapTable map_;
    bool strip_;
    bool allScripts_;
    CharacterSet set_;
    std::string text_;  // the words end to end
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // index in entries_ + 1; 0: empty
    std::int64_t total_ = 0;
};

enum class KeywordSort { LogLikelihood, LogRatio, PercentDiff, SimpleMaths };

struct KeywordOptions {
    // p below which a word is a keyword: 0.05, 0.01, 0.001, 0.0001, or 1 for every word.
    double cutoff = 0.05;
    // Also the words rarer in the text than in the reference, after the others.
    bool negative = false;
    KeywordSort sortBy = KeywordSort::LogLikelihood;
    double smoothing = 1;  // Simple Maths' n
};

struct KeywordRow {
    std::string word;  // as shown (lower case when asked)
    std::int64_t count = 0;
    std::int64_t referenceCount = 0;
    KeywordFigures figures;
    std::string stored;  // the word as the store and the reference hold it
};

// Columns: word, count, reference_count, log_likelihood (2 decimals), p, log_ratio,
// percent_diff, simple_maths; the plain table holds the first four.
class KeywordTable : public AnalysisTable {
public:
    KeywordTable() = default;
    explicit KeywordTable(std::vector<KeywordRow> rows) : rows_(std::move(rows)) {}
    const std::vector<TableColumn>& Columns() const override;
    std::size_t Rows() const override { return rows_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override;
    double Number(std::size_t row, std::size_t column) const override;
    const KeywordRow& Row(std::size_t row) const { return rows_[row]; }

private:
    std::vector<KeywordRow> rows_;
};

// The keywords of a finished run against a reference. The text's words are those the
// word table's rules show (common words, numbers, threshold on the text's count);
// negative keywords may also be words of the reference alone, by the same common-word
// and number rules. c is the run's total words. Positive keywords come first, then
// the negative ones, each part by the sort measure from the highest (ties in
// alphabetical order). Empty when the run or the reference has no words.
KeywordTable ComputeKeywords(const WordStore& store, std::int64_t totalWords, const ReferenceCounts& reference,
                             const DisplayOptions& display, const KeywordOptions& options);

}  // namespace vornix
