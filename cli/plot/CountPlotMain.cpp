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
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "cli/CountPlot.h"
#include "core/charts/ChartData.h"
#include "core/charts/DispersionPlot.h"
#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"
#include "gui/charts/ChartDrawing.h"
#include "gui/charts/DispersionDrawing.h"

using namespace vornix;

namespace {

// Qt's own chatter (missing runtime folders, font fallbacks) is no concern of a script
// reading vornix-count's output; what makes Qt stop still reaches standard error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "vornix-count: %s\n", message.toLocal8Bit().constData());
}

// Qt looks for the session's runtime folder at start-up and, when the session names
// none (cron, a bare shell), makes TMPDIR/runtime-USER and leaves it there. A folder of
// our own stands in for it while this program runs.
struct OwnRuntimeFolder {
    std::string path;
    OwnRuntimeFolder() {
        if (std::getenv("XDG_RUNTIME_DIR")) return;
        const char* tmp = std::getenv("TMPDIR");
        std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/vornix-count-plot-XXXXXX";
        if (::mkdtemp(name.data()) && ::setenv("XDG_RUNTIME_DIR", name.c_str(), 1) == 0) path = name;
    }
    ~OwnRuntimeFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vornix-count-plot FILE.svg|FILE.png < chart data (run by vornix-count --plot)\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string input(std::istreambuf_iterator<char>(std::cin), {});
    const auto data = ParseChartText(input);
    const std::optional<DispersionPlotData> dispersion = data ? std::nullopt : ParseDispersionPlotText(input);
    if (!data && !dispersion) {
        std::fprintf(stderr, "vornix-count: cannot write %s: the chart data is not readable\n", path.c_str());
        return 1;
    }
    // Drawn off screen whatever the session names: a count run over ssh or from cron has
    // no display to open, and a platform that cannot start would abort the drawing.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(QuietQtMessages);
    const OwnRuntimeFolder runtime;  // outlives the application
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    std::unique_ptr<QChart> chart;
    if (data)
        chart.reset(std::holds_alternative<RankChart>(*data) ? MakeRankChart(std::get<RankChart>(*data))
                                                             : MakeLengthChart(std::get<LengthHistogram>(*data)));
    try {
        const bool svg = QString::fromStdString(path).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
        const QByteArray bytes = chart ? RenderChartImage(*chart, QSize(kPlotWidth, kPlotHeight), svg)
                                       : RenderDispersionImage(*dispersion, kPlotWidth, svg);
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
