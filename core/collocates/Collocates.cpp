#include "core/collocates/Collocates.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/output/TableFormats.h"

namespace vornix {

CollocateFigures ComputeCollocateFigures(double o, double n, double fn, double fc) {
    CollocateFigures f;
    f.mi = std::log2(o * n / (fn * fc));
    f.tScore = (o - fn * fc / n) / std::sqrt(o);
    f.logDice = 14 + std::log2(2 * o / (fn + fc));
    return f;
}

CollocateSearch::CollocateSearch(const AnalysisRun& run, std::int32_t node, CollocateSpan span)
    : store_(run.Store()),
      node_(node),
      span_(span),
      left_(static_cast<std::size_t>(run.Store().WordCount()), 0),
      right_(static_cast<std::size_t>(run.Store().WordCount()), 0),
      search_(run, [this](std::uint32_t input, std::string_view word) { Take(input, word); }) {}

void CollocateSearch::Take(std::uint32_t input, std::string_view word) {
    if (input != input_) {  // a span never reaches into another document
        input_ = input;
        recentCount_ = recentAt_ = openCount_ = 0;
        position_ = 0;
    }
    std::int32_t rec = -1;
    if (!word.empty() && word.size() <= static_cast<std::size_t>(WordStore::MaxWordBytes)) {
        char padded[WordStore::MaxWordBytes] = {};
        std::memcpy(padded, word.data(), word.size());
        rec = store_.FindPadded(padded, word.size(), HashPadded(padded, word.size()));
    }
    // This word stands right of every node occurrence whose span is still open.
    int keep = 0;
    for (int i = 0; i < openCount_; ++i) {
        const std::int64_t distance = position_ - open_[i];
        if (rec >= 0) ++right_[static_cast<std::size_t>(rec)];
        if (distance < span_.right) open_[keep++] = open_[i];  // the next word is still inside
    }
    openCount_ = keep;
    if (rec == node_ && rec >= 0) {
        ++nodeFound_;
        for (int i = 0; i < recentCount_; ++i) {
            const std::int32_t r = recent_[i];
            if (r >= 0) ++left_[static_cast<std::size_t>(r)];
        }
        if (span_.right > 0) open_[openCount_++] = position_;
    }
    if (span_.left > 0) {
        recent_[recentAt_] = rec;
        recentAt_ = (recentAt_ + 1) % span_.left;
        recentCount_ = std::min(recentCount_ + 1, span_.left);
    }
    ++position_;
}

CollocateTable::CollocateTable(const CollocateSearch& search, const WordStore& store, std::int64_t totalWords,
                               const DisplayOptions& display, CollocateSort sort) {
    const std::int32_t words = store.WordCount();
    const double fn = search.Node() >= 0 && search.Node() < words ? store.Count(search.Node()) : 0;
    std::vector<double> keys;
    for (std::int32_t r = 0; r < words; ++r) {
        const std::int64_t left = search.Left(r), right = search.Right(r), o = left + right;
        if (o == 0 || o < display.ActiveThreshold) continue;
        const WordRec rec = store.WordRecord(r);
        if (!WordPassesFilter(rec, static_cast<std::int32_t>(std::min<std::int64_t>(o, INT32_MAX)), display)) continue;
        CollocateRow row;
        row.record = r;
        row.word = DisplayWord(rec, display.LowerCase);
        row.cooccurrence = o;
        row.left = left;
        row.right = right;
        row.count = store.Count(r);
        row.figures = ComputeCollocateFigures(double(o), double(totalWords), fn, double(row.count));
        rows_.push_back(std::move(row));
    }
    auto key = [sort](const CollocateRow& r) {
        switch (sort) {
            case CollocateSort::MI:
                return r.figures.mi;
            case CollocateSort::TScore:
                return r.figures.tScore;
            case CollocateSort::LogDice:
                return r.figures.logDice;
            case CollocateSort::Frequency:
                break;
        }
        return double(r.cooccurrence);
    };
    std::sort(rows_.begin(), rows_.end(), [&](const CollocateRow& a, const CollocateRow& b) {
        const double x = key(a), y = key(b);
        if (x != y) return x > y;
        return a.word < b.word;
    });
}

namespace {
enum Column { kCollocate, kO, kLeft, kRight, kCount, kMI, kT, kLogDice };
}  // namespace

const std::vector<TableColumn>& CollocateTable::Columns() const {
    static const std::vector<TableColumn> columns = {
        {"collocate", "Collocate", ColumnKind::Text, 0, true}, {"cooccurrence", "O", ColumnKind::Integer, 0, true},
        {"left", "Left", ColumnKind::Integer, 0, false},       {"right", "Right", ColumnKind::Integer, 0, false},
        {"count", "Count", ColumnKind::Integer, 0, false},     {"mi", "MI", ColumnKind::Real, 3, false},
        {"t_score", "t-score", ColumnKind::Real, 3, false},    {"log_dice", "logDice", ColumnKind::Real, 3, true},
    };
    return columns;
}

std::string CollocateTable::Text(std::size_t row, std::size_t column) const {
    return column == kCollocate ? StoredWordUtf8(rows_[row].word) : std::string();
}

double CollocateTable::Number(std::size_t row, std::size_t column) const {
    const CollocateRow& r = rows_[row];
    switch (column) {
        case kO:
            return double(r.cooccurrence);
        case kLeft:
            return double(r.left);
        case kRight:
            return double(r.right);
        case kCount:
            return double(r.count);
        case kMI:
            return r.figures.mi;
        case kT:
            return r.figures.tScore;
        case kLogDice:
            return r.figures.logDice;
        default:
            return 0;
    }
}

}  // namespace vornix
