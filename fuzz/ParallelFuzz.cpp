// Differential fuzzing of the threaded reading: a document read on several threads, cut
// into chunks of a fuzzer-chosen size, must leave the store exactly as the one-thread
// reading does (records in order, counts, lengths, flags, statistics, the stop at the
// word limit, how each input was decided). For some inputs a common words list first
// fills the store to a few words below the limit, so the document's new words reach it.
//
// Header: data[0] the 8-bit set, possessives, the near-limit list and the threads;
// data[1] the chunk size (low 7 bits). With data[1]'s top bit clear the rest is the
// document as it stands, read as bytes (the corpus from before Unicode chunks keeps its
// meaning); set, data[2] picks the encoding choice and the document's form (the bytes,
// or a text built from them through a palette of UTF-8 fragments, maybe as UTF-16),
// so the Unicode chunk cuts and the decoder restarting at each chunk are exercised.
// With data[0]'s bit 2 set and bit 5 clear (never near the limit) both runs read the
// document through named pipes, written in pieces: the stream chunks against the one-
// thread reading of a stream.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
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

// Distinct list words up to this many below the limit. The limit is then the least
// there is (its rules are the same at any), so the list is read in milliseconds.
constexpr int kRoomLeft = 12;
constexpr std::int32_t kNearLimit = WordStore::LeastMaxWords;

const std::string& FillerList() {
    static const std::string path = [] {
        std::string text;
        for (int i = 0; i < kNearLimit - kRoomLeft; ++i) {
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

// Pieces a built text is made of, one per input byte: mostly ASCII words and separators,
// so cuts are plentiful, among the characters NFC joins, splits or reorders across a
// cut, and letters of other scripts (counted, read as separators).
// clang-format off
constexpr const char* kPalette[] = {
    "a", "b", "e", "o", "s", "t", "n", "A", "E", "Z", "x", "i", "u", "y",         // ASCII letters
    " ", " ", " ", "  ", "\n", "\r\n", "\t", ",", ".", "-", "_", "!", "(", "\"",  // separators
    "0", "1", "9", "42",                                                          // digits
    "'", "'s", "s'", "\u2019", "\u2019s", "\u02bc",                               // apostrophes
    "\u00e9", "\u00c5", "\u00f1", "\u00fc", "\u00df", "\u0130", "\u00e6",         // composed
    "e\u0301", "A\u030a", "n\u0303", "u\u0308", "o\u0302\u0323",                  // decomposed
    "\u0301", "\u0308", "\u0327", "\u0323\u0302", "\u0345",                       // lone marks
    " \u0301", "\n\u0308", "'\u0301", ".\u0327",                                  // a mark after a separator
    "\u212b", "\u1e9b\u0323", "\u0344", "\u0958",                                 // singletons, odd ones
    "\u03b1", "\u03a9", "\u03ac", "\u03b9\u0308\u0301",                           // Greek
    "\u0436", "\u0419", "\u0438\u0306", "\u0451",                                 // Cyrillic
    "\u4e2d", "\u6587", "\u3002", "\u3001",                                       // CJK
    "\u1100", "\u1161", "\u11a8", "\uac00", "\uac00\u11a8",                       // Hangul jamo, syllables
    "\U0001F600", "\U0001F44D\U0001F3FD", "\u200d", "\ufe0f",                     // emoji
    "\ufb01", "\u00a0", "\u2028", "\u00ad", "\u0141", "\u0153",                   // fi ligature, spaces, Latin
    "\U00010400", "\U0001D400",                                                   // outside the BMP
};
// clang-format on
constexpr std::size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];

void AppendUtf16(std::string& out, char32_t c, bool big) {
    auto unit = [&](std::uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += big ? hi : lo;
        out += big ? lo : hi;
    };
    if (c >= 0x10000) {
        unit(0xD800 + ((c - 0x10000) >> 10));
        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        unit(c);
    }
}

// The palette's text is valid UTF-8 by construction, bar the bytes put in on purpose.
std::string ToUtf16(const std::string& utf8, bool big) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = p[i];
        std::size_t len = 1;
        if (c >= 0xF0 && i + 3 < utf8.size()) {
            c = ((c & 7) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            len = 4;
        } else if (c >= 0xE0 && i + 2 < utf8.size()) {
            c = ((c & 0xF) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
            len = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            c = ((c & 0x1F) << 6) | (p[i + 1] & 0x3F);
            len = 2;
        }
        AppendUtf16(out, c, big);
        i += len;
    }
    return out;
}

// data[2]: bits 0-1 the choice (Bytes, Auto, Utf8, Auto); bits 2-3 the form (the bytes,
// palette UTF-8, palette UTF-16LE, palette UTF-16BE); bit 4 a byte-order mark first;
// bit 5 a flaw late in the text (0xFF in UTF-8, which sends Auto to 8-bit; a lone
// surrogate in UTF-16); bit 6 a lone combining mark right after the first ASCII letter
// run; bit 7 the last byte dropped (a cut sequence or an odd UTF-16 length).
std::string BuildDocument(std::uint8_t how, const std::uint8_t* p, std::size_t n) {
    const unsigned form = (how >> 2) & 3;
    const bool mark = (how & 0x10) != 0, flaw = (how & 0x20) != 0, lone = (how & 0x40) != 0;
    const bool cut = (how & 0x80) != 0;
    std::string text;
    if (form == 0) {
        text.assign(reinterpret_cast<const char*>(p), n);
    } else {
        for (std::size_t i = 0; i < n; ++i) text += kPalette[p[i] % kPaletteSize];
    }
    if (lone) {
        std::size_t i = 0;
        while (i < text.size() && !std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
        while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
        text.insert(i, "\u0301");
    }
    if (form <= 1) {
        if (flaw && !text.empty()) text.insert(text.size() - text.size() / 16, 1, '\xFF');
        if (mark) text.insert(0, "\xEF\xBB\xBF");
    } else {
        const bool big = form == 3;
        std::string wide = ToUtf16(text, big);
        if (flaw && wide.size() >= 2) {
            std::string surrogate;
            AppendUtf16(surrogate, 0xDA00, big);
            wide.insert((wide.size() - wide.size() / 16) & ~std::size_t{1}, surrogate);
        }
        if (mark) wide.insert(0, big ? "\xFE\xFF" : "\xFF\xFE");
        text = std::move(wide);
    }
    if (cut && !text.empty()) text.pop_back();
    return text;
}

// Named pipes under the document's name, one per reading, each fed by a thread that
// writes text in pieces; a pipe the run never opens (it stopped first) is let go.
class PipeFeed {
public:
    PipeFeed(const std::string& text, std::size_t piece) {
        static const bool ready = [] {
            ::signal(SIGPIPE, SIG_IGN);
            for (const char* which : {"p0", "p1"}) {
                const std::string folder = TempName(which);
                ::mkdir(folder.c_str(), 0700);
                CHECK(::mkfifo((folder + "/doc.txt").c_str(), 0600) == 0 || errno == EEXIST);
            }
            std::atexit([] {
                for (const char* which : {"p0", "p1"}) {
                    ::unlink((TempName(which) + "/doc.txt").c_str());
                    ::rmdir(TempName(which).c_str());
                }
            });
            return true;
        }();
        (void)ready;
        for (const char* which : {"p0", "p1"}) {
            const std::string path = TempName(which) + "/doc.txt";
            paths.push_back(path);
            writers_.emplace_back([this, path, &text, piece] {
                int fd = -1;
                while ((fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && !done_)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (fd < 0) return;
                ::fcntl(fd, F_SETFL, 0);
                for (std::size_t at = 0; at < text.size();) {
                    const ssize_t w = ::write(fd, text.data() + at, std::min(piece, text.size() - at));
                    if (w <= 0) break;  // the run stopped reading
                    at += static_cast<std::size_t>(w);
                }
                ::close(fd);
            });
        }
    }
    ~PipeFeed() {
        done_ = true;
        for (auto& t : writers_) t.join();
    }
    std::vector<std::string> paths;

private:
    std::atomic<bool> done_{false};
    std::vector<std::thread> writers_;
};

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
    const bool piped = (data[0] & 0x24) == 0x04;
    EncodingChoice choice = EncodingChoice::Bytes;
    std::string text;
    if ((data[1] & 0x80) == 0) {
        text.assign(reinterpret_cast<const char*>(data + 2), size - 2);
    } else {
        if (size < 3) return 0;
        constexpr EncodingChoice kChoices[] = {EncodingChoice::Bytes, EncodingChoice::Auto, EncodingChoice::Utf8,
                                               EncodingChoice::Auto};
        choice = kChoices[data[2] & 3];
        text = BuildDocument(data[2], data + 3, size - 3);
    }
    const std::string doc = TempName("doc.txt");
    WriteFile(doc, text.data(), text.size());

    AnalysisRun& one = Run(0);
    AnalysisRun& many = Run(1);
    bool failed[2] = {false, false};
    for (int k = 0; k < 2; ++k) {
        AnalysisRun& run = Run(k);
        run.SetThreads(k == 0 ? 1 : threads);
        run.SetChunkBytes(chunk);
        run.SetMaxWords(nearLimit ? kNearLimit : WordStore::DefaultMaxWords);
        std::optional<PipeFeed> pipes;
        if (piped) pipes.emplace(text, 1 + (size * 7 + k) % 300);
        try {
            run.GeneralInitialize(set, nearLimit ? &FillerList() : nullptr, choice);
            run.ReadDocuments(pipes ? pipes->paths : std::vector<std::string>{doc, doc}, strip);
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
    // A run stopped at the limit: one thread has counted the other-script letters of all
    // it decoded, past the stopping word, threads those of the chunks merged; which is
    // right is not settled, so only a finished run is compared.
    if (!one.State().StopRun) CHECK(one.State().OtherScriptLetters == many.State().OtherScriptLetters);
    CHECK(one.FileList() == many.FileList());
    CHECK(one.Inputs().size() == many.Inputs().size());
    for (std::size_t i = 0; i < one.Inputs().size(); ++i) {
        const RunInput &a = one.Inputs()[i], &b = many.Inputs()[i];
        CHECK(a.stopped == b.stopped);
        CHECK(a.words == b.words);
        CHECK(a.skip == b.skip);
        // A run stopped inside the ASCII start never met the byte that decides it.
        if (!a.stopped) CHECK(a.encoding == b.encoding && a.asciiFirst == b.asciiFirst);
    }
    for (std::int32_t r = 0; r < n; ++r) {
        CHECK(one.Store().Count(r) == many.Store().Count(r));
        CHECK(one.Store().Length(r) == many.Store().Length(r));
        const WordRec a = one.Store().ReadWordRecord(r);
        CHECK(std::memcmp(&a, &many.Store().ReadWordRecord(r), sizeof(WordRec)) == 0);
    }
    return 0;
}
