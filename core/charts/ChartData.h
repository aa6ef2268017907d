#pragma once
// What the charts draw, worked out without Qt: the rank and count of each word the table
// shows, thinned for the screen; the straight-line fit of log count on log rank; and the
// word-length histograms. The window and vornix-count --plot draw from these.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/display/ResultFilter.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/WordStore.h"

namespace vornix {

struct RankPoint {
    std::int32_t Rank = 0;  // 1-based among the shown words in frequency order
    std::int32_t Count = 0;
    std::int32_t Record = 0;  // names the word when a point is hovered
};

// Least-squares line log(count) = Intercept + Exponent * log(rank) (natural logs).
struct RankFit {
    bool Valid = false;       // false with fewer than two points
    std::int32_t Points = 0;  // ranks used: 1 .. min(shown, MaxRank)
    double Exponent = 0;      // the slope; about -1 for a text that follows Zipf's law
    double Intercept = 0;
    double RSquared = 0;  // 1 when every count is equal (the flat line fits exactly)
    static constexpr std::int32_t MaxRank = 1000;
};

struct RankChart {
    std::int32_t ShownWords = 0;    // every word the table shows
    std::vector<RankPoint> Points;  // the ones to draw, by rising rank
    RankFit Fit;
};

// countsByRank[i] is the count of rank i + 1 (descending). Counts below 1 cannot be on
// a log scale; they end the fit.
RankFit FitRankFrequency(const std::vector<std::int32_t>& countsByRank);

// Thins points spread over a log rank axis of pixelWidth columns: a point is kept when
// it falls in a column no kept point is in yet; the last point is always kept, so the
// axis keeps its range. The low ranks, which are wider apart than a column, are all
// kept. pixelWidth <= 0 keeps everything.
std::vector<RankPoint> ThinForWidth(const std::vector<RankPoint>& points, int pixelWidth);

// The words options shows (its order is ignored: ranks are by frequency), drawn on a
// chart pixelWidth pixels wide. A word with count 0 (a common word the text never used,
// shown under threshold 0) has no place on a log axis and is left out of the points.
RankChart BuildRankChart(WordStore& store, const ResultOrders& orders, const DisplayOptions& options, int pixelWidth);

// The ranges of the rank chart's log axes. Both start a little below 1, so that rank 1
// and count 1 are not cut by the axis lines, and end a little beyond the last rank and
// the highest count drawn (at least at 12 and 10).
struct RankAxes {
    double MinRank = 0.8, MaxRank = 12, MinCount = 0.8, MaxCount = 10;
};
RankAxes RankChartAxes(const RankChart& chart);

// The part of the fitted line, over ranks 1 .. Fit.Points, that lies inside the axes:
// a poor fit would otherwise run past the top or the bottom of the plot. The line is
// straight on log-log axes, so it is cut in logs. Nothing when the fit is not valid or
// no part of it is inside.
struct FitSegment {
    double FromRank = 0, FromCount = 0, ToRank = 0, ToCount = 0;
};
std::optional<FitSegment> VisibleFit(const RankFit& fit, const RankAxes& axes);

// Index 1..40 by word length; index 0 is unused.
struct LengthHistogram {
    std::array<std::int64_t, WordStore::MaxWordLength + 1> Occurrences{};
    std::array<std::int64_t, WordStore::MaxWordLength + 1> DistinctWords{};
};

// Over the words options shows.
LengthHistogram BuildLengthHistogram(WordStore& store, const ResultOrders& orders, const DisplayOptions& options);

// The longest length a shown word has, 0 when there is none: where the length axis
// ends.
int LongestLength(const LengthHistogram& histogram);

// A chart's data as lines of text, which vornix-count hands to the program that draws it
// (so that vornix-count itself starts without loading Qt). Only what is drawn travels:
// a rank point's record stays behind.
std::string ChartText(const RankChart& chart);
std::string ChartText(const LengthHistogram& histogram);
// Either form read back exactly; nothing for any other text.
std::optional<std::variant<RankChart, LengthHistogram>> ParseChartText(std::string_view text);

}  // namespace vornix
