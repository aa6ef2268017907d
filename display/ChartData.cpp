#include "display/ChartData.h"

#include <algorithm>
#include <cmath>

#include "output/OutputWalk.h"

namespace vornix {

RankFit FitRankFrequency(const std::vector<std::int32_t>& countsByRank) {
    RankFit fit;
    const std::size_t limit = std::min(countsByRank.size(), static_cast<std::size_t>(RankFit::MaxRank));
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    std::size_t n = 0;
    for (; n < limit && countsByRank[n] > 0; ++n) {
        const double x = std::log(static_cast<double>(n + 1));
        const double y = std::log(static_cast<double>(countsByRank[n]));
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
    }
    fit.Points = static_cast<std::int32_t>(n);
    if (n < 2) return fit;
    const double dn = static_cast<double>(n);
    const double vx = sxx - sx * sx / dn;  // > 0: the ranks differ
    const double vy = syy - sy * sy / dn;
    const double cxy = sxy - sx * sy / dn;
    fit.Valid = true;
    fit.Exponent = cxy / vx;
    fit.Intercept = (sy - fit.Exponent * sx) / dn;
    // Rounding can leave a tiny variance where the counts are all equal.
    fit.RSquared = vy <= 1e-12 * std::max(1.0, syy) ? 1.0 : std::min(1.0, cxy * cxy / (vx * vy));
    return fit;
}

std::vector<RankPoint> ThinForWidth(const std::vector<RankPoint>& points, int pixelWidth) {
    if (pixelWidth <= 0 || points.size() <= 1) return points;
    const double top = std::log(static_cast<double>(points.back().Rank));
    if (top <= 0) return points;
    const double perLog = (pixelWidth - 1) / top;
    std::vector<RankPoint> kept;
    long lastColumn = -1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const long column = std::lround(std::log(static_cast<double>(points[i].Rank)) * perLog);
        if (column != lastColumn) {
            kept.push_back(points[i]);
            lastColumn = column;
        } else if (i + 1 == points.size()) {
            kept.back() = points[i];  // the column's point becomes the last rank
        }
    }
    return kept;
}

namespace {

std::vector<std::int32_t> ShownByFrequency(WordStore& store, const ResultOrders& orders, DisplayOptions options) {
    options.Order = ResultOrder::Frequency;
    return ShownWords(store, orders, options);
}

}  // namespace

RankChart BuildRankChart(WordStore& store, const ResultOrders& orders, const DisplayOptions& options, int pixelWidth) {
    RankChart chart;
    const std::vector<std::int32_t> shown = ShownByFrequency(store, orders, options);
    chart.ShownWords = static_cast<std::int32_t>(shown.size());
    std::vector<RankPoint> all;
    std::vector<std::int32_t> counts;
    all.reserve(shown.size());
    counts.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::int32_t count = store.Count(shown[i]);
        if (count <= 0) break;  // descending: the rest are 0 too
        all.push_back(RankPoint{static_cast<std::int32_t>(i + 1), count, shown[i]});
        counts.push_back(count);
    }
    chart.Fit = FitRankFrequency(counts);
    chart.Points = ThinForWidth(all, pixelWidth);
    return chart;
}

LengthHistogram BuildLengthHistogram(WordStore& store, const ResultOrders& orders, const DisplayOptions& options) {
    LengthHistogram h;
    for (std::int32_t rec : ShownByFrequency(store, orders, options)) {
        const int length = store.Length(rec);
        if (length < 1 || length > WordStore::MaxWordLength) continue;
        h.Occurrences[length] += store.Count(rec);
        ++h.DistinctWords[length];
    }
    return h;
}

}  // namespace vornix
