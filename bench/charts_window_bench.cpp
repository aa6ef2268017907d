// charts_window_bench TEXT [RUNS]: counts TEXT once, then times RUNS times (default 5)
// opening the Charts window on the offscreen platform: both charts worked out, built as
// chart objects and painted once. Goal with 500,000 distinct words: under 0.5 s.
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/engine/AnalysisRun.h"
#include "gui/charts/ChartsWindow.h"
#include "gui/ui/UiServices.h"

using namespace vornix;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: charts_window_bench TEXT [RUNS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    AnalysisRun run("/tmp/charts_window_bench." + std::to_string(::getpid()) + ".$$$", true);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({argv[1]}, false);
    run.GeneralClosedown();
    std::printf("counted %d distinct words\n", run.Store().WordCount());

    DisplayOptions all;
    all.ShowCommonWords = all.ShowNumbers = true;
    QtUiServices ui;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ChartsWindow charts(ui, nullptr);
        charts.resize(1200, 700);
        charts.show();
        charts.Refresh(run, all);
        charts.grab();  // paints both the window and the shown chart
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("open charts window   median %8.1f ms  fastest %8.1f  slowest %8.1f\n", ms[ms.size() / 2], ms.front(),
                ms.back());
    return 0;
}
