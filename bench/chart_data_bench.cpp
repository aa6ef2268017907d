// chart_data_bench TEXT [RUNS]: counts TEXT once, then times RUNS times (default 5) what
// opening the charts and the statistics works out in the core: the rank chart thinned
// for a 1,200-pixel plot with its fit, the length histograms and the vocabulary
// measures. With a text of 500,000 distinct words this is the worst case the window
// meets. Prints the median, fastest and slowest time of each.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/charts/ChartData.h"
#include "core/engine/AnalysisRun.h"

using namespace vornix;

namespace {

void Time(const char* name, int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-22s median %8.1f ms  fastest %8.1f  slowest %8.1f\n", name, ms[ms.size() / 2], ms.front(),
                ms.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: chart_data_bench TEXT [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    AnalysisRun run("/tmp/chart_data_bench." + std::to_string(::getpid()) + ".$$$", true);
    const auto start = std::chrono::steady_clock::now();
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({argv[1]}, false);
    run.GeneralClosedown();
    std::printf("counted %d words, %d distinct, in %.0f ms\n", run.State().TotalWords, run.Store().WordCount(),
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());

    DisplayOptions all;
    all.ShowCommonWords = all.ShowNumbers = true;
    std::size_t sink = 0;
    Time("rank chart (1200 px)", runs,
         [&] { sink += BuildRankChart(run.Store(), run.Orders(), all, 1200).Points.size(); });
    Time("length histograms", runs,
         [&] { sink += BuildLengthHistogram(run.Store(), run.Orders(), all).Occurrences[1]; });
    Time("vocabulary measures", runs, [&] { sink += run.Vocabulary().OnceWords; });
    return sink == 0 ? 1 : 0;
}
