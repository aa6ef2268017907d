#pragma once
// How evenly each word is spread over the parts of a run (see PartCounts). For a word
// with total count f over the n parts that hold words, sizes S_i, shares
// s_i = S_i / total and counts v_i:
//   range    the parts with v_i > 0
//   DP       = 1/2 sum |v_i / f - s_i|, DP_norm = DP / (1 - min s_i)
//   D        = 1 - (sigma / mu) / sqrt(n - 1) over p_i = v_i / S_i, sigma the population
//              standard deviation (Juilland's D; with equal parts its classic form)
// D, DP and DP_norm are NaN (an empty cell, null in JSON) with fewer than two parts or
// for a word that does not occur.
#include <cstdint>
#include <limits>
#include <vector>

#include "core/dispersion/PartCounts.h"
#include "core/display/ResultFilter.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/WordStore.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

struct DispersionFigures {
    std::int32_t range = 0;
    double juillandD = std::numeric_limits<double>::quiet_NaN();
    double dp = std::numeric_limits<double>::quiet_NaN();
    double dpNorm = std::numeric_limits<double>::quiet_NaN();
};

// The figures of records 0 .. records-1: two passes over the pairs, then a few numbers
// per record.
std::vector<DispersionFigures> ComputeDispersion(const PartCounts& parts, std::int32_t records);

struct DispersionColumns {
    bool measures = true;  // range, juilland_d, dp, dp_norm
    // Of the measures only range and dp: the word table's "Show dispersion" columns.
    bool rangeAndDPOnly = false;
    bool perPart = false;  // one count column per part
    // The words as the plain word table writes them (the store's 8-bit bytes) rather
    // than UTF-8: for a plain table that extends the saved analysis.
    bool storedBytes = false;
};

// Columns: word, count, per_million (with ShowRelFreq, 1 decimal), then range,
// juilland_d, dp and dp_norm (4 decimals), then one count per part named after it. Every
// column is in the plain table, so its lines are the word table's with more cells.
class DispersionTable : public AnalysisTable {
public:
    // shown: the records of the rows in order (ShownWords). The store, parts and figures
    // must outlive the table.
    DispersionTable(const WordStore& store, std::vector<std::int32_t> shown, const PartCounts& parts,
                    const std::vector<DispersionFigures>& figures, const DisplayOptions& display,
                    DispersionColumns columns);

    const std::vector<TableColumn>& Columns() const override { return columns_; }
    std::size_t Rows() const override { return shown_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override;
    double Number(std::size_t row, std::size_t column) const override;
    std::int32_t Record(std::size_t row) const { return shown_[row]; }

private:
    enum class Cell { Word, Count, PerMillion, Range, D, DP, DPNorm, Part };
    const WordStore& store_;
    std::vector<std::int32_t> shown_;
    const PartCounts& parts_;
    const std::vector<DispersionFigures>& figures_;
    bool lower_;
    bool storedBytes_;
    std::int64_t total_;
    std::vector<TableColumn> columns_;
    std::vector<Cell> cells_;
    std::size_t firstPart_ = 0;
};

// The saved analysis ("Save analysis", "Copy to clipboard") with "Show dispersion": the
// lines FormatAnalysis writes, each with a separator and the range, and another and DP
// (4 decimals; empty with fewer than two parts).
std::string FormatAnalysisWithDispersion(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                                         char separator, const PartCounts& parts,
                                         const std::vector<DispersionFigures>& figures);

// A DP or D cell as the word table shows it: 4 decimals, empty when undefined.
std::string MeasureText(double value);

}  // namespace vornix
