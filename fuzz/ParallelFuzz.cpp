// Differential fuzzing of the threaded reading: a document read on several threads, cut
// into chunks of a fuzzer-chosen size, must leave the store exactly as the one-thread
// reading does (records in order, counts, lengths, flags, statistics, the stop at the
// word limit). For some inputs a common words list first fills the store to a few words
// below the limit, so the document's new words reach it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"

using namespace vornix;

namespace {

#define CHECK(cond)                                                                \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

std::string TempName(const char* what) {
    return "/tmp/vornix-pfuzz-" + std::to_string(::getpid()) + "-" + what;
}

void WriteFile(const std::string& path, const void* p, std::size_t n) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    CHECK(f != nullptr);
    CHECK(std::fwrite(p, 1, n, f) == n);
    CHECK(std::fclose(f) == 0);
}

// Distinct list words up to this many below the limit.
constexpr int kRoomLeft = 12;

const std::string& FillerList() {
    static const std::string path = [] {
        std::string text;
        for (int i = 0; i < WordStore::DefaultMaxWords - kRoomLeft; ++i) {
            text += 'Z';
            for (int v = i; v > 0; v /= 26) text += static_cast<char>('A' + v % 26);
            text += "\r\n";
        }
        const std::string p = TempName("list.dat");
        WriteFile(p, text.data(), text.size());
        std::atexit([] { ::unlink(TempName("list.dat").c_str()); });
        return p;
    }();
    return path;
}

AnalysisRun& Run(int which) {
    static AnalysisRun* runs[2] = {new AnalysisRun(TempName("a.$$$"), true), new AnalysisRun(TempName("b.$$$"), true)};
    return *runs[which];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const CharacterSet set = (data[0] & 1) ? CharacterSet::Dos : CharacterSet::Windows;
    const bool strip = (data[0] & 2) != 0;
    const bool nearLimit = (data[0] & 0x3C) == 0x3C;
    const unsigned threads = 2 + (data[0] >> 6);
    const std::size_t chunk = 1 + data[1] % 128;
    const std::string doc = TempName("doc.txt");
    WriteFile(doc, data + 2, size - 2);

    AnalysisRun& one = Run(0);
    AnalysisRun& many = Run(1);
    bool failed[2] = {false, false};
    for (int k = 0; k < 2; ++k) {
        AnalysisRun& run = Run(k);
        run.SetThreads(k == 0 ? 1 : threads);
        run.SetChunkBytes(chunk);
        try {
            run.GeneralInitialize(set, nearLimit ? &FillerList() : nullptr, EncodingChoice::Bytes);
            run.ReadDocuments({doc, doc}, strip);
        } catch (const FileError&) {
            failed[k] = true;  // a full disk: both must fail alike
        }
        run.GeneralClosedown();
    }
    ::unlink(doc.c_str());
    CHECK(failed[0] == failed[1]);

    const WordRec lastOne = one.Store().CurrentRec, lastMany = many.Store().CurrentRec;
    CHECK(std::memcmp(&lastOne, &lastMany, sizeof(WordRec)) == 0);
    const std::int32_t n = one.Store().WordCount();
    CHECK(many.Store().WordCount() == n);
    CHECK(one.State().TotalWords == many.State().TotalWords);
    CHECK(one.State().CommonUnused == many.State().CommonUnused);
    CHECK(one.State().UniqueNumbers == many.State().UniqueNumbers);
    CHECK(one.State().StopRun == many.State().StopRun);
    CHECK(one.State().FilesRead == many.State().FilesRead);
    CHECK(one.FileList() == many.FileList());
    for (std::int32_t r = 0; r < n; ++r) {
        CHECK(one.Store().Count(r) == many.Store().Count(r));
        CHECK(one.Store().Length(r) == many.Store().Length(r));
        const WordRec a = one.Store().ReadWordRecord(r);
        CHECK(std::memcmp(&a, &many.Store().ReadWordRecord(r), sizeof(WordRec)) == 0);
    }
    return 0;
}
