#include "core/charts/ChartData.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/output/OutputWalk.h"

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

RankAxes RankChartAxes(const RankChart& chart) {
    RankAxes axes;
    std::int32_t maxCount = 1;
    for (const RankPoint& p : chart.Points) maxCount = std::max(maxCount, p.Count);
    const double lastRank = chart.Points.empty() ? 10 : chart.Points.back().Rank;
    axes.MaxRank = std::max(10.0, lastRank) * 1.2;
    axes.MaxCount = std::max(10.0, maxCount * 1.5);
    return axes;
}

std::optional<FitSegment> VisibleFit(const RankFit& fit, const RankAxes& axes) {
    if (!fit.Valid || fit.Points < 1) return std::nullopt;
    // In logs: count = a + b * rank, for rank in [lo, hi].
    double lo = std::max(0.0, std::log(axes.MinRank));
    double hi = std::min(std::log(static_cast<double>(fit.Points)), std::log(axes.MaxRank));
    const double a = fit.Intercept, b = fit.Exponent;
    const double bottom = std::log(axes.MinCount), top = std::log(axes.MaxCount);
    if (b == 0) {
        if (a < bottom || a > top) return std::nullopt;
    } else {
        const double atBottom = (bottom - a) / b, atTop = (top - a) / b;
        lo = std::max(lo, std::min(atBottom, atTop));
        hi = std::min(hi, std::max(atBottom, atTop));
    }
    if (lo > hi) return std::nullopt;
    // Clamped once more: exp of a cut end computed in logs can stray past the axis by a
    // rounding.
    auto count = [&](double x) { return std::clamp(std::exp(a + b * x), axes.MinCount, axes.MaxCount); };
    return FitSegment{std::exp(lo), count(lo), std::exp(hi), count(hi)};
}

int LongestLength(const LengthHistogram& histogram) {
    for (int n = WordStore::MaxWordLength; n >= 1; --n)
        if (histogram.Occurrences[static_cast<std::size_t>(n)] > 0 ||
            histogram.DistinctWords[static_cast<std::size_t>(n)] > 0)
            return n;
    return 0;
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

namespace {

// Numbers in the C form whatever the locale (the drawing program runs under Qt, which
// sets the user's); doubles in the shortest form that reads back to the same value.
template <typename T>
void Put(std::string& out, T value, char after) {
    char buf[32];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
    out += after;
}

// Reads space-separated numbers off the front of a line.
struct LineReader {
    std::string_view rest;
    template <typename T>
    bool Take(T& value) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (ec != std::errc() || (end != rest.data() + rest.size() && *end != ' ')) return false;
        rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
        return true;
    }
    bool Done() const { return rest.find_first_not_of(' ') == std::string_view::npos; }
};

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

}  // namespace

std::string ChartText(const RankChart& chart) {
    std::string out = "rank ";
    Put(out, chart.ShownWords, ' ');
    Put(out, static_cast<int>(chart.Fit.Valid), ' ');
    Put(out, chart.Fit.Points, ' ');
    Put(out, chart.Fit.Exponent, ' ');
    Put(out, chart.Fit.Intercept, ' ');
    Put(out, chart.Fit.RSquared, '\n');
    for (const RankPoint& p : chart.Points) {
        Put(out, p.Rank, ' ');
        Put(out, p.Count, '\n');
    }
    return out;
}

std::string ChartText(const LengthHistogram& histogram) {
    std::string out = "lengths\n";
    for (std::size_t n = 1; n < histogram.Occurrences.size(); ++n) {
        Put(out, histogram.Occurrences[n], ' ');
        Put(out, histogram.DistinctWords[n], '\n');
    }
    return out;
}

std::optional<std::variant<RankChart, LengthHistogram>> ParseChartText(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty()) return std::nullopt;
    if (lines[0] == "lengths") {
        LengthHistogram h;
        if (lines.size() != h.Occurrences.size()) return std::nullopt;
        for (std::size_t n = 1; n < lines.size(); ++n) {
            LineReader line{lines[n]};
            if (!line.Take(h.Occurrences[n]) || !line.Take(h.DistinctWords[n]) || !line.Done() ||
                h.Occurrences[n] < h.DistinctWords[n] || h.DistinctWords[n] < 0)
                return std::nullopt;
        }
        return h;
    }
    if (lines[0].substr(0, 5) != "rank ") return std::nullopt;
    RankChart chart;
    LineReader head{lines[0].substr(5)};
    int valid = 0;
    if (!head.Take(chart.ShownWords) || !head.Take(valid) || !head.Take(chart.Fit.Points) ||
        !head.Take(chart.Fit.Exponent) || !head.Take(chart.Fit.Intercept) || !head.Take(chart.Fit.RSquared) ||
        !head.Done() || (valid != 0 && valid != 1))
        return std::nullopt;
    chart.Fit.Valid = valid == 1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        RankPoint p;
        LineReader line{lines[i]};
        // Rising ranks and counts of at least 1: the points sit on log axes.
        if (!line.Take(p.Rank) || !line.Take(p.Count) || !line.Done() || p.Count < 1 ||
            p.Rank <= (chart.Points.empty() ? 0 : chart.Points.back().Rank))
            return std::nullopt;
        chart.Points.push_back(p);
    }
    return chart;
}

}  // namespace vornix
