// Collocates of one word in a big text: the time to read the text again and count the
// words in the node's spans (after the count), and the peak memory of the process.
// Usage: collocates_bench [FILE] [WORD] [L] [R]   (default /tmp/wf/big-100mb.txt THE 5 5)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/collocates/Collocates.h"
#include "core/engine/AnalysisRun.h"

using namespace vornix;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/wf/big-100mb.txt";
    const std::string word = argc > 2 ? argv[2] : "THE";
    const CollocateSpan span{argc > 3 ? std::atoi(argv[3]) : 5, argc > 4 ? std::atoi(argv[4]) : 5};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !span.Valid()) {
        std::fprintf(stderr, "cannot read %s (or a bad span)\n", path.c_str());
        return 1;
    }
    AnalysisRun run("/tmp/collocates_bench." + std::to_string(::getpid()) + ".$$$", true);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    auto t0 = std::chrono::steady_clock::now();
    run.ReadDocuments({path}, false);
    run.GeneralClosedown();
    const double countTime = Seconds(t0);
    std::int32_t position = 0;
    if (!run.Store().FindWord(word, position)) {
        std::fprintf(stderr, "%s does not occur\n", word.c_str());
        return 1;
    }
    const std::int32_t node = run.Store().AlphaIndex()[position];

    t0 = std::chrono::steady_clock::now();
    CollocateSearch search(run, node, span);
    search.RunToEnd();
    const double searchTime = Seconds(t0);
    t0 = std::chrono::steady_clock::now();
    DisplayOptions display;
    display.ShowCommonWords = true;
    const CollocateTable table(search, run.Store(), run.State().TotalWords, display, CollocateSort::LogDice);
    const double tableTime = Seconds(t0);

    std::printf("input          %.1f MiB\n", info.st_size / 1048576.0);
    std::printf("count          %.3f s\n", countTime);
    std::printf("node           %s, %lld found (table count %d)\n", word.c_str(),
                static_cast<long long>(search.NodeFound()), run.Store().Count(node));
    std::printf("collocates     %.3f s (span %d left, %d right)\n", searchTime, span.left, span.right);
    std::printf("table          %.3f s, %zu rows\n", tableTime, table.Rows());
    std::printf("peak           %.1f MiB\n", PeakKiB() / 1024.0);
    return search.NodeFound() == run.Store().Count(node) ? 0 : 2;
}
