#include "gui/charts/ChartDrawing.h"

#include <QBuffer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/files/AtomicFile.h"

namespace vornix {

QChart* MakeRankChart(const RankChart& data) {
    auto* chart = new QChart;
    auto* points = new QScatterSeries;
    points->setName(QStringLiteral("Words"));
    points->setMarkerSize(5);
    points->setPen(Qt::NoPen);
    QList<QPointF> xy;
    xy.reserve(static_cast<qsizetype>(data.Points.size()));
    std::int32_t maxCount = 1;
    for (const RankPoint& p : data.Points) {
        xy.append(QPointF(p.Rank, p.Count));
        maxCount = std::max(maxCount, p.Count);
    }
    points->replace(xy);

    QString title = QStringLiteral("Rank and frequency: %1 words").arg(data.ShownWords);
    auto* fit = new QLineSeries;
    if (data.Fit.Valid) {
        fit->setName(QStringLiteral("Fit over ranks 1-%1").arg(data.Fit.Points));
        for (int rank : {1, data.Fit.Points})
            fit->append(rank, std::exp(data.Fit.Intercept + data.Fit.Exponent * std::log(rank)));
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
    // Both axes start a little below 1, so rank 1 and count 1 are not cut by the axis lines.
    x->setRange(0.8, std::max<double>(10, data.Points.empty() ? 10 : data.Points.back().Rank) * 1.2);
    auto* y = new QLogValueAxis;
    y->setTitleText(QStringLiteral("Count"));
    y->setLabelFormat(QStringLiteral("%g"));
    y->setRange(0.8, std::max(10.0, maxCount * 1.5));
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
    auto* occurrences = new QBarSet(QStringLiteral("Occurrences"));
    auto* distinct = new QBarSet(QStringLiteral("Distinct words"));
    std::int64_t top = 1;
    for (std::size_t n = 1; n < data.Occurrences.size(); ++n) {
        occurrences->append(static_cast<qreal>(data.Occurrences[n]));
        distinct->append(static_cast<qreal>(data.DistinctWords[n]));
        top = std::max({top, data.Occurrences[n], data.DistinctWords[n]});
    }
    auto* series = new QBarSeries;
    series->append(occurrences);
    series->append(distinct);
    chart->addSeries(series);
    chart->setTitle(QStringLiteral("Word lengths"));
    // Bar i stands for length i + 1 and is centred on i. Forty labels do not fit under
    // forty narrow bars, so only 1 and every fifth length is named, under its bar.
    auto* x = new QCategoryAxis;
    x->setRange(-0.5, static_cast<qreal>(data.Occurrences.size()) - 1.5);
    x->setStartValue(-0.5);
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    x->append(QStringLiteral("1"), 0);
    for (std::size_t n = 5; n < data.Occurrences.size(); n += 5)
        x->append(QString::number(n), static_cast<qreal>(n) - 1);
    x->setGridLineVisible(false);
    x->setTitleText(QStringLiteral("Length (characters)"));
    auto* y = new QValueAxis;
    y->setRange(0, static_cast<qreal>(top) * 1.05);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
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
