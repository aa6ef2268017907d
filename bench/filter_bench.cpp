// filter_bench TEXT [RUNS]: counts TEXT once, then times RUNS times (default 5) the
// filter box's matching over every word of the frequency order, for a plain pattern,
// an anchored one and one with wildcards, as the table refill runs it. With a text of
// 500,000 distinct words this is the worst case the window meets while the user types.
// Prints the rows kept and the median, fastest and slowest time of each.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/display/WordPattern.h"
#include "core/engine/AnalysisRun.h"
#include "core/output/OutputWalk.h"

using namespace vornix;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: filter_bench TEXT [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    AnalysisRun run("/tmp/filter_bench." + std::to_string(::getpid()) + ".$$$", true);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({argv[1]}, false);
    run.GeneralClosedown();
    DisplayOptions all;
    all.ShowCommonWords = all.ShowNumbers = true;
    const std::vector<std::int32_t> rows = ShownWords(run.Store(), run.Orders(), all);
    std::printf("%zu words in the table\n", rows.size());

    for (const char* text : {"ing", "^re", "tion$", "a*e?s", "^?a*t$"}) {
        const WordPattern pattern(text, true);
        std::vector<double> ms;
        std::size_t kept = 0;
        for (int i = 0; i < runs; ++i) {
            std::vector<std::int32_t> ranks;
            const auto start = std::chrono::steady_clock::now();
            kept = FilterRows(run.Store(), rows, pattern, true, ranks).size();
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-8s kept %7zu  median %6.1f ms  fastest %6.1f  slowest %6.1f\n", text, kept, ms[ms.size() / 2],
                    ms.front(), ms.back());
    }
    return 0;
}
