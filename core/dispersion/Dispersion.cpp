#include "core/dispersion/Dispersion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/engine/VocabularyStats.h"
#include "core/output/OutputWalk.h"
#include "core/output/TableFormats.h"

namespace vornix {

std::vector<DispersionFigures> ComputeDispersion(const PartCounts& parts, std::int32_t records) {
    const std::size_t size = static_cast<std::size_t>(std::max(records, 0));
    std::vector<DispersionFigures> figures(size);
    // Parts without words take part in no measure.
    std::int64_t n = 0, smallest = 0;
    for (const Part& part : parts.Parts())
        if (part.words > 0) {
            smallest = n == 0 ? part.words : std::min(smallest, part.words);
            ++n;
        }
    const double total = static_cast<double>(parts.TotalWords());
    struct Sums {
        std::int64_t f = 0;
        double shares = 0;  // sum of s_i over the parts holding the word
        double rates = 0;   // sum of p_i
        double dp = 0;      // sum of |v_i / f - s_i| over the parts holding it
        double squares = 0;
    };
    std::vector<Sums> sums(size);
    auto each = [&](auto&& add) {
        for (std::size_t p = 0; p < parts.Size(); ++p) {
            const double words = static_cast<double>(parts.Parts()[p].words);
            for (const PartCount& pair : parts.InPart(p))
                if (pair.record < size) add(sums[pair.record], figures[pair.record], double(pair.count), words);
        }
    };
    each([&](Sums& s, DispersionFigures& fig, double v, double words) {
        s.f += static_cast<std::int64_t>(v);
        s.shares += words / total;
        s.rates += v / words;
        ++fig.range;
    });
    if (n < 2) return figures;
    each([&](Sums& s, DispersionFigures&, double v, double words) {
        const double f = static_cast<double>(s.f);
        const double mean = s.rates / static_cast<double>(n);
        s.dp += std::fabs(v / f - words / total);
        s.squares += (v / words - mean) * (v / words - mean);
    });
    const double nd = static_cast<double>(n);
    const double minShare = static_cast<double>(smallest) / total;
    for (std::size_t r = 0; r < size; ++r) {
        const Sums& s = sums[r];
        if (s.f <= 0) continue;
        DispersionFigures& fig = figures[r];
        // Each part without the word adds |0 - s_i| = s_i, together 1 less the shares of
        // the parts with it, and (0 - mean)^2 to the squares.
        fig.dp = std::clamp(0.5 * (s.dp + std::max(0.0, 1 - s.shares)), 0.0, 1.0);
        fig.dpNorm = std::min(1.0, fig.dp / (1 - minShare));
        const double mean = s.rates / nd;
        const double squares = s.squares + (nd - static_cast<double>(fig.range)) * mean * mean;
        const double sigma = std::sqrt(squares / nd);
        fig.juillandD = std::clamp(1 - sigma / mean / std::sqrt(nd - 1), 0.0, 1.0);
    }
    return figures;
}

DispersionTable::DispersionTable(const WordStore& store, std::vector<std::int32_t> shown, const PartCounts& parts,
                                 const std::vector<DispersionFigures>& figures, const DisplayOptions& display,
                                 DispersionColumns columns)
    : store_(store),
      shown_(std::move(shown)),
      parts_(parts),
      figures_(figures),
      lower_(display.LowerCase),
      storedBytes_(columns.storedBytes),
      total_(display.ShowRelFreq ? TotalOccurrences(store) : 0) {
    auto add = [&](Cell cell, TableColumn column) {
        cells_.push_back(cell);
        columns_.push_back(std::move(column));
    };
    add(Cell::Word, {"word", "Word", ColumnKind::Text, 0, true});
    add(Cell::Count, {"count", "Count", ColumnKind::Integer, 0, true});
    if (display.ShowRelFreq) add(Cell::PerMillion, {"per_million", "Per million", ColumnKind::Real, 1, true});
    if (columns.measures) {
        add(Cell::Range, {"range", "Range", ColumnKind::Integer, 0, true});
        if (!columns.rangeAndDPOnly) add(Cell::D, {"juilland_d", "D", ColumnKind::Real, 4, true});
        add(Cell::DP, {"dp", "DP", ColumnKind::Real, 4, true});
        if (!columns.rangeAndDPOnly) add(Cell::DPNorm, {"dp_norm", "DP norm", ColumnKind::Real, 4, true});
    }
    firstPart_ = cells_.size();
    if (columns.perPart)
        for (const Part& part : parts_.Parts()) add(Cell::Part, {part.key, part.caption, ColumnKind::Integer, 0, true});
}

std::string DispersionTable::Text(std::size_t row, std::size_t column) const {
    if (cells_[column] != Cell::Word) return {};
    // Rows are written in turn, each word's figures anywhere: a row's some way on are
    // fetched now.
    if (row + 8 < shown_.size()) {
        const auto ahead = static_cast<std::size_t>(shown_[row + 8]);
        if (ahead < figures_.size()) __builtin_prefetch(&figures_[ahead]);
    }
    const std::string word = DisplayWord(store_.WordRecord(shown_[row]), lower_);
    return storedBytes_ ? word : StoredWordUtf8(word);
}

double DispersionTable::Number(std::size_t row, std::size_t column) const {
    const std::int32_t rec = shown_[row];
    const auto r = static_cast<std::size_t>(rec);
    const DispersionFigures none;
    const DispersionFigures& fig = r < figures_.size() ? figures_[r] : none;
    switch (cells_[column]) {
        case Cell::Count:
            return store_.Count(rec);
        case Cell::PerMillion:
            // The figure the word table writes, rounded the same way.
            return total_ > 0 ? std::strtod(PerMillionText(store_.Count(rec), total_).c_str(), nullptr)
                              : std::numeric_limits<double>::quiet_NaN();
        case Cell::Range:
            return fig.range;
        case Cell::D:
            return fig.juillandD;
        case Cell::DP:
            return fig.dp;
        case Cell::DPNorm:
            return fig.dpNorm;
        case Cell::Part:
            return static_cast<double>(parts_.Count(rec, column - firstPart_));
        case Cell::Word:
            break;
    }
    return 0;
}

std::string FormatAnalysisWithDispersion(WordStore& store, const ResultOrders& orders, const DisplayOptions& options,
                                         char separator, const PartCounts& parts,
                                         const std::vector<DispersionFigures>& figures) {
    const DispersionTable table(store, ShownWords(store, orders, options), parts, figures, options,
                                {.measures = true, .rangeAndDPOnly = true, .perPart = false, .storedBytes = true});
    return FormatTable(table, TableFormat::Table, TableLayout{.separator = separator});
}

std::string MeasureText(double value) {
    if (std::isnan(value)) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", value);
    return buf;
}

}  // namespace vornix
