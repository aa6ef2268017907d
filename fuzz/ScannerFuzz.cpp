// Differential fuzzing of the scanner: the block-wise scanner (as the engine uses it,
// with the text split at fuzzer-chosen places) must cut exactly the words that a plain
// whole-text reading of the rules gives, for both character sets, with and without
// possessives; and a whole run over the text must keep the store's invariants.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/engine/RunScan.h"
#include "core/engine/Scanner.h"

using namespace vornix;

namespace {

// Says which property broke before stopping, so a finding is readable without a debugger.
#define CHECK(cond)                                                                \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

// The rules read straight, one byte at a time over the whole text.
std::vector<std::string> Reference(const CharMapTable& map, const std::uint8_t* p, std::size_t n, bool strip) {
    std::vector<std::string> words;
    std::string word;
    std::uint8_t previous = 32, current = 32;
    auto emit = [&] {
        std::size_t b = 0, e = word.size();
        while (b < e && IsEdgeChar(static_cast<std::uint8_t>(word[b]))) ++b;
        while (e > b && IsEdgeChar(static_cast<std::uint8_t>(word[e - 1]))) --e;
        std::string w = word.substr(b, e - b);
        word.clear();
        if (w.empty()) return;
        if (strip) {
            auto at = w.find('\'');
            if (at != std::string::npos && w.substr(at) == "'S" && w != "IT'S") w.erase(at);
        }
        words.push_back(w);
    };
    auto append = [&](char c) {
        if (word.size() < 40) word += c;
    };
    for (std::size_t i = 0; i < n; ++i) {
        previous = current;
        current = map[p[i]];
        if (current == 32) {
            if (!word.empty()) emit();
        } else if (current == 44) {
            if (!word.empty() && !(previous >= '0' && previous <= '9')) emit();
        } else if (current == 46) {
            if (word.empty()) continue;
            if (previous == 46)
                emit();
            else
                append('.');
        } else if (current == 198) {
            append('A');
            append('E');
        } else {
            append(static_cast<char>(current));
        }
    }
    if (!word.empty()) emit();
    return words;
}

AnalysisRun& SharedRun() {
    static AnalysisRun* run = [] {
        std::string path = "/tmp/vornix-fuzz-" + std::to_string(::getpid()) + ".$$$";
        return new AnalysisRun(path, true);  // nameless: nothing is left in /tmp
    }();
    return *run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const CharacterSet set = (data[0] & 1) ? CharacterSet::Dos : CharacterSet::Windows;
    const bool strip = (data[0] & 2) != 0;
    const std::size_t block = 1 + data[1];
    data += 2;
    size -= 2;

    const CharMapTable map = BuildCharMap(set);
    Scanner scanner(map);
    scanner.Start();
    std::vector<std::string> got;
    auto onWord = [&](std::string_view w) {
        std::size_t n = strip ? StripPossessive(w.data(), w.size()) : w.size();
        got.emplace_back(w.substr(0, n));
        return true;
    };
    for (std::size_t at = 0; at < size; at += block) scanner.Feed(data + at, std::min(block, size - at), onWord);
    scanner.Finish(onWord);
    CHECK(got == Reference(map, data, size, strip));
    // The run-wise reading of the threaded path cuts the same words.
    if (RunScanFits(map)) {
        std::vector<std::string> runs;
        RunScan(map, data, size, [&](std::string_view w) { onWord(w), runs.push_back(got.back()); });
        got.resize(got.size() - runs.size());
        CHECK(runs == got);
    }

    // A whole run, for one input in eight (a run is far slower than the scanner): every
    // word the scanner gave is in the store, counts add up, the index is in order.
    if ((data[-2] & 0x1C) != 0) return 0;
    AnalysisRun& run = SharedRun();
    try {
        run.GeneralInitialize(set, nullptr);
        run.VornixText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", strip);
    } catch (const FileError&) {
        // The machine's disk is full: the engine said so, which is its job; nothing to
        // check against the scanner then.
        return 0;
    }
    run.GeneralClosedown();
    CHECK(run.State().TotalWords == static_cast<std::int32_t>(got.size()));
    const auto& alpha = run.Store().AlphaIndex();
    std::int64_t sum = 0;
    for (std::int32_t p = 1; p <= run.Store().WordCount(); ++p) {
        sum += run.Store().Count(alpha[p]);
        if (p > 1) {
            // ReadWordRecord fills one shared buffer: copy the first word out.
            const std::string before(run.Store().ReadWordRecord(alpha[p - 1]).Text());
            CHECK(before < run.Store().ReadWordRecord(alpha[p]).Text());
        }
    }
    CHECK(sum == run.State().TotalWords);
    for (const std::string& w : got) {
        std::int32_t pos = 0;
        CHECK(run.Store().FindWord(w, pos));
    }
    return 0;
}
