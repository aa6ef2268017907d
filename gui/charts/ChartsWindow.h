#pragma once
// The Charts window: rank and frequency, and word lengths, for the words the table
// shows; redrawn whenever the table is refilled while the window is open.
#include <QWidget>
#include <cstdint>
#include <vector>

#include "core/charts/ChartData.h"

class QChartView;
class QTabWidget;

namespace vornix {

class AnalysisRun;
class UiServices;

class ChartsWindow : public QWidget {
    Q_OBJECT
public:
    ChartsWindow(UiServices& ui, QWidget* parent);
    // Draws both charts anew from the run and the display options.
    void Refresh(AnalysisRun& run, const DisplayOptions& options);
    // The points drawn on the rank chart and the words they stand for.
    const RankChart& RankData() const { return rank_; }
    // The chart on the current tab written to path (PNG, or SVG by its ending).
    void SaveImage(const std::string& path);

protected:
    // Escape closes it, as it closes every tool window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SaveImageClick();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The tooltip for the mouse at pos on the rank chart's viewport: the nearest point
    // within a few pixels names its word, rank and count.
    void ShowPointAt(const QPoint& pos);

    UiServices& ui_;
    QTabWidget* tabs_;
    QChartView* rankView_;
    QChartView* lengthView_;
    RankChart rank_;
    std::vector<std::string> words_;  // the word of each rank point, for the hover text
    int hovered_ = -1;                // the point whose tooltip shows
};

}  // namespace vornix
