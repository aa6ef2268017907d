// Every occurrence of one word in a big text: the time to find them (after the count),
// the time to form all their lines, and the peak memory of the process.
// Usage: context_bench [FILE] [WORD]   (default /tmp/wf/big-100mb.txt THE)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/context/WordContext.h"
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
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    AnalysisRun run("/tmp/context_bench." + std::to_string(::getpid()) + ".$$$", true);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    auto t0 = std::chrono::steady_clock::now();
    run.ReadDocuments({path}, false);
    run.GeneralClosedown();
    const double countTime = Seconds(t0);
    const long afterCount = PeakKiB();

    std::int32_t position = 0;
    const std::int32_t counted =
        run.Store().FindWord(word, position) ? run.Store().Count(run.Store().AlphaIndex()[position]) : 0;

    t0 = std::chrono::steady_clock::now();
    OccurrenceSearch search(run, word, static_cast<std::size_t>(counted));
    search.RunToEnd();
    const double findTime = Seconds(t0);
    const long afterFind = PeakKiB();

    t0 = std::chrono::steady_clock::now();
    ContextReader reader(run);
    std::size_t bytes = 0;
    for (const Occurrence& o : search.Found()) bytes += ConcordanceLine(reader.Format(o, 40)).size();
    const double formTime = Seconds(t0);

    std::printf("input          %.1f MiB\n", info.st_size / 1048576.0);
    std::printf("count          %.3f s (peak %.1f MiB)\n", countTime, afterCount / 1024.0);
    std::printf("occurrences    %zu (table count %d)\n", search.Found().size(), counted);
    std::printf("find           %.3f s (peak after %.1f MiB; records %.1f MiB)\n", findTime, afterFind / 1024.0,
                search.Found().capacity() * sizeof(Occurrence) / 1048576.0);
    std::printf("form lines     %.3f s (%.1f MiB of lines, width 40)\n", formTime, bytes / 1048576.0);
    std::printf("peak           %.1f MiB\n", PeakKiB() / 1024.0);
    return search.Found().size() == static_cast<std::size_t>(counted) ? 0 : 2;
}
