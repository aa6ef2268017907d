#include "gui/charts/ChartDrawing.h"

#include <QBuffer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QBarLegendMarker>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "core/files/AtomicFile.h"

namespace vornix {

namespace {

QString Grouped(std::int64_t n) {
    return QString::fromStdString(GroupedNumber(n));
}

}  // namespace

QChart* MakeRankChart(const RankChart& data) {
    auto* chart = new QChart;
    auto* points = new QScatterSeries;
    points->setName(QStringLiteral("Words"));
    points->setMarkerSize(5);
    points->setPen(Qt::NoPen);
    QList<QPointF> xy;
    xy.reserve(static_cast<qsizetype>(data.Points.size()));
    for (const RankPoint& p : data.Points) xy.append(QPointF(p.Rank, p.Count));
    points->replace(xy);

    const RankAxes axes = RankChartAxes(data);
    QString title = QStringLiteral("Rank and frequency: %1 words").arg(Grouped(data.ShownWords));
    auto* fit = new QLineSeries;
    if (data.Fit.Valid) {
        fit->setName(QStringLiteral("Fit over ranks 1-%1").arg(Grouped(data.Fit.Points)));
        // Only the part inside the plot: a poor fit would run past its top or bottom.
        if (const std::optional<FitSegment> shown = VisibleFit(data.Fit, axes)) {
            fit->append(shown->FromRank, shown->FromCount);
            fit->append(shown->ToRank, shown->ToCount);
        }
        title += QStringLiteral(";  exponent %1, R\u00B2 %2")
                     .arg(data.Fit.Exponent, 0, 'f', 3)
                     .arg(data.Fit.RSquared, 0, 'f', 3);
    }
    // The points go on top of the line, where the mouse finds them.
    chart->addSeries(fit);
    chart->addSeries(points);
    chart->setTitle(title);

    auto* x = new QLogValueAxis;
    x->setTitleText(QStringLiteral("Rank"));
    x->setLabelFormat(QStringLiteral("%g"));
    x->setRange(axes.MinRank, axes.MaxRank);
    auto* y = new QLogValueAxis;
    y->setTitleText(QStringLiteral("Count"));
    y->setLabelFormat(QStringLiteral("%g"));
    y->setRange(axes.MinCount, axes.MaxCount);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* s : chart->series()) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
    return chart;
}

QChart* MakeLengthChart(const LengthHistogram& data) {
    auto* chart = new QChart;
    // Distinct words are far fewer than occurrences: each set gets an axis of its own,
    // occurrences on the left, distinct words on the right. A bar series draws its sets
    // side by side and two series would draw over each other, so each series holds both
    // sets, the other one empty, and the empty ones stay out of the legend.
    auto* occurrences = new QBarSet(QStringLiteral("Occurrences"));
    auto* distinct = new QBarSet(QStringLiteral("Distinct words"));
    auto* noOccurrences = new QBarSet(QString());
    auto* noDistinct = new QBarSet(QString());
    // Set here, so that each axis can take its bars' colour.
    occurrences->setColor(QColor(0x20, 0x9f, 0xdf));
    distinct->setColor(QColor(0xe0, 0x7b, 0x39));
    noOccurrences->setColor(occurrences->color());
    noDistinct->setColor(distinct->color());
    const int longest = std::max(1, LongestLength(data));
    std::int64_t topOccurrences = 1, topDistinct = 1;
    for (int n = 1; n <= longest; ++n) {
        const auto i = static_cast<std::size_t>(n);
        occurrences->append(static_cast<qreal>(data.Occurrences[i]));
        distinct->append(static_cast<qreal>(data.DistinctWords[i]));
        noOccurrences->append(0);
        noDistinct->append(0);
        topOccurrences = std::max(topOccurrences, data.Occurrences[i]);
        topDistinct = std::max(topDistinct, data.DistinctWords[i]);
    }
    auto* left = new QBarSeries;
    left->setObjectName(QStringLiteral("OccurrenceBars"));
    left->append(occurrences);
    left->append(noDistinct);
    auto* right = new QBarSeries;
    right->setObjectName(QStringLiteral("DistinctBars"));
    right->append(noOccurrences);
    right->append(distinct);
    chart->addSeries(left);
    chart->addSeries(right);
    for (QBarSet* empty : {noOccurrences, noDistinct})
        for (QLegendMarker* marker : chart->legend()->markers())
            if (auto* bar = qobject_cast<QBarLegendMarker*>(marker); bar && bar->barset() == empty)
                marker->setVisible(false);
    chart->setTitle(QStringLiteral("Word lengths"));
    // Bar i stands for length i + 1 and is centred on i; the axis ends at the longest
    // length shown. Many labels do not fit under narrow bars, so only 1 and every fifth
    // length is named, under its bar.
    auto* x = new QCategoryAxis;
    x->setRange(-0.5, longest - 0.5);
    x->setStartValue(-0.5);
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->append(QStringLiteral("1"), 0);
    for (int n = 5; n <= longest; n += 5) x->append(QString::number(n), n - 1);
    x->setGridLineVisible(false);
    x->setTitleText(QStringLiteral("Length (characters)"));
    auto valueAxis = [](std::int64_t top, const QString& title, const QColor& colour) {
        auto* y = new QValueAxis;
        y->setRange(0, static_cast<qreal>(top) * 1.05);
        y->setLabelFormat(QStringLiteral("%.0f"));
        y->applyNiceNumbers();
        y->setTitleText(title);
        y->setLinePenColor(colour);
        y->setLabelsColor(colour);
        return y;
    };
    auto* yOccurrences = valueAxis(topOccurrences, QStringLiteral("Occurrences"), occurrences->color());
    auto* yDistinct = valueAxis(topDistinct, QStringLiteral("Distinct words"), distinct->color());
    yDistinct->setGridLineVisible(false);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(yOccurrences, Qt::AlignLeft);
    chart->addAxis(yDistinct, Qt::AlignRight);
    left->attachAxis(x);
    left->attachAxis(yOccurrences);
    right->attachAxis(x);
    right->attachAxis(yDistinct);
    return chart;
}

QByteArray RenderChartImage(QChart& chart, QSize size, bool svg) {
    // A scene of its own, so that a chart shown in a window is drawn at the asked size
    // without disturbing the window.
    QGraphicsScene* previous = chart.scene();
    QGraphicsScene scene;
    if (previous) previous->removeItem(&chart);
    scene.addItem(&chart);
    chart.resize(size);
    scene.setSceneRect(QRectF(QPointF(0, 0), size));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool made = true;
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(chart.title());
        QPainter painter(&generator);
        scene.render(&painter);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            scene.render(&painter);
        }
        made = image.save(&buffer, "PNG");
    }
    scene.removeItem(&chart);
    if (previous) previous->addItem(&chart);
    if (!made) throw std::runtime_error("The image could not be made.");
    return bytes;
}

void SaveChartImage(QChart& chart, QSize size, const std::string& path) {
    const bool svg = QString::fromStdString(path).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const QByteArray bytes = RenderChartImage(chart, size, svg);
    // Saving over a symbolic link replaces the file it points to and keeps the link, as
    // every other save does.
    const std::string target = FollowLinks(path);
    WriteFileAtomically(target.empty() ? path : target,
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), false);
}

}  // namespace vornix
