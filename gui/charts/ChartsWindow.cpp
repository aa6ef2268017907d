#include "gui/charts/ChartsWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>
#include <algorithm>
#include <exception>

#include "core/engine/AnalysisRun.h"
#include "gui/charts/ChartDrawing.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

ChartsWindow::ChartsWindow(UiServices& ui, QWidget* parent) : QWidget(parent, Qt::Window), ui_(ui) {
    setObjectName(QStringLiteral("ChartsWindow"));
    setWindowTitle(ToolWindowTitle(QStringLiteral("Charts")));
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
    connect(save, &QPushButton::clicked, this, &ChartsWindow::SaveImageClick);
    rankView_->viewport()->setMouseTracking(true);
    rankView_->viewport()->installEventFilter(this);
}

void ChartsWindow::Refresh(AnalysisRun& run, const DisplayOptions& options) {
    WordStore& store = run.Store();
    const int width = std::max(200, rankView_->width());
    rank_ = BuildRankChart(store, run.Orders(), options, width);
    words_.clear();
    words_.reserve(rank_.Points.size());
    for (const RankPoint& p : rank_.Points)
        words_.push_back(DisplayWord(store.WordRecord(p.Record), options.LowerCase));
    QChart* rank = MakeRankChart(rank_);
    hovered_ = -1;
    // setChart leaves the old chart to its caller.
    QChart* oldRank = rankView_->chart();
    rankView_->setChart(rank);
    delete oldRank;
    QChart* oldLength = lengthView_->chart();
    lengthView_->setChart(MakeLengthChart(BuildLengthHistogram(store, run.Orders(), options)));
    delete oldLength;
}

void ChartsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ChartsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rankView_->viewport()) {
        if (event->type() == QEvent::MouseMove)
            ShowPointAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            ShowPointAt(QPoint(-1000, -1000));
    }
    return QWidget::eventFilter(watched, event);
}

void ChartsWindow::ShowPointAt(const QPoint& pos) {
    // Found by distance on the screen rather than by the series' own hover, which misses
    // points: the markers are small, and a reader aims near them.
    constexpr double kReach = 8;
    QChart* chart = rankView_->chart();
    auto* points = chart ? qobject_cast<QScatterSeries*>(chart->series().value(chart->series().size() - 1)) : nullptr;
    int nearest = -1;
    double best = kReach * kReach;
    for (std::size_t i = 0; points && i < rank_.Points.size(); ++i) {
        const QPointF at =
            rankView_->mapFromScene(chart->mapToPosition(QPointF(rank_.Points[i].Rank, rank_.Points[i].Count), points));
        const double dx = at.x() - pos.x(), dy = at.y() - pos.y();
        if (dx * dx + dy * dy <= best) {
            best = dx * dx + dy * dy;
            nearest = static_cast<int>(i);
        }
    }
    if (nearest == hovered_) return;
    hovered_ = nearest;
    if (nearest < 0) {
        QToolTip::hideText();
        return;
    }
    const RankPoint& p = rank_.Points[static_cast<std::size_t>(nearest)];
    const std::string& word = words_[static_cast<std::size_t>(nearest)];
    QToolTip::showText(rankView_->viewport()->mapToGlobal(pos),
                       QStringLiteral("%1\nrank %2, count %3")
                           .arg(QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size())))
                           .arg(QString::fromStdString(GroupedNumber(p.Rank)))
                           .arg(QString::fromStdString(GroupedNumber(p.Count))),
                       rankView_->viewport());
}

void ChartsWindow::SaveImage(const std::string& path) {
    QChartView* view = tabs_->currentIndex() == 0 ? rankView_ : lengthView_;
    const QSize size = view->size().expandedTo(QSize(640, 480));
    SaveChartImage(*view->chart(), size, path);
}

void ChartsWindow::SaveImageClick() {
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
