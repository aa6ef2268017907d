#include "display/ChartsWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>
#include <algorithm>
#include <exception>

#include "display/ChartDrawing.h"
#include "engine/AnalysisRun.h"
#include "ui/UiServices.h"

namespace vornix {

TVornixCharts::TVornixCharts(UiServices& ui, QWidget* parent) : QWidget(parent, Qt::Window), ui_(ui) {
    setObjectName(QStringLiteral("ChartsWindow"));
    setWindowTitle(QStringLiteral("Charts"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("ChartTabs"));
    rankView_ = new QChartView(this);
    rankView_->setObjectName(QStringLiteral("RankChart"));
    rankView_->setRenderHint(QPainter::Antialiasing);
    lengthView_ = new QChartView(this);
    lengthView_->setObjectName(QStringLiteral("LengthChart"));
    tabs_->addTab(rankView_, QStringLiteral("Rank and frequency"));
    tabs_->addTab(lengthView_, QStringLiteral("Word lengths"));
    layout->addWidget(tabs_, 1);
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("Save image\u2026"), this);
    save->setObjectName(QStringLiteral("SaveImageBtn"));
    buttons->addStretch(1);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, &TVornixCharts::SaveImageClick);
}

void TVornixCharts::Refresh(AnalysisRun& run, const DisplayOptions& options) {
    WordStore& store = run.Store();
    const int width = std::max(200, rankView_->width());
    rank_ = BuildRankChart(store, run.Orders(), options, width);
    words_.clear();
    words_.reserve(rank_.Points.size());
    for (const RankPoint& p : rank_.Points)
        words_.push_back(DisplayWord(store.WordRecord(p.Record), options.LowerCase));
    QChart* rank = MakeRankChart(rank_);
    if (auto* points = qobject_cast<QScatterSeries*>(rank->series().value(0)))
        connect(points, &QScatterSeries::hovered, this, &TVornixCharts::PointHovered);
    // setChart leaves the old chart to its caller.
    QChart* oldRank = rankView_->chart();
    rankView_->setChart(rank);
    delete oldRank;
    QChart* oldLength = lengthView_->chart();
    lengthView_->setChart(MakeLengthChart(BuildLengthHistogram(store, run.Orders(), options)));
    delete oldLength;
}

void TVornixCharts::PointHovered(const QPointF& point, bool state) {
    if (!state || rank_.Points.empty()) {
        QToolTip::hideText();
        return;
    }
    // The nearest drawn rank: points are in rising rank order.
    const auto at = std::lower_bound(rank_.Points.begin(), rank_.Points.end(), point.x(),
                                     [](const RankPoint& p, double x) { return p.Rank < x; });
    auto index = static_cast<std::size_t>(at - rank_.Points.begin());
    if (index == rank_.Points.size() ||
        (index > 0 && point.x() - rank_.Points[index - 1].Rank < rank_.Points[index].Rank - point.x()))
        --index;
    const RankPoint& p = rank_.Points[index];
    QToolTip::showText(QCursor::pos(),
                       QStringLiteral("%1\nrank %2, count %3")
                           .arg(QString::fromLatin1(words_[index].data(), static_cast<qsizetype>(words_[index].size())))
                           .arg(p.Rank)
                           .arg(p.Count));
}

void TVornixCharts::SaveImage(const std::string& path) {
    QChartView* view = tabs_->currentIndex() == 0 ? rankView_ : lengthView_;
    const QSize size = view->size().expandedTo(QSize(640, 480));
    SaveChartImage(*view->chart(), size, path);
}

void TVornixCharts::SaveImageClick() {
    const QString path =
        ui_.SaveFile(this, {QString(), QStringLiteral("PNG image (*.png);;SVG image (*.svg)"), QStringLiteral("png")});
    if (path.isEmpty()) return;
    try {
        SaveImage(path.toStdString());
    } catch (const std::exception& e) {
        ui_.Error(this, QString::fromUtf8(e.what()));
    }
}

}  // namespace vornix
