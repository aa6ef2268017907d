#pragma once
// N-grams: every sequence of N consecutive words of one document, as the count read
// them (the same stored forms), with its count and its range (the documents it occurs
// in). A sequence never spans two documents.
//
// The counter is a WordObserver: set on the run before it starts, it sees the
// record numbers the count gives each word, so it costs no second reading and stops
// at the word where the count stopped (the limit, Break). It keeps no text: an n-gram
// is its N record numbers and its count, 4N + 4 bytes, in blocks that are never moved;
// from a second document on, its range (4 bytes) and a 16-bit document stamp (2 bytes)
// that tells a new document's first occurrence are kept beside it (in one document
// every range is 1); the hash table holds 4-byte slots and is at most seven eighths
// full.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/context/WordContext.h"
#include "core/display/ResultFilter.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/WordStore.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

class NGramCounter : public WordObserver {
public:
    static constexpr int MinOrder = 2;
    static constexpr int MaxOrder = 8;

    // n: MinOrder to MaxOrder (other values are taken as the nearer bound).
    explicit NGramCounter(int n);
    ~NGramCounter() override;

    // A new run forgets every n-gram; a new document starts a new sequence.
    void BeginRun() override;
    void BeginDocument() override;
    void Word(std::int32_t record) override;
    // A chunk's words: the slot of each window is fetched some words ahead, so that the
    // cache misses of a table far larger than the cache overlap instead of queueing.
    void Words(const std::int32_t* records, std::size_t n) override;
    // A word that is no record (a file changed since it was counted) ends the sequence.
    void Interrupt() { filled_ = 0; }

    int Order() const { return order_; }
    // Distinct n-grams, numbered from 0 in the order they were first met.
    std::size_t Distinct() const { return distinct_; }
    // The N record numbers of n-gram i.
    const std::int32_t* Records(std::size_t i) const { return reinterpret_cast<const std::int32_t*>(Entry(i)); }
    std::int32_t Count(std::size_t i) const { return static_cast<std::int32_t>(Entry(i)[order_]); }
    std::int32_t Range(std::size_t i) const {
        return ranges_.empty() ? 1 : static_cast<std::int32_t>(ranges_[i >> kBlockBits][i & (kBlock - 1)]);
    }
    // N-grams counted, repeats included.
    std::int64_t Total() const { return total_; }
    // Lets the hash table go once the counting is over, for the memory of the table
    // built next; words counted after this build it again.
    void ReleaseLookup();
    // What the counter holds in memory now (blocks, stamps, hash table).
    std::size_t MemoryBytes() const;

private:
    static constexpr int kBlockBits = 14;
    static constexpr std::size_t kBlock = std::size_t{1} << kBlockBits;
    const std::uint32_t* Entry(std::size_t i) const {
        return blocks_[i >> kBlockBits].get() + (i & (kBlock - 1)) * std::size_t(order_ + 1);
    }
    std::uint32_t* Entry(std::size_t i) {
        return blocks_[i >> kBlockBits].get() + (i & (kBlock - 1)) * std::size_t(order_ + 1);
    }
    std::uint16_t& Stamp(std::size_t i) { return stamps_[i >> kBlockBits][i & (kBlock - 1)]; }
    std::uint32_t& RangeOf(std::size_t i) { return ranges_[i >> kBlockBits][i & (kBlock - 1)]; }
    void AddRangeBlock();
    std::uint64_t Hash(const std::int32_t* records) const;
    void Count(const std::int32_t* window) { Count(window, Hash(window)); }
    void Count(const std::int32_t* window, std::uint64_t hash);
    void Grow();
    void Rehash();
    void Place(std::uint64_t hash, std::uint32_t index);

    int order_;
    std::int32_t window_[MaxOrder] = {};
    int filled_ = 0;  // words of the current document in the window
    std::uint16_t stamp_ = 0;
    std::uint32_t documents_ = 0;  // begun in this run (words before the first make one)
    std::size_t distinct_ = 0;
    std::int64_t total_ = 0;
    std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
    // Both empty while the run is in its first document.
    std::vector<std::unique_ptr<std::uint32_t[]>> ranges_;
    std::vector<std::unique_ptr<std::uint16_t[]>> stamps_;
    // A slot holds index + 1 in its low `bits_` bits and the top of the hash above them
    // (0: empty), so most probes are settled without reading an entry.
    std::vector<std::uint32_t> slots_;
    int bits_ = 0;
};

// The n-grams of a finished run, counted by reading its inputs again in slices, as the
// word-in-context search reads them (progress, Break between slices, the same messages
// for changed or vanished files): any order without a new count, and nothing spent on
// n-grams by a count that never shows them. Each word is looked up in the run's store,
// so the record numbers, and with them the table, are the word table's. The run must
// stay unchanged while the search lives.
class NGramSearch {
public:
    NGramSearch(const AnalysisRun& run, int n);

    bool Step(std::size_t budget = 4 << 20) { return search_.Step(budget); }
    void RunToEnd() { search_.RunToEnd(); }
    bool Done() const { return search_.Done(); }
    const std::vector<std::string>& Problems() const { return search_.Problems(); }
    std::int64_t BytesDone() const { return search_.BytesDone(); }
    std::int64_t BytesTotal() const { return search_.BytesTotal(); }
    const NGramCounter& Counter() const { return counter_; }

private:
    void Take(std::uint32_t input, std::string_view word);

    const WordStore& store_;
    NGramCounter counter_;
    std::uint32_t input_ = UINT32_MAX;
    OccurrenceSearch search_;
};

enum class NGramOrder { Frequency, Alphabetical, Length };

// The n-grams the table shows, in order. An n-gram is hidden when every word in it
// would be hidden from the word table (common words, numbers), or when its count is
// under the threshold. It is shown as its words' display forms joined by one space.
// Frequency: count descending, ties alphabetical; alphabetical: byte order of the
// joined text; length: characters of the joined text, longest first, ties alphabetical.
// Columns: ngram, count, range; the plain table holds the first two.
class NGramTable : public AnalysisTable {
public:
    NGramTable(const NGramCounter& counter, const WordStore& store, const DisplayOptions& display, NGramOrder order);
    const std::vector<TableColumn>& Columns() const override;
    std::size_t Rows() const override { return rows_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override;
    double Number(std::size_t row, std::size_t column) const override;
    // The n-gram of a row as shown, in the table's 8-bit set.
    std::string Shown(std::size_t row) const;
    // Its index in the counter.
    std::size_t Entry(std::size_t row) const { return rows_[row]; }

private:
    const NGramCounter& counter_;
    std::vector<std::string> words_;  // display form per record
    std::vector<std::string> utf8_;   // the same in UTF-8
    std::vector<std::uint32_t> rows_;
};

// The table order that goes with the word table's order.
NGramOrder NGramOrderOf(ResultOrder order);

}  // namespace vornix
