#include "gui/charts/DispersionDrawing.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QSvgGenerator>
#include <algorithm>
#include <stdexcept>

#include "core/files/AtomicFile.h"

namespace vornix {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect Rect(const PlotBox& b) {
    return {b.x, b.y, b.width, b.height};
}

QString TitleOf(const DispersionPlotData& plot) {
    std::size_t n = 0;
    for (const PlotStrip& s : plot.strips) n += s.positions.size();
    return QStringLiteral("%1: %2 %3 in %4 %5")
        .arg(Utf8(plot.word))
        .arg(n)
        .arg(n == 1 ? QStringLiteral("occurrence") : QStringLiteral("occurrences"))
        .arg(plot.strips.size())
        .arg(plot.strips.size() == 1 ? QStringLiteral("document") : QStringLiteral("documents"));
}

}  // namespace

PlotGeometry LayOutDispersionPlot(const DispersionPlotData& plot, int width, const QFont& font) {
    const QFontMetrics metrics(font);
    int names = 0, counts = metrics.horizontalAdvance(QStringLiteral("0"));
    for (const PlotStrip& s : plot.strips) {
        names = std::max(names, metrics.horizontalAdvance(Utf8(s.name)));
        counts = std::max(counts, metrics.horizontalAdvance(QString::number(s.positions.size())));
    }
    // A little room to spare: an image may measure the font a pixel wider than the screen.
    return LayOutDispersionPlot(plot, width, names + 6, counts + 2);
}

void DrawDispersionPlot(QPainter& painter, const DispersionPlotData& plot, const PlotGeometry& geometry,
                        const QFont& font, std::optional<PlotMark> selected) {
    painter.save();
    painter.setFont(font);
    painter.fillRect(QRect(0, 0, geometry.width, geometry.height), Qt::white);
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(Rect(geometry.title), Qt::AlignLeft | Qt::AlignVCenter, TitleOf(plot));
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    for (std::size_t s = 0; s < geometry.strips.size() && s < plot.strips.size(); ++s) {
        const PlotGeometry::Strip& strip = geometry.strips[s];
        painter.setPen(Qt::black);
        const QRect name = Rect(strip.name);
        painter.drawText(name, Qt::AlignRight | Qt::AlignVCenter,
                         metrics.elidedText(Utf8(plot.strips[s].name), Qt::ElideMiddle, name.width()));
        painter.drawText(Rect(strip.count), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(plot.strips[s].positions.size()));
        const QRect box = Rect(strip.box);
        painter.fillRect(box, QColor(0xf2, 0xf2, 0xf2));
        painter.setPen(QColor(0xb0, 0xb0, 0xb0));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(QColor(0x1f, 0x4e, 0x99));
        for (const int x : strip.marks) painter.drawLine(x, box.top() + 2, x, box.bottom() - 2);
        if (selected && selected->strip == s && selected->mark < strip.marks.size()) {
            const int x = strip.marks[selected->mark];
            painter.fillRect(QRect(x - 1, box.top(), 3, box.height()), QColor(0xd0, 0x20, 0x20));
        }
    }
    painter.restore();
}

QByteArray RenderDispersionImage(const DispersionPlotData& plot, int width, bool svg) {
    const QFont font;
    const PlotGeometry geometry = LayOutDispersionPlot(plot, width, font);
    const QSize size(geometry.width, geometry.height);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool made = true;
    if (svg) {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(TitleOf(plot));
        QPainter painter(&generator);
        DrawDispersionPlot(painter, plot, geometry, font);
    } else {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            DrawDispersionPlot(painter, plot, geometry, font);
        }
        made = image.save(&buffer, "PNG");
    }
    if (!made) throw std::runtime_error("The image could not be made.");
    return bytes;
}

void SaveDispersionImage(const DispersionPlotData& plot, int width, const std::string& path) {
    const bool svg = QString::fromStdString(path).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const QByteArray bytes = RenderDispersionImage(plot, width, svg);
    // A symbolic link keeps pointing at the replaced file.
    const std::string target = FollowLinks(path);
    WriteFileAtomically(target.empty() ? path : target,
                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), false);
}

}  // namespace vornix
