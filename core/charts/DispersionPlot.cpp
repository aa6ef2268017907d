#include "core/charts/DispersionPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vornix {

DispersionPlotData MakeDispersionPlot(const AnalysisRun& run, std::string word, const std::vector<Occurrence>& found) {
    DispersionPlotData plot;
    plot.word = std::move(word);
    const auto& inputs = run.Inputs();
    for (const RunInput& in : inputs) plot.strips.push_back({in.name, {}, {}});
    std::vector<Occurrence> sorted = found;
    std::sort(sorted.begin(), sorted.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.input != b.input ? a.input < b.input : a.offset < b.offset;
    });
    for (const Occurrence& o : sorted) {
        if (o.input >= inputs.size()) continue;
        const RunInput& in = inputs[o.input];
        const double size = static_cast<double>(in.path.empty() ? static_cast<std::int64_t>(in.text.size()) : in.size);
        const double at = size > 0 ? static_cast<double>(o.offset) / size : 0;
        plot.strips[o.input].positions.push_back(std::clamp(at, 0.0, 1.0));
        plot.strips[o.input].occurrences.push_back(o);
    }
    return plot;
}

namespace {

// A name on one line: line breaks (possible in file names) become spaces.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

}  // namespace

std::string DispersionPlotText(const DispersionPlotData& plot) {
    std::string out = "dispersion " + std::to_string(plot.strips.size()) + "\n" + OneLine(plot.word) + "\n";
    char buf[40];
    for (const PlotStrip& strip : plot.strips) {
        out += OneLine(strip.name) + "\n";
        for (std::size_t i = 0; i < strip.positions.size(); ++i) {
            std::snprintf(buf, sizeof buf, "%s%.17g", i ? " " : "", strip.positions[i]);
            out += buf;
        }
        out += "\n";
    }
    return out;
}

std::optional<DispersionPlotData> ParseDispersionPlotText(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // every line ends
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    if (lines.size() < 2 || lines[0].substr(0, 11) != "dispersion ") return std::nullopt;
    const std::string head(lines[0].substr(11));
    char* end = nullptr;
    const unsigned long long n = std::strtoull(head.c_str(), &end, 10);
    if (head.empty() || *end != '\0' || lines.size() != 2 + 2 * n) return std::nullopt;
    DispersionPlotData plot;
    plot.word = std::string(lines[1]);
    for (std::size_t s = 0; s < n; ++s) {
        PlotStrip strip;
        strip.name = std::string(lines[2 + 2 * s]);
        const std::string numbers(lines[3 + 2 * s]);
        const char* p = numbers.c_str();
        while (*p) {
            char* after = nullptr;
            const double v = std::strtod(p, &after);
            if (after == p || !(v >= 0 && v <= 1) || (*after != ' ' && *after != '\0')) return std::nullopt;
            strip.positions.push_back(v);
            p = *after == ' ' ? after + 1 : after;
        }
        plot.strips.push_back(std::move(strip));
    }
    return plot;
}

PlotGeometry LayOutDispersionPlot(const DispersionPlotData& plot, int width, int nameWidth, int countWidth) {
    using G = PlotGeometry;
    PlotGeometry g;
    g.width = width;
    g.title = {G::kMargin, G::kMargin, std::max(0, width - 2 * G::kMargin), G::kTitleHeight};
    // The names give way to the strips on a narrow plot.
    const int room = width - 2 * G::kMargin - 2 * G::kStripGap - countWidth;
    nameWidth = std::clamp(nameWidth, 0, std::max(0, room - G::kMinStripWidth));
    const int stripX = G::kMargin + nameWidth + G::kStripGap;
    const int stripWidth = std::max(1, room - nameWidth);
    int y = G::kMargin + G::kTitleHeight;
    for (const PlotStrip& s : plot.strips) {
        G::Strip strip;
        strip.box = {stripX, y, stripWidth, G::kStripHeight};
        strip.name = {G::kMargin, y, nameWidth, G::kStripHeight};
        strip.count = {stripX + stripWidth + G::kStripGap, y, countWidth, G::kStripHeight};
        for (const double at : s.positions)
            strip.marks.push_back(stripX + static_cast<int>(std::lround(at * (stripWidth - 1))));
        g.strips.push_back(std::move(strip));
        y += G::kStripHeight + G::kStripGap;
    }
    g.height = y - (plot.strips.empty() ? 0 : G::kStripGap) + G::kMargin;
    return g;
}

std::optional<PlotMark> MarkAt(const PlotGeometry& geometry, int x, int y) {
    for (std::size_t s = 0; s < geometry.strips.size(); ++s) {
        const PlotGeometry::Strip& strip = geometry.strips[s];
        if (y < strip.box.y || y >= strip.box.y + strip.box.height) continue;
        std::optional<PlotMark> best;
        int bestDistance = PlotGeometry::kHitSlack + 1;
        for (std::size_t m = 0; m < strip.marks.size(); ++m) {
            const int distance = std::abs(strip.marks[m] - x);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = PlotMark{s, m};
            }
        }
        return best;
    }
    return std::nullopt;
}

}  // namespace vornix
