#pragma once
// The dispersion plot of the word-in-context window: drawn by gui/charts, laid out by
// the core for the view's width; a click on a mark tells which occurrence it is.
#include <QWidget>
#include <optional>

#include "core/charts/DispersionPlot.h"

namespace vornix {

class DispersionPlotView : public QWidget {
    Q_OBJECT
public:
    explicit DispersionPlotView(QWidget* parent);

    void SetPlot(DispersionPlotData plot);
    const DispersionPlotData& Plot() const { return plot_; }
    const PlotGeometry& Geometry() const { return geometry_; }
    // Draws this occurrence's mark as chosen (none: no mark).
    void Select(const Occurrence* o);
    QSize sizeHint() const override;

signals:
    void markClicked(const Occurrence& occurrence);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void LayOut();
    DispersionPlotData plot_;
    PlotGeometry geometry_;
    std::optional<PlotMark> selected_;
};

}  // namespace vornix
