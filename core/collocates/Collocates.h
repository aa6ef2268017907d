#pragma once
// Collocates: the words that stand near a node word. For every occurrence of the node,
// each word at a distance 1..L to its left or 1..R to its right, within one document,
// adds 1 to that word's co-occurrence count O (left and right kept apart too); an
// occurrence of the node inside another's span counts as a collocate of itself.
//
// The store keeps no positions, so the run's inputs are read again in slices, with the
// count's rules, as the word-in-context search reads them (OccurrenceSearch): progress,
// Break between slices, and the same messages for changed or vanished files. Each word
// is looked up in the store; the counts are two 32-bit numbers per record.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/context/WordContext.h"
#include "core/display/ResultFilter.h"
#include "core/engine/AnalysisRun.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

// The association measures of a collocate: O its co-occurrences with the node, N the
// words counted, fn the node's count, fc the collocate's.
//   MI = log2(O N / (fn fc))  (no span factor)
//   t-score = (O - fn fc / N) / sqrt(O)
//   logDice = 14 + log2(2 O / (fn + fc))
struct CollocateFigures {
    double mi = 0;
    double tScore = 0;
    double logDice = 0;
};
CollocateFigures ComputeCollocateFigures(double o, double n, double fn, double fc);

struct CollocateSpan {
    static constexpr int Max = 10;
    int left = 5;
    int right = 5;
    // Each 0 to Max, not both 0.
    bool Valid() const { return left >= 0 && right >= 0 && left <= Max && right <= Max && left + right > 0; }
};

class CollocateSearch {
public:
    // node: the node's record number in the run's store. The run must stay unchanged
    // while the search lives; span must be Valid.
    CollocateSearch(const AnalysisRun& run, std::int32_t node, CollocateSpan span);

    // Reads on for about `budget` bytes; false once every input has been read.
    bool Step(std::size_t budget = 4 << 20) { return search_.Step(budget); }
    void RunToEnd() { search_.RunToEnd(); }
    bool Done() const { return search_.Done(); }
    const std::vector<std::string>& Problems() const { return search_.Problems(); }
    std::int64_t BytesDone() const { return search_.BytesDone(); }
    std::int64_t BytesTotal() const { return search_.BytesTotal(); }

    std::int32_t Node() const { return node_; }
    CollocateSpan Span() const { return span_; }
    // Occurrences of the node met so far.
    std::int64_t NodeFound() const { return nodeFound_; }
    // Per record: co-occurrences on the left and on the right of the node.
    std::uint32_t Left(std::int32_t rec) const { return left_[static_cast<std::size_t>(rec)]; }
    std::uint32_t Right(std::int32_t rec) const { return right_[static_cast<std::size_t>(rec)]; }

private:
    void Take(std::uint32_t input, std::string_view word);

    const WordStore& store_;
    std::int32_t node_;
    CollocateSpan span_;
    std::vector<std::uint32_t> left_, right_;
    // The last span_.left words of the current input (-1: a word the store lacks).
    std::int32_t recent_[CollocateSpan::Max] = {};
    int recentCount_ = 0;
    int recentAt_ = 0;
    // Positions in the current input of the node's occurrences whose right span is open.
    std::int64_t open_[CollocateSpan::Max] = {};
    int openCount_ = 0;
    std::int64_t position_ = 0;
    std::uint32_t input_ = UINT32_MAX;
    std::int64_t nodeFound_ = 0;
    OccurrenceSearch search_;
};

enum class CollocateSort { Frequency, MI, TScore, LogDice };

struct CollocateRow {
    std::int32_t record = -1;
    std::string word;  // as shown, in the table's 8-bit set
    std::int64_t cooccurrence = 0, left = 0, right = 0, count = 0;
    CollocateFigures figures;
};

// The collocates the word table's filter shows (common words, numbers), the threshold
// applied to O, by the chosen measure from the highest, ties alphabetical. totalWords:
// N, the words counted. Columns: collocate, cooccurrence, left, right, count, mi,
// t_score, log_dice (3 decimals); the plain table holds collocate, O and logDice.
class CollocateTable : public AnalysisTable {
public:
    CollocateTable(const CollocateSearch& search, const WordStore& store, std::int64_t totalWords,
                   const DisplayOptions& display, CollocateSort sort);
    const std::vector<TableColumn>& Columns() const override;
    std::size_t Rows() const override { return rows_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override;
    double Number(std::size_t row, std::size_t column) const override;
    const CollocateRow& Row(std::size_t row) const { return rows_[row]; }

private:
    std::vector<CollocateRow> rows_;
};

}  // namespace vornix
