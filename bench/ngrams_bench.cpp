// N-grams of a big text: the plain count's time, then the same count with the n-gram
// counter listening, the distinct n-grams and the bytes the counter holds for each.
// Usage: ngrams_bench [FILE] [N] [THREADS]   (default /tmp/wf/big-100mb.txt 2 0)
// Peak memory is the process's: run it once per N (and compare with vornix-count under
// /usr/bin/time -v, as bench/README.md does).
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/engine/AnalysisRun.h"
#include "core/ngrams/NGrams.h"

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

double Count(const std::string& path, unsigned threads, NGramCounter* counter, std::int32_t* words) {
    AnalysisRun run("/tmp/ngrams_bench." + std::to_string(::getpid()) + ".$$$", true);
    run.SetThreads(threads);
    run.SetObserver(counter);
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    run.ReadDocuments({path}, false);
    run.GeneralClosedown();
    if (counter) NGramTable table(*counter, run.Store(), DisplayOptions{}, NGramOrder::Frequency);
    *words = run.State().TotalWords;
    return Seconds(t0);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/tmp/wf/big-100mb.txt";
    const int n = argc > 2 ? std::atoi(argv[2]) : 2;
    const unsigned threads = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 0;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::int32_t words = 0;
    const double plain = Count(path, threads, nullptr, &words);
    const long plainPeak = PeakKiB();
    NGramCounter counter(n);
    const double with = Count(path, threads, &counter, &words);
    std::printf("input          %.1f MiB, %d words\n", info.st_size / 1048576.0, words);
    std::printf("plain count    %.3f s (peak %.1f MiB)\n", plain, plainPeak / 1024.0);
    std::printf("with %d-grams   %.3f s (%.2f x), table and orders included\n", n, with, with / plain);
    std::printf("distinct       %zu of %lld\n", counter.Distinct(), static_cast<long long>(counter.Total()));
    std::printf("counter        %.1f MiB, %.1f bytes per distinct n-gram (budget %d)\n",
                counter.MemoryBytes() / 1048576.0, double(counter.MemoryBytes()) / double(counter.Distinct()),
                16 + 4 * n);
    std::printf("peak           %.1f MiB\n", PeakKiB() / 1024.0);
    return 0;
}
