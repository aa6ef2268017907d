// refill_bench [RUNS] [DOCUMENT]: with a DOCUMENT, times the window's whole run of it
// ("Open document(s)" to results shown) RUNS times on one thread and on the default
// threads and prints the fastest of each. Without, times the refill of the result grid for a full store of 500,000
// distinct words on Qt's offscreen platform (or the platform QT_QPA_PLATFORM names).
//
// The analysis itself is run once, through "Open document(s)" as a user would; then the
// grid is refilled RUNS times (default 5) in each of the three orders, and for each order
// the median, the fastest and the slowest time of DisplayResults are printed. A refill
// reads every record of the store, so this is the worst case the window meets.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/engine/AnalysisRun.h"
#include "core/files/Settings.h"
#include "gui/display/ResultController.h"
#include "gui/display/ResultModel.h"
#include "gui/shell/AppWindows.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/UiServices.h"

using namespace vornix;

namespace {

// Answers the open dialog with the bench text and reports every message on stderr
// (the word-limit message is expected: the store is full).
class BenchUi : public UiServices {
public:
    QString document;
    void Warning(QWidget*, const QString& t) override { Report("Warning", t); }
    void Information(QWidget*, const QString& t) override { Report("Information", t); }
    void Error(QWidget*, const QString& t) override { Report("Error", t); }
    bool Confirm(QWidget*, const QString& t) override {
        Report("Confirm", t);
        return false;
    }
    QStringList OpenFiles(QWidget*, const OpenFilesRequest&) override { return {document}; }
    QString OpenFile(QWidget*, const OpenFilesRequest&) override { return {}; }
    QString SaveFile(QWidget*, const SaveFileRequest&) override { return {}; }

private:
    static void Report(const char* kind, const QString& text) {
        std::fprintf(stderr, "[%s] %s\n", kind, qPrintable(text));
    }
};

// 500,000 distinct words of letters only, five to eight letters long, each used one to
// five times so that the frequency order is not simply the alphabetical one (about 30 MB).
void WriteText(const std::string& path, unsigned words) {
    std::ofstream out(path, std::ios::binary);
    std::string line;
    for (unsigned i = 0; i < words; ++i) {
        std::string w;
        unsigned n = i;
        for (unsigned k = 0; k < 5 + i % 4; ++k, n /= 26) w += static_cast<char>('a' + n % 26);
        const unsigned uses = 1 + (i % 7) % 5;
        for (unsigned u = 0; u < uses; ++u) {
            line += w;
            line += ' ';
        }
        if (line.size() > 4000) {
            line += '\n';
            out << line;
            line.clear();
        }
    }
    out << line << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    // A throw-away user: settings, record file and text live in one temporary folder.
    std::string folder = (std::filesystem::temp_directory_path() / "vornix-refill-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 2;
    ::setenv("HOME", folder.c_str(), 1);
    ::unsetenv("APPDATA");
    ::unsetenv("XDG_CONFIG_HOME");
    const std::string given = argc > 2 ? argv[2] : "";
    const std::string text = given.empty() ? folder + "/words.txt" : given;
    if (given.empty()) WriteText(text, 500000);

    int status = 0;
    {
        QApplication app(argc, argv);
        BenchUi ui;
        ui.document = QString::fromStdString(text);
        SettingsFile settings(folder + "/");
        AppWindows windows = CreateWindows(ui, settings, {});
        TVornixMain& main = *windows.main;
        main.show();
        auto item = [&main](const char* name) { return main.findChild<QAction*>(QLatin1String(name)); };
        auto* model = qobject_cast<ResultModel*>(main.findChild<QTableView*>(QStringLiteral("Grid"))->model());
        auto* results = main.findChild<ResultController*>(QStringLiteral("ResultController"));

        QElapsedTimer clock;
        if (!given.empty()) {
            for (unsigned threads : {1u, 0u}) {
                main.Run().SetThreads(threads);
                double best = 1e18;
                for (int r = 0; r <= runs; ++r) {  // the first is a warm-up
                    clock.restart();
                    item("Open1")->trigger();
                    if (r > 0) best = std::min(best, clock.nsecsElapsed() / 1e6);
                }
                std::printf("open to results shown, %s: fastest of %d %.0f ms (%d words, %d rows)\n",
                            threads == 1 ? "one thread" : "default threads", runs, best, main.Run().Store().WordCount(),
                            model->rowCount());
            }
            main.close();
        } else {
            clock.start();
            item("Open1")->trigger();
            std::printf("analysis: %d distinct words, %d rows shown, %.0f ms (includes the first refill)\n",
                        main.Run().Store().WordCount(), model->rowCount(), clock.nsecsElapsed() / 1e6);
            if (main.Run().Store().WordCount() != 500000) status = 1;

            struct Order {
                const char* name;
                QAction* item;
            };
            for (const Order& order :
                 {Order{"frequency", item("FrequencyList1")}, Order{"alphabetical", item("AlphabeticalList1")},
                  Order{"word length", item("WordLengthList1")}}) {
                order.item->trigger();
                std::vector<double> ms;
                for (int r = 0; r < runs; ++r) {
                    clock.restart();
                    results->DisplayResults();
                    ms.push_back(clock.nsecsElapsed() / 1e6);
                }
                std::sort(ms.begin(), ms.end());
                std::printf("refill, %-12s order: median %7.1f ms  (fastest %.1f, slowest %.1f, %d runs, %d rows)\n",
                            order.name, ms[ms.size() / 2], ms.front(), ms.back(), runs, model->rowCount());
                if (ms[ms.size() / 2] >= 1000) status = 1;
            }
            main.close();
        }
    }
    std::filesystem::remove_all(folder);
    return status;
}
