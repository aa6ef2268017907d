#pragma once
// The dispersion plot of one word: a strip per document of the run, a mark at each
// occurrence's place in its document (its byte offset over the document's size), the
// document's name on the left and the count on the right. Where everything goes is
// worked out here, so the window, its mouse and vornix-count --plot agree; they only
// measure the names' text and paint.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/context/WordContext.h"
#include "core/engine/AnalysisRun.h"

namespace vornix {

struct PlotStrip {
    std::string name;                     // the document's name, UTF-8
    std::vector<double> positions;        // each occurrence's place, 0 to 1, in text order
    std::vector<Occurrence> occurrences;  // the occurrence of each mark (not in the text form)
};

struct DispersionPlotData {
    std::string word;  // as shown, UTF-8
    std::vector<PlotStrip> strips;
};

// One strip per input of the run, in reading order; found may be in any order.
DispersionPlotData MakeDispersionPlot(const AnalysisRun& run, std::string word, const std::vector<Occurrence>& found);

// The plot as lines of text for the drawing program, and read back (positions exactly;
// the occurrences stay behind). Nothing for any other text.
std::string DispersionPlotText(const DispersionPlotData& plot);
std::optional<DispersionPlotData> ParseDispersionPlotText(std::string_view text);

struct PlotBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

struct PlotGeometry {
    static constexpr int kMargin = 8;
    static constexpr int kTitleHeight = 28;
    static constexpr int kStripHeight = 22;
    static constexpr int kStripGap = 8;
    static constexpr int kMinStripWidth = 40;
    // A click this many pixels beside a mark still takes it.
    static constexpr int kHitSlack = 3;

    int width = 0, height = 0;
    PlotBox title;
    struct Strip {
        PlotBox box;             // the strip itself; marks are 1 pixel lines across it
        PlotBox name;            // left of it, the name right-aligned
        PlotBox count;           // right of it
        std::vector<int> marks;  // x of each mark, by the strip's positions
    };
    std::vector<Strip> strips;
};

// The plot width pixels wide, with nameWidth for the longest name and countWidth for
// the largest count (the caller measures them in its font). The height follows the
// strips.
PlotGeometry LayOutDispersionPlot(const DispersionPlotData& plot, int width, int nameWidth, int countWidth);

struct PlotMark {
    std::size_t strip = 0, mark = 0;
};
// The mark nearest a point inside a strip's height within kHitSlack pixels sideways.
std::optional<PlotMark> MarkAt(const PlotGeometry& geometry, int x, int y);

}  // namespace vornix
