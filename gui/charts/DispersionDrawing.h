#pragma once
// The dispersion plot drawn with Qt, for the word-in-context window and for
// vornix-count --plot=dispersion: the geometry is the core's (LayOutDispersionPlot),
// measured in the font given; this only paints it.
#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <string>

#include "core/charts/DispersionPlot.h"

namespace vornix {

// The geometry for a plot width pixels wide, with room for its names and counts in font.
PlotGeometry LayOutDispersionPlot(const DispersionPlotData& plot, int width, const QFont& font);

// Paints the plot; a selected mark (strip, mark) is drawn in another colour.
void DrawDispersionPlot(QPainter& painter, const DispersionPlotData& plot, const PlotGeometry& geometry,
                        const QFont& font, std::optional<PlotMark> selected = std::nullopt);

// The plot width pixels wide as SVG text when svg is set, else PNG. Throws
// std::runtime_error when the image cannot be made.
QByteArray RenderDispersionImage(const DispersionPlotData& plot, int width, bool svg);

// Renders and writes it, replacing path atomically (SVG when path ends in .svg, else
// PNG); throws FileError or std::runtime_error.
void SaveDispersionImage(const DispersionPlotData& plot, int width, const std::string& path);

}  // namespace vornix
