#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/charts/ChartData.h"
#include "core/engine/AnalysisRun.h"

using namespace vornix;
using vornix::test::TempDir;

namespace {

// Distinct letter-only words: Z, then i in base 26.
std::string Name(int i) {
    std::string s = "Z";
    do {
        s += static_cast<char>('A' + i % 26);
        i /= 26;
    } while (i > 0);
    return s;
}

struct ChartFixture : ::testing::Test {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};

    void Count(const std::string& text, const char* list = nullptr) {
        std::string listPath;
        if (list) listPath = dir.write("list.dat", list);
        run.GeneralInitialize(CharacterSet::Windows, list ? &listPath : nullptr);
        run.ReadDocuments({dir.write("doc.txt", text)}, false);
        run.GeneralClosedown();
    }
};

std::vector<RankPoint> Ranks(int n) {
    std::vector<RankPoint> points;
    for (int r = 1; r <= n; ++r) points.push_back(RankPoint{r, n - r + 1, r});
    return points;
}

}  // namespace

TEST_F(ChartFixture, SyntheticZipfTextGivesExponentMinusOne) {
    // Rank r occurs round(20000 / r) times, so counts fall as 1/rank.
    std::string text;
    for (int r = 1; r <= 1500; ++r) {
        const int count = static_cast<int>(std::lround(20000.0 / r));
        for (int k = 0; k < count; ++k) text += Name(r) + ' ';
    }
    Count(text);
    const RankChart chart = BuildRankChart(run.Store(), run.Orders(), DisplayOptions{}, 0);
    EXPECT_EQ(chart.ShownWords, 1500);
    ASSERT_TRUE(chart.Fit.Valid);
    EXPECT_EQ(chart.Fit.Points, 1000);  // ranks above 1,000 are not fitted
    EXPECT_NEAR(chart.Fit.Exponent, -1.0, 0.01);
    EXPECT_GT(chart.Fit.RSquared, 0.99);
    EXPECT_NEAR(chart.Fit.Intercept, std::log(20000.0), 0.05);
}

TEST(RankFit, ExactLinesAndTooFewPoints) {
    struct Case {
        std::vector<std::int32_t> counts;
        bool valid;
        double exponent, rSquared;
    } cases[] = {
        {{1200, 600, 400, 300, 240, 200}, true, -1.0, 1.0},
        {{3600, 900, 400, 225}, true, -2.0, 1.0},
        {{5, 5, 5}, true, 0.0, 1.0},  // flat: the line fits exactly
        {{7}, false, 0.0, 0.0},
        {{}, false, 0.0, 0.0},
        {{8, 4, 0, 0}, true, -1.0, 1.0},  // counts of 0 end the fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counts.size());
        const RankFit fit = FitRankFrequency(c.counts);
        EXPECT_EQ(fit.Valid, c.valid);
        if (!c.valid) continue;
        EXPECT_NEAR(fit.Exponent, c.exponent, 1e-9);
        EXPECT_NEAR(fit.RSquared, c.rSquared, 1e-9);
    }
    // A noisy tail lowers R².
    EXPECT_LT(FitRankFrequency({100, 1, 50, 1, 30}).RSquared, 0.5);
}

TEST(RankThinning, AtMostOnePointPerColumnAndTheEndsKept) {
    struct Case {
        int points, width;
        std::size_t atMost;
    } cases[] = {{10000, 800, 800}, {10000, 100, 100}, {500000, 1200, 1200}, {50, 2000, 50}, {10, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.points) + " in " + std::to_string(c.width));
        const std::vector<RankPoint> kept = ThinForWidth(Ranks(c.points), c.width);
        ASSERT_FALSE(kept.empty());
        EXPECT_LE(kept.size(), c.atMost);
        EXPECT_EQ(kept.back().Rank, c.points);
        if (c.width > 1) {
            EXPECT_EQ(kept.front().Rank, 1);
        }
        const double perLog = (c.width - 1) / std::log(static_cast<double>(c.points));
        for (std::size_t i = 1; i < kept.size(); ++i) {
            EXPECT_LT(kept[i - 1].Rank, kept[i].Rank);
            EXPECT_NE(std::lround(std::log(kept[i - 1].Rank) * perLog), std::lround(std::log(kept[i].Rank) * perLog));
        }
    }
    // The low ranks, a column or more apart, are all kept.
    const std::vector<RankPoint> kept = ThinForWidth(Ranks(10000), 800);
    for (int r = 1; r <= 10; ++r) EXPECT_EQ(kept[r - 1].Rank, r);
    EXPECT_EQ(ThinForWidth(Ranks(300), 0).size(), 300u);
}

TEST_F(ChartFixture, ChartsFollowTheFilter) {
    // THE 3, CAT 2, 42 1, DOG 1, ABCDEFGH 1; OF is in the list but never used.
    Count("the cat the dog 42 cat abcdefgh the", "THE\nOF\n");
    struct Case {
        bool common, numbers;
        std::int32_t threshold;
        std::vector<std::pair<std::string, std::int32_t>> ranked;
        std::vector<std::int64_t> occurrences, distinct;  // by length 1..8
    } cases[] = {
        {false,
         false,
         1,
         {{"CAT", 2}, {"ABCDEFGH", 1}, {"DOG", 1}},
         {0, 0, 3, 0, 0, 0, 0, 1},
         {0, 0, 2, 0, 0, 0, 0, 1}},
        {true,
         true,
         1,
         {{"THE", 3}, {"CAT", 2}, {"42", 1}, {"ABCDEFGH", 1}, {"DOG", 1}},
         {0, 1, 6, 0, 0, 0, 0, 1},
         {0, 1, 3, 0, 0, 0, 0, 1}},
        {true, false, 2, {{"THE", 3}, {"CAT", 2}}, {0, 0, 5, 0, 0, 0, 0, 0}, {0, 0, 2, 0, 0, 0, 0, 0}},
        // Threshold 0 shows OF: listed but with no place on a log axis.
        {true,
         false,
         0,
         {{"THE", 3}, {"CAT", 2}, {"ABCDEFGH", 1}, {"DOG", 1}},
         {0, 0, 6, 0, 0, 0, 0, 1},
         {0, 1, 3, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.common) + std::to_string(c.numbers) + std::to_string(c.threshold));
        DisplayOptions o;
        o.ShowCommonWords = c.common;
        o.ShowNumbers = c.numbers;
        o.ActiveThreshold = c.threshold;
        o.Order = ResultOrder::Alphabetical;  // ranks are by frequency whatever the table's order
        const RankChart chart = BuildRankChart(run.Store(), run.Orders(), o, 640);
        EXPECT_EQ(chart.ShownWords, static_cast<std::int32_t>(c.ranked.size() + (c.threshold == 0 ? 1 : 0)));
        ASSERT_EQ(chart.Points.size(), c.ranked.size());
        for (std::size_t i = 0; i < c.ranked.size(); ++i) {
            EXPECT_EQ(chart.Points[i].Rank, static_cast<std::int32_t>(i + 1));
            EXPECT_EQ(run.Store().ReadWordRecord(chart.Points[i].Record).Text(), c.ranked[i].first);
            EXPECT_EQ(chart.Points[i].Count, c.ranked[i].second);
        }
        const LengthHistogram h = BuildLengthHistogram(run.Store(), run.Orders(), o);
        for (int length = 1; length <= 8; ++length) {
            EXPECT_EQ(h.Occurrences[length], c.occurrences[length - 1]) << length;
            EXPECT_EQ(h.DistinctWords[length], c.distinct[length - 1]) << length;
        }
    }
}

TEST_F(ChartFixture, FortyCharacterWordsHaveTheirBar) {
    const std::string longWord(45, 'q');  // cut to 40 when read
    Count(longWord + " " + longWord + " q");
    const LengthHistogram h = BuildLengthHistogram(run.Store(), run.Orders(), DisplayOptions{});
    EXPECT_EQ(h.Occurrences[40], 2);
    EXPECT_EQ(h.DistinctWords[40], 1);
    EXPECT_EQ(h.Occurrences[1], 1);
}

TEST_F(ChartFixture, TheLengthAxisEndsAtTheLongestShownWord) {
    Count("a bb bb cccc");
    EXPECT_EQ(LongestLength(BuildLengthHistogram(run.Store(), run.Orders(), DisplayOptions{})), 4);
    DisplayOptions onlyB;
    onlyB.Filter = "b";
    EXPECT_EQ(LongestLength(BuildLengthHistogram(run.Store(), run.Orders(), onlyB)), 2);
    onlyB.Filter = "xyz";
    EXPECT_EQ(LongestLength(BuildLengthHistogram(run.Store(), run.Orders(), onlyB)), 0);
    LengthHistogram forty;
    forty.DistinctWords[40] = 1;
    EXPECT_EQ(LongestLength(forty), 40);
}

TEST(RankAxes, TheyHoldThePointsAndTheFitIsCutToThem) {
    RankChart chart;
    chart.Points = {{1, 40, 0}, {2, 9, 1}, {50, 1, 2}};
    const RankAxes axes = RankChartAxes(chart);
    EXPECT_DOUBLE_EQ(axes.MaxRank, 60);   // 50 * 1.2
    EXPECT_DOUBLE_EQ(axes.MaxCount, 60);  // 40 * 1.5
    EXPECT_DOUBLE_EQ(RankChartAxes(RankChart{}).MaxCount, 10);

    // count = 100 / rank over ranks 1..1000 on axes to 1200 by 15: inside from rank
    // 100 / 15 (at the top) to 125 (count 0.8, at the bottom).
    const RankAxes box{0.8, 1200, 0.8, 15};
    RankFit fit{true, 1000, -1.0, std::log(100.0), 0.9};
    auto seg = VisibleFit(fit, box);
    ASSERT_TRUE(seg.has_value());
    EXPECT_NEAR(seg->FromRank, 100.0 / 15, 1e-9);
    EXPECT_NEAR(seg->FromCount, 15, 1e-9);
    EXPECT_NEAR(seg->ToRank, 125, 1e-9);
    EXPECT_NEAR(seg->ToCount, 0.8, 1e-9);
    // A fit inside the box keeps its ends: ranks 1 and Points.
    fit = RankFit{true, 30, -0.5, std::log(10.0), 0.9};
    seg = VisibleFit(fit, box);
    ASSERT_TRUE(seg.has_value());
    EXPECT_DOUBLE_EQ(seg->FromRank, 1);
    EXPECT_NEAR(seg->FromCount, 10, 1e-9);
    EXPECT_NEAR(seg->ToRank, 30, 1e-9);
    EXPECT_NEAR(seg->ToCount, 10 / std::sqrt(30.0), 1e-9);
    // A flat line above the box, and an invalid fit, show nothing; a rising one is cut
    // at the top.
    EXPECT_FALSE(VisibleFit(RankFit{true, 10, 0, std::log(20.0), 1}, box).has_value());
    EXPECT_FALSE(VisibleFit(RankFit{}, box).has_value());
    seg = VisibleFit(RankFit{true, 100, 1, std::log(1.0), 1}, box);
    ASSERT_TRUE(seg.has_value());
    EXPECT_NEAR(seg->ToRank, 15, 1e-9);
    EXPECT_NEAR(seg->ToCount, 15, 1e-9);
}

TEST(ChartText, ChartsReadBackExactlyAndOtherTextIsRefused) {
    RankChart rank;
    rank.ShownWords = 123456;
    rank.Fit = RankFit{true, 1000, -1.0 / 3.0, std::log(20000.0), 0.1 + 0.2};
    rank.Points = {{1, 9000, 7}, {2, 4500, 3}, {40000, 1, 9}};
    LengthHistogram lengths;
    lengths.Occurrences[1] = 5;
    lengths.DistinctWords[1] = 2;
    lengths.Occurrences[40] = 3'000'000'000;  // past 32 bits
    lengths.DistinctWords[40] = 1;

    const auto rankBack = ParseChartText(ChartText(rank));
    ASSERT_TRUE(rankBack && std::holds_alternative<RankChart>(*rankBack));
    const RankChart& r = std::get<RankChart>(*rankBack);
    EXPECT_EQ(r.ShownWords, rank.ShownWords);
    EXPECT_EQ(r.Fit.Valid, true);
    EXPECT_EQ(r.Fit.Points, 1000);
    EXPECT_EQ(r.Fit.Exponent, rank.Fit.Exponent);  // to the last bit
    EXPECT_EQ(r.Fit.Intercept, rank.Fit.Intercept);
    EXPECT_EQ(r.Fit.RSquared, rank.Fit.RSquared);
    ASSERT_EQ(r.Points.size(), 3u);
    EXPECT_EQ(r.Points[2].Rank, 40000);
    EXPECT_EQ(r.Points[2].Count, 1);

    const auto lengthsBack = ParseChartText(ChartText(lengths));
    ASSERT_TRUE(lengthsBack && std::holds_alternative<LengthHistogram>(*lengthsBack));
    EXPECT_EQ(std::get<LengthHistogram>(*lengthsBack).Occurrences, lengths.Occurrences);
    EXPECT_EQ(std::get<LengthHistogram>(*lengthsBack).DistinctWords, lengths.DistinctWords);

    const std::string lengthsText = ChartText(lengths);
    for (const std::string& bad : {
             std::string(), std::string("bars\n1 1\n"),
             std::string("rank 3 1 3 -1 2\n"),                                            // a number short
             std::string("rank 3 2 3 -1 2 1\n"),                                          // fit neither valid nor not
             std::string("rank 3 1 3 -1,5 2 1\n"),                                        // a decimal comma
             std::string("rank 3 1 3 -1 2 1\n1 5\n1 4\n"),                                // ranks not rising
             std::string("rank 3 1 3 -1 2 1\n1 0\n"),                                     // a count off the log axis
             std::string("rank 3 1 3 -1 2 1\n1 5 x\n"),                                   // trailing text
             lengthsText.substr(0, lengthsText.rfind('\n', lengthsText.size() - 2) + 1),  // a length short
             lengthsText + "0 0\n",                                                       // a length too many
             "lengths\n1 2\n" + lengthsText.substr(lengthsText.find('\n', 8) + 1),  // more distinct words than uses
         }) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseChartText(bad));
    }
}
