#include "gui/context/DispersionPlotView.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/charts/DispersionDrawing.h"

namespace vornix {

DispersionPlotView::DispersionPlotView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DispersionPlot"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void DispersionPlotView::SetPlot(DispersionPlotData plot) {
    plot_ = std::move(plot);
    selected_.reset();
    LayOut();
}

void DispersionPlotView::LayOut() {
    geometry_ = LayOutDispersionPlot(plot_, std::max(width(), 200), font());
    setFixedHeight(geometry_.height);
    update();
}

void DispersionPlotView::Select(const Occurrence* o) {
    selected_.reset();
    if (o)
        for (std::size_t s = 0; s < plot_.strips.size(); ++s)
            for (std::size_t m = 0; m < plot_.strips[s].occurrences.size(); ++m) {
                const Occurrence& at = plot_.strips[s].occurrences[m];
                if (at.input == o->input && at.offset == o->offset) selected_ = PlotMark{s, m};
            }
    update();
}

QSize DispersionPlotView::sizeHint() const {
    return {600, geometry_.height};
}

void DispersionPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawDispersionPlot(painter, plot_, geometry_, font(), selected_);
}

void DispersionPlotView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

void DispersionPlotView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const auto mark = MarkAt(geometry_, at.x(), at.y());
    if (!mark) return;
    selected_ = mark;
    update();
    emit markClicked(plot_.strips[mark->strip].occurrences[mark->mark]);
}

}  // namespace vornix
