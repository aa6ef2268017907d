// The dispersion plot's data from a real run and search, its geometry and hit test,
// and its text form for the drawing program.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "core/charts/DispersionPlot.h"

namespace vornix {
namespace {

using test::TempDir;

struct Plotted {
    TempDir dir;
    AnalysisRun run{dir.file("Vornix.$$$")};
    std::vector<std::string> texts;
    DispersionPlotData plot;

    explicit Plotted(std::vector<std::string> t) : texts(std::move(t)) {
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < texts.size(); ++i)
            paths.push_back(dir.write("doc" + std::to_string(i) + ".txt", texts[i]));
        run.GeneralInitialize(CharacterSet::Windows, nullptr);
        run.ReadDocuments(paths, false);
        run.GeneralClosedown();
        OccurrenceSearch search(run, "CAT");
        search.RunToEnd();
        std::vector<Occurrence> found = search.Found();
        std::reverse(found.begin(), found.end());  // any order
        plot = MakeDispersionPlot(run, "CAT", found);
    }
};

TEST(DispersionPlot, OneStripPerDocumentWithAMarkWhereEachOccurrenceIs) {
    Plotted p({"cat dog cat\nbird cat", "no such word", "dogs and a cat"});
    ASSERT_EQ(p.plot.strips.size(), 3u);
    for (std::size_t d = 0; d < 3; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(p.plot.strips[d].name, "doc" + std::to_string(d) + ".txt");
        // Where "cat" stands in the text, over the text's size.
        std::vector<double> expected;
        for (std::size_t at = p.texts[d].find("cat"); at != std::string::npos; at = p.texts[d].find("cat", at + 1))
            expected.push_back(double(at) / double(p.texts[d].size()));
        ASSERT_EQ(p.plot.strips[d].positions.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_DOUBLE_EQ(p.plot.strips[d].positions[i], expected[i]);
            EXPECT_EQ(p.plot.strips[d].occurrences[i].input, d);
        }
    }

    const PlotGeometry g = LayOutDispersionPlot(p.plot, 600, 100, 30);
    ASSERT_EQ(g.strips.size(), 3u);
    EXPECT_EQ(g.height, g.strips.back().box.y + PlotGeometry::kStripHeight + PlotGeometry::kMargin);
    for (std::size_t s = 0; s < g.strips.size(); ++s) {
        const auto& strip = g.strips[s];
        ASSERT_EQ(strip.marks.size(), p.plot.strips[s].positions.size());
        // Name, strip and count side by side, inside the plot.
        EXPECT_LE(strip.name.x + strip.name.width, strip.box.x);
        EXPECT_LE(strip.box.x + strip.box.width, strip.count.x);
        EXPECT_LE(strip.count.x + strip.count.width, 600);
        for (std::size_t m = 0; m < strip.marks.size(); ++m) {
            const double expected = strip.box.x + p.plot.strips[s].positions[m] * (strip.box.width - 1);
            EXPECT_NEAR(strip.marks[m], expected, 0.5);
            // A click on the mark, or just beside it, finds it.
            for (int dx : {0, PlotGeometry::kHitSlack}) {
                const auto hit = MarkAt(g, strip.marks[m] + dx, strip.box.y + 5);
                ASSERT_TRUE(hit.has_value());
                EXPECT_EQ(hit->strip, s);
                EXPECT_EQ(hit->mark, m);
            }
        }
        if (s > 0) EXPECT_EQ(strip.box.y - g.strips[s - 1].box.y, PlotGeometry::kStripHeight + PlotGeometry::kStripGap);
    }
    // Between strips, far from a mark, or in a strip without marks: nothing.
    EXPECT_FALSE(MarkAt(g, g.strips[0].marks[0], g.strips[1].box.y - 1).has_value());
    EXPECT_FALSE(MarkAt(g, g.strips[1].box.x + 5, g.strips[1].box.y + 5).has_value());
    EXPECT_FALSE(MarkAt(g, g.strips[2].box.x, g.strips[2].box.y).has_value());  // its one mark is far right
    // A narrow plot keeps room for its strips.
    const PlotGeometry narrow = LayOutDispersionPlot(p.plot, 150, 400, 30);
    EXPECT_GE(narrow.strips[0].box.width, PlotGeometry::kMinStripWidth);
    EXPECT_LE(narrow.strips[0].count.x + narrow.strips[0].count.width, 150);
}

TEST(DispersionPlot, TextFormReadsBackAndRefusesOthers) {
    Plotted p({"cat cat", "x", "a cat\n"});
    const std::string text = DispersionPlotText(p.plot);
    const auto back = ParseDispersionPlotText(text);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->word, "CAT");
    ASSERT_EQ(back->strips.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) {
        EXPECT_EQ(back->strips[s].name, p.plot.strips[s].name);
        EXPECT_EQ(back->strips[s].positions, p.plot.strips[s].positions);  // exactly
    }
    for (const std::string bad :
         {"", "rank 1 0 0 0 0 0\n", "dispersion 2\nCAT\na\n0.5\n", "dispersion 1\nCAT\na\n1.5\n",
          "dispersion 1\nCAT\na\n0.5 x\n", "dispersion 1\nCAT\na\n0.5"})
        EXPECT_FALSE(ParseDispersionPlotText(bad).has_value()) << bad;
}

}  // namespace
}  // namespace vornix
