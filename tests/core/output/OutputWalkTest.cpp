#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/output/OutputWalk.h"

using namespace vornix;

namespace {

struct WalkFixture : ::testing::Test {
    vornix::test::TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};

    // List THE, OF; text with a number, a common word met, one unmet, ties.
    void SetUp() override {
        const std::string list = dir.write("list.dat", "THE\nOF\n");
        const std::string doc = dir.write("doc.txt", "the cat the dog 42 cat zebra\xC6 the");
        run.GeneralInitialize(CharacterSet::Windows, &list);
        run.ReadDocuments({doc}, false);
        run.GeneralClosedown();
    }
    std::string Format(DisplayOptions o, char sep = '\t') { return FormatAnalysis(run.Store(), run.Orders(), o, sep); }
};

}  // namespace

TEST_F(WalkFixture, DefaultTableHidesCommonWordsAndNumbers) {
    EXPECT_EQ(Format({}), "CAT\t2\r\nDOG\t1\r\nZEBRAAE\t1\r\n");
}

TEST_F(WalkFixture, EachOrderAndEachFilter) {
    DisplayOptions o;
    o.ShowCommonWords = true;
    o.ShowNumbers = true;
    EXPECT_EQ(Format(o, ' '), "THE 3\r\nCAT 2\r\n42 1\r\nDOG 1\r\nZEBRAAE 1\r\n");
    o.ActiveThreshold = 0;
    EXPECT_EQ(Format(o, ','), "THE,3\r\nCAT,2\r\n42,1\r\nDOG,1\r\nZEBRAAE,1\r\nOF,0\r\n");
    o.Order = ResultOrder::Alphabetical;
    EXPECT_EQ(Format(o, ','), "42,1\r\nCAT,2\r\nDOG,1\r\nOF,0\r\nTHE,3\r\nZEBRAAE,1\r\n");
    o.Order = ResultOrder::WordLength;
    o.LowerCase = true;
    EXPECT_EQ(Format(o, ','), "zebraae,1\r\ncat,2\r\ndog,1\r\nthe,3\r\n42,1\r\nof,0\r\n");
}

TEST_F(WalkFixture, ThresholdAboveEveryCountGivesNothing) {
    DisplayOptions o;
    o.ActiveThreshold = 100;
    EXPECT_EQ(Format(o), "");
    EXPECT_TRUE(ShownWords(run.Store(), run.Orders(), o).empty());
}

TEST_F(WalkFixture, ShownWordsAreTheFormattedRows) {
    DisplayOptions o;
    o.ShowNumbers = true;
    const auto shown = ShownWords(run.Store(), run.Orders(), o);
    std::string rebuilt;
    for (std::int32_t rec : shown)
        AppendOutputLine(rebuilt, run.Store().ReadWordRecord(rec).Text(), '\t', run.Store().Count(rec));
    EXPECT_EQ(rebuilt, Format(o));
    EXPECT_EQ(shown.size(), 4u);
}

TEST(OutputLine, SeparatorsByIndex) {
    EXPECT_EQ(SeparatorChar(0), ' ');
    EXPECT_EQ(SeparatorChar(1), '\t');
    EXPECT_EQ(SeparatorChar(2), ',');
    EXPECT_EQ(SeparatorChar(9), '\t');
    std::string out;
    AppendOutputLine(out, "THE", ',', 57);
    AppendOutputLine(out, "X", ' ', 1234567);
    EXPECT_EQ(out, "THE,57\r\nX 1234567\r\n");
}
