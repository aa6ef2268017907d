// Reading a document on several threads must give exactly what one thread gives: the
// same records in the same order (the record file's bytes), counts, flags, statistics,
// and the same stopping word at the word limit, at a Break and on a full disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/engine/ParallelScan.h"
#include "core/engine/Scanner.h"
#include "core/engine/Utf8.h"

using namespace vornix;
using vornix::test::CorpusExcerpt;
using vornix::test::ReadFile;
using vornix::test::TempDir;
using vornix::test::UnpackSharedText;

namespace {

// Everything a run leaves that a user or a later step can see.
struct Outcome {
    std::string records;  // the record file
    std::vector<std::int32_t> counts, alpha, freq, byLength;
    std::vector<std::uint8_t> lengths;
    std::vector<std::int64_t> stats;
    std::vector<std::string> files;
    bool stopped = false;
    std::string error;
    std::string lastRecord;  // CurrentRec

    bool operator==(const Outcome&) const = default;
};

struct Reading {
    unsigned threads = 1;
    std::size_t chunkBytes = 4096;
    CharacterSet set = CharacterSet::Windows;
    bool strip = false;
    std::string list;   // common words list text; empty: none
    bool fifo = false;  // each document comes through a named pipe, with pauses
};

Reading With(std::size_t chunkBytes, std::string list = {}, bool strip = false,
             CharacterSet set = CharacterSet::Windows) {
    Reading r;
    r.chunkBytes = chunkBytes;
    r.list = std::move(list);
    r.strip = strip;
    r.set = set;
    return r;
}

// Named pipes in dir/fifo, one per document under its name, each fed by a thread that
// writes the document in pieces of every size with a few pauses, so some chunks end at
// a silence rather than at their size. Writers that nobody reads are released at the end.
class PipeFeed {
public:
    PipeFeed(const TempDir& dir, const std::vector<std::string>& docs) {
        ::signal(SIGPIPE, SIG_IGN);
        for (std::size_t i = 0; i < docs.size(); ++i) {
            const std::string folder = dir.file("fifo/" + std::to_string(i));
            std::filesystem::create_directories(folder);
            const std::string name = folder + "/" + std::filesystem::path(docs[i]).filename().string();
            ::unlink(name.c_str());
            if (::mkfifo(name.c_str(), 0600) != 0) throw std::system_error(errno, std::generic_category());
            paths.push_back(name);
            writers_.emplace_back([this, name, text = ReadFile(docs[i]), seed = static_cast<unsigned>(i)] {
                // Waits for the run to open the pipe, or for the run to end without it.
                int fd = -1;
                while ((fd = ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && !done_)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (fd < 0) return;
                ::fcntl(fd, F_SETFL, 0);
                std::mt19937 random(seed);
                for (std::size_t at = 0, piece = 0; at < text.size(); ++piece) {
                    if (piece == 1 || piece % 97 == 50) std::this_thread::sleep_for(std::chrono::milliseconds(25));
                    const std::size_t n = std::min<std::size_t>(text.size() - at, 1 + random() % 70'000);
                    const ssize_t w = ::write(fd, text.data() + at, n);
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

Outcome Count(const TempDir& dir, const std::vector<std::string>& docs, const Reading& s) {
    std::optional<PipeFeed> pipes;
    if (s.fifo) pipes.emplace(dir, docs);
    AnalysisRun run(dir.file("Vornix.$$$"));
    run.SetThreads(s.threads);
    run.SetChunkBytes(s.chunkBytes);
    const std::string list = s.list.empty() ? std::string() : dir.write("list.dat", s.list);
    Outcome o;
    run.GeneralInitialize(s.set, s.list.empty() ? nullptr : &list);
    try {
        run.ReadDocuments(pipes ? pipes->paths : docs, s.strip);
    } catch (const FileError& e) {
        o.error = e.what();
        // The record file's name has a random part of its own in each run.
        const std::string path = run.Store().WordFilePath();
        if (const auto at = o.error.find(path); at != std::string::npos) o.error.replace(at, path.size(), "RECORDS");
    }
    run.GeneralClosedown();
    const std::int32_t n = run.Store().WordCount();
    o.records = ReadFile(run.Store().WordFilePath());
    o.counts.assign(run.Store().Counts().begin(), run.Store().Counts().begin() + n);
    o.lengths.assign(run.Store().Lengths().begin(), run.Store().Lengths().begin() + n);
    o.alpha.assign(run.Store().AlphaIndex().begin() + 1, run.Store().AlphaIndex().begin() + 1 + n);
    o.freq.assign(run.Orders().FreqIndex.begin() + 1, run.Orders().FreqIndex.begin() + 1 + n);
    o.byLength.assign(run.Orders().LengthIndex.begin() + 1, run.Orders().LengthIndex.begin() + 1 + n);
    const RunStats t = run.Stats();
    o.stats = {t.FileCount,   t.CommonWords,     t.CommonFound,   t.CommonUnused,      t.TotalWords,
               t.UniqueWords, t.UniqueNonCommon, t.UniqueNumbers, t.OtherScriptLetters};
    const VocabularyStats v = run.Vocabulary();
    o.stats.insert(o.stats.end(), {v.CompleteChunks, v.ChunkDistinctSum, v.OnceWords, v.LetterSum, v.LongestRecord});
    o.files = run.FileList();
    o.stopped = run.State().StopRun;
    o.lastRecord.assign(reinterpret_cast<const char*>(&run.Store().CurrentRec), sizeof(WordRec));
    return o;
}

// Words with every rule in play: digits with commas, single and double full stops,
// apostrophes in and around words, possessives, the ligature, the typographic
// apostrophe, high letters, words past 40 characters, control bytes and line breaks.
std::string MixedText(std::size_t bytes, unsigned seed) {
    static const char* const pieces[] = {
        "the",       "cat's",     "it's",  "1,000", "5,a",  "x,5", "3.14",    "e.g.",   "U.S.A.",         "etc...",
        "'tis",      "dogs'",     "don't", ".5",    ",5",   "''",  "Caf\xe9", "\xc6on", "\x92quoted\x92", "na\xefve",
        "end.Start", "o'neill's", "A1",    "_x_",   "1984", "and", "of",      "\x01",   "\xff\xfe"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < bytes) {
        const unsigned pick = random() % 40;
        if (pick < 29) {
            text += pieces[pick];
        } else if (pick < 31) {
            text += std::string(35 + random() % 20, static_cast<char>('a' + random() % 26));
        } else {
            for (unsigned k = 0, len = 1 + random() % 9; k < len; ++k) text += static_cast<char>('a' + random() % 12);
        }
        static const char seps[] = {' ', ' ', ' ', '\n', ',', '.', '\t', '\0'};
        text += seps[random() % 8];
    }
    return text;
}

// count distinct words, each after every third a repeated one.
std::string DistinctWords(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string word = "q";
        for (int v = i; v > 0; v /= 26) word += static_cast<char>('a' + v % 26);
        text += word;
        text += i % 3 == 2 ? " the\n" : " ";
    }
    return text;
}

// UTF-8 words with composed and decomposed accents, marks after separators, a mark that
// joins an ASCII character, other scripts and invalid bytes.
std::string Utf8Text(std::size_t bytes, unsigned seed) {
    static const char* const pieces[] = {"caf\xc3\xa9",
                                         "cafe\xcc\x81",
                                         "\xcc\x81x",
                                         "<\xcc\xb8",
                                         "na\xc3\xafve",
                                         "\xce\x95\xce\xbb\xce\xbb\xce\xac",
                                         "\xe4\xb8\xad\xe6\x96\x87",
                                         "\xc5\x82\xc3\xb3"
                                         "d\xc5\xba",
                                         "\xef\xac\x81ne",
                                         "the",
                                         "1,000",
                                         "e.g.",
                                         "\xe1\x84\x80\xe1\x85\xa1",
                                         "\xf0\x9f\x98\x80",
                                         "it's"};
    std::mt19937 random(seed);
    std::string text;
    while (text.size() < bytes) {
        text += pieces[random() % std::size(pieces)];
        static const char* const seps[] = {" ", " ", "\n", ", ", ". ", " \xcc\x81", "\xe2\x80\x94"};
        text += seps[random() % std::size(seps)];
    }
    return text;
}

std::string Utf16LE(const std::string& utf8) {
    std::string out = "\xff\xfe";
    for (std::size_t i = 0; i < utf8.size();) {
        const int n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(utf8.data()) + i, utf8.size() - i);
        const char32_t c = Utf8Decode(reinterpret_cast<const unsigned char*>(utf8.data()) + i, n);
        i += n;
        auto unit = [&](char32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return out;
}

}  // namespace

TEST(ParallelScan, ManyThreadsGiveWhatOneThreadGives) {
    TempDir dir;
    const std::string mixed = dir.write("mixed.txt", MixedText(600'000, 7));
    const std::string small = dir.write("small.txt", "The cat and the dog, 1,000 times.");
    const std::string over = dir.write("over.txt", DistinctWords(600'000));
    const std::string utf8Text = Utf8Text(300'000, 3);
    const std::string utf8 = dir.write("utf8.txt", utf8Text);
    const std::string marked = dir.write("marked.txt", "\xef\xbb\xbf" + utf8Text);
    const std::string utf16 = dir.write("utf16.txt", Utf16LE(utf8Text));
    // UTF-8 that starts after a long ASCII run (with a mark on the ASCII letter before
    // it), and a text that turns out not to be UTF-8 only at its end.
    const std::string late = dir.write("late.txt", DistinctWords(2000) + "cafe\xcc\x81 " + utf8Text);
    const std::string invalid = dir.write("invalid.txt", DistinctWords(2000) + utf8Text + "\xe9t\xe9 ");
    std::vector<std::string> docs = {mixed};
    // Genesis, kept with the tests, and the whole book when the shared corpus is there.
    docs.push_back(CorpusExcerpt("kjv-genesis.txt"));
    const std::string bible = UnpackSharedText(dir, "kjv-bible.txt.xz");
    if (!bible.empty()) docs.push_back(bible);
    const std::string corpusNote = bible.empty() ? "with Genesis" : "with Genesis and kjv-bible.txt";
    const std::string list = "THE\r\nAND\r\nOF\r\n1984\r\nCAT\r\n";
    struct Case {
        const char* name;
        std::vector<std::string> docs;
        Reading setup;
    };
    const Case cases[] = {
        {"documents", docs, With(4096, list)},
        {"strip, DOS, big chunks", docs, With(65536, {}, true, CharacterSet::Dos)},
        {"a small document between large ones", {mixed, small, mixed}, With(1000, list)},
        {"the word limit", {over, mixed}, With(65536)},
        {"UTF-8 with and without a mark, UTF-16", {utf8, marked, utf16, mixed}, With(4096, list)},
        {"Unicode in small chunks", {utf8, utf16}, With(64, {}, true, CharacterSet::Dos)},
        {"UTF-8 after an ASCII run, and not UTF-8 after it", {late, invalid, late}, With(4096)},
        {"the word limit in the second document", {mixed, over}, With(8192, list, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", " + corpusNote);
        Reading one = c.setup;
        one.threads = 1;
        const Outcome reference = Count(dir, c.docs, one);
        for (const auto& [threads, fifo] : {std::pair{2u, false}, {4u, false}, {3u, true}}) {
            Reading many = c.setup;
            many.threads = threads;
            many.fifo = fifo;
            EXPECT_TRUE(Count(dir, c.docs, many) == reference) << threads << " threads" << (fifo ? ", pipes" : "");
        }
    }
    // The limit cases stop at the limit, and the first keeps only what came before it.
    Reading limit = With(65536);
    limit.threads = 4;
    const Outcome stopped = Count(dir, {over, mixed}, limit);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.records.size(), 43u * WordStore::DefaultMaxWords);
    EXPECT_EQ(stopped.files, (std::vector<std::string>{"over.txt"}));
    // THE is one of the 500,000 words, so the last admitted is the 499,999th q-word (i =
    // 499,998); the 166,666 THEs before it count, nothing after it.
    EXPECT_EQ(stopped.stats[4], 499'999 + 166'666);
}

TEST(ParallelScan, BreakKeepsTheChunksMergedSoFarInOrder) {
    TempDir dir;
    const std::string doc = dir.write("doc.txt", MixedText(400'000, 11));
    const Outcome whole = Count(dir, {doc, doc}, With(4096));
    AnalysisRun run(dir.file("Vornix.$$$"));
    run.SetThreads(3);
    run.SetChunkBytes(4096);
    int progress = 0;
    std::vector<std::int32_t> seen;
    run.Hooks().showProgress = [&] {
        seen.push_back(run.State().TotalWords);
        if (++progress == 5) run.State().BreakRequested = true;
    };
    int asked = 0;
    run.Hooks().confirmStop = [&] { return ++asked == 1; };
    run.GeneralInitialize(CharacterSet::Windows, nullptr);
    run.ReadDocuments({doc, doc}, false);
    run.GeneralClosedown();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(run.State().TotalWords, seen.back());
    EXPECT_EQ(run.Stats().FileCount, 1);
    // What was read is a beginning of the whole reading: its records, in order.
    const std::string records = ReadFile(run.Store().WordFilePath());
    ASSERT_GT(records.size(), 0u);
    ASSERT_LT(records.size(), whole.records.size());
    EXPECT_EQ(records, whole.records.substr(0, records.size()));
    std::int64_t sum = 0;
    for (std::int32_t r = 0; r < run.Store().WordCount(); ++r) {
        EXPECT_LE(run.Store().Count(r), whole.counts[r]);
        sum += run.Store().Count(r);
    }
    EXPECT_EQ(sum, run.State().TotalWords);
}

TEST(ParallelScan, FullDiskFailsAtTheSameWordAsOneThread) {
    TempDir dir;
    const std::string over = dir.write("over.txt", DistinctWords(40'000));
    Outcome one, four;
    {
        vornix::test::FileSizeLimit limit(43 * 20000);
        Reading reading = With(4096);
        one = Count(dir, {over}, reading);
        reading.threads = 4;
        four = Count(dir, {over}, reading);
    }
    EXPECT_NE(one.error, "");
    EXPECT_TRUE(one == four);
}

namespace {

// While it lives, a thread can start only when the address space has room for a 1 GiB
// stack, and the space left is what the process uses now plus headroom: as under
// "ulimit -v", where the program's threads are refused long before its memory runs out.
class ThreadRoom {
public:
    explicit ThreadRoom(std::size_t headroom) {
        ::pthread_getattr_default_np(&saved_);
        pthread_attr_t big;
        ::pthread_attr_init(&big);
        ::pthread_attr_setstacksize(&big, std::size_t{1} << 30);
        ::pthread_setattr_default_np(&big);
        ::pthread_attr_destroy(&big);
        ::getrlimit(RLIMIT_AS, &old_);
        std::size_t pages = 0;
        std::sscanf(ReadFile("/proc/self/statm").c_str(), "%zu", &pages);
        const rlimit tight{pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) + headroom, old_.rlim_max};
        ::setrlimit(RLIMIT_AS, &tight);
    }
    ~ThreadRoom() {
        ::setrlimit(RLIMIT_AS, &old_);
        ::pthread_setattr_default_np(&saved_);
        ::pthread_attr_destroy(&saved_);
    }

private:
    pthread_attr_t saved_;
    rlimit old_{};
};

// How many threads can run at once now, up to 4.
unsigned StartableThreads() {
    std::vector<std::thread> started;
    std::mutex mutex;
    std::unique_lock hold(mutex);  // keeps each one running until all are counted
    try {
        while (started.size() < 4) started.emplace_back([&] { std::lock_guard wait(mutex); });
    } catch (const std::system_error&) {
    }
    hold.unlock();
    for (std::thread& t : started) t.join();
    return static_cast<unsigned>(started.size());
}

}  // namespace

TEST(ParallelScan, ThreadsThatCannotStartLeaveTheReadingToFewer) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit an address-space limit";
#endif
    TempDir dir;
    const std::vector<std::string> docs = {dir.write("mixed.txt", MixedText(300'000, 5)),
                                           dir.write("small.txt", "The cat and the dog, 1,000 times.")};
    Reading reading = With(4096, "THE\r\nAND\r\n");
    const Outcome reference = Count(dir, docs, reading);
    reading.threads = 4;
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    for (const unsigned room : {0u, 1u, 2u}) {
        SCOPED_TRACE(std::to_string(room) + " threads can start");
        Outcome four;
        {
            const ThreadRoom limit(256 * kMiB + room * 1152 * kMiB);
            ASSERT_EQ(StartableThreads(), room);  // the limit does what the case says
            EXPECT_NO_THROW(four = Count(dir, docs, reading));
        }
        EXPECT_TRUE(four == reference);
        EXPECT_EQ(four.error, "");
    }
}

TEST(ParallelScan, ChunkTableHoldsTheWordsInFirstMetOrderAndTheirSequence) {
    for (const CharacterSet set : {CharacterSet::Windows, CharacterSet::Dos}) {
        const CharMapTable map = BuildCharMap(set);
        const std::string text = MixedText(200'000, 5);
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        std::vector<std::string> expected;
        Scanner scanner(map);
        scanner.Start();
        auto onWord = [&](std::string_view w) {
            expected.emplace_back(w.substr(0, StripPossessive(w.data(), w.size())));
            return true;
        };
        scanner.Feed(bytes, text.size(), onWord);
        scanner.Finish(onWord);

        ChunkWords chunk;
        ScanChunk(map, true, bytes, text.size(), chunk);
        std::vector<std::string> replayed, firstMet;
        std::vector<std::int32_t> counts(chunk.Words().size(), 0);
        for (std::uint32_t w : chunk.Sequence()) {
            const ChunkWord& word = chunk.Words()[w];
            replayed.emplace_back(word.padded, word.length);
            if (counts[w]++ == 0) firstMet.push_back(replayed.back());
        }
        EXPECT_EQ(replayed, expected);
        ASSERT_EQ(firstMet.size(), chunk.Words().size());
        for (std::size_t i = 0; i < firstMet.size(); ++i) {
            EXPECT_EQ(std::string(chunk.Words()[i].padded, chunk.Words()[i].length), firstMet[i]);
            EXPECT_EQ(chunk.Words()[i].count, counts[i]);
        }
    }
}

TEST(ParallelScan, APipeThatStopsAtTheLimitDoesNotWaitForItsSilentWriter) {
    // The writer sends more distinct words than the limit and then holds the pipe open
    // without a word more: the run must stop at the limit's word, as one thread does,
    // and return while the writer still waits.
    TempDir dir;
    const std::string text = DistinctWords(3000);
    const std::string doc = dir.write("doc.txt", text);
    const std::string fifo = dir.file("pipe.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::signal(SIGPIPE, SIG_IGN);
    auto count = [&](const std::string& path, unsigned threads, std::int32_t& total, std::string& records) {
        AnalysisRun run(dir.file("Vornix.$$$"));
        run.SetThreads(threads);
        // Few chunks, so the reader has read all and waits on the pipe at the stop.
        run.SetChunkBytes(4096);
        run.SetMaxWords(WordStore::LeastMaxWords);
        run.GeneralInitialize(CharacterSet::Windows, nullptr);
        run.ReadDocuments({path}, false);
        run.GeneralClosedown();
        EXPECT_TRUE(run.State().StopRun);
        total = run.State().TotalWords;
        records = ReadFile(run.Store().WordFilePath());
    };
    std::int32_t oneTotal = 0, pipeTotal = 0;
    std::string oneRecords, pipeRecords;
    count(doc, 1, oneTotal, oneRecords);
    std::atomic<bool> counted{false};
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return;
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        while (!counted) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::close(fd);
    });
    count(fifo, 3, pipeTotal, pipeRecords);
    counted = true;
    writer.join();
    EXPECT_EQ(pipeTotal, oneTotal);
    EXPECT_EQ(pipeRecords, oneRecords);
    EXPECT_EQ(oneRecords.size(), 43u * WordStore::LeastMaxWords);
}
