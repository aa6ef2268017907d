#pragma once
// The two charts as Qt Charts objects, and their export to PNG or SVG. Shared by the
// Charts window and vornix-count --plot, so that both draw the same picture.
#include <QByteArray>
#include <QString>
#include <QtCharts/QChart>
#include <string>

#include "core/charts/ChartData.h"

namespace vornix {

class WordStore;

// Log-log scatter of count against rank with the fit line; the fit's exponent and R²
// go into the title. The scatter is the chart's last series. The caller owns the chart.
QChart* MakeRankChart(const RankChart& data);
// Bars per length from 1 to the longest shown: occurrences on the left axis, distinct
// words on an axis of their own on the right.
QChart* MakeLengthChart(const LengthHistogram& data);

// Renders chart at size: SVG text when svg is set, else PNG. Throws std::runtime_error
// when the image cannot be made.
QByteArray RenderChartImage(QChart& chart, QSize size, bool svg);

// Renders chart at size and writes it, replacing path atomically: SVG when path ends
// in ".svg" (any case), else PNG. Throws std::runtime_error with the reason.
void SaveChartImage(QChart& chart, QSize size, const std::string& path);

}  // namespace vornix
