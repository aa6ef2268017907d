// vornix-count-plot: draws the chart whose data vornix-count sends on standard input
// and writes it to the file named by its one argument (SVG or PNG by the ending). Not
// meant to be run by hand.
#include <QApplication>
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <variant>

#include "cli/CountPlot.h"
#include "display/ChartData.h"
#include "display/ChartDrawing.h"
#include "engine/Errors.h"
#include "files/AtomicFile.h"

using namespace vornix;

namespace {

// Qt's own chatter (missing runtime folders, font fallbacks) is no concern of a script
// reading vornix-count's output; what makes Qt stop still reaches standard error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "vornix-count: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vornix-count-plot FILE.svg|FILE.png < chart data (run by vornix-count --plot)\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string input(std::istreambuf_iterator<char>(std::cin), {});
    const auto data = ParseChartText(input);
    if (!data) {
        std::fprintf(stderr, "vornix-count: cannot write %s: the chart data is not readable\n", path.c_str());
        return 1;
    }
    // Drawn off screen: a count run over ssh or from cron has no display to open.
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QuietQtMessages);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    std::unique_ptr<QChart> chart(std::holds_alternative<RankChart>(*data)
                                      ? MakeRankChart(std::get<RankChart>(*data))
                                      : MakeLengthChart(std::get<LengthHistogram>(*data)));
    try {
        const bool svg = QString::fromStdString(path).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
        const QByteArray bytes = RenderChartImage(*chart, QSize(kPlotWidth, kPlotHeight), svg);
        WriteOutputFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const FileError& e) {
        std::fprintf(stderr, "vornix-count: cannot write %s: %s\n", path.c_str(),
                     e.Code() ? std::strerror(e.Code()) : e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornix-count: cannot write %s: %s\n", path.c_str(), e.what());
        return 1;
    }
    return std::fflush(stderr) == 0 ? 0 : 1;
}
