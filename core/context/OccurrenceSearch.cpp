// The occurrence search: every input read again with the count's rules, and the
// occurrences of one word kept with their byte offsets.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <optional>
#include <system_error>
#include <thread>

#include "core/context/ContextText.h"
#include "core/context/WordContext.h"
#include "core/engine/Cp1252.h"
#include "core/engine/ParallelScan.h"
#include "core/engine/Scanner.h"
#include "core/engine/ScriptScanner.h"
#include "core/engine/TextDecoder.h"
#include "core/engine/Utf8.h"

namespace vornix {

std::string ChangedFileMessage(const std::string& path) {
    return "The file " + path + " has changed since it was counted; the lines shown may not match the table";
}

namespace {

constexpr std::size_t kBlock = 1 << 20;

}  // namespace

// Reads one input again. Codes go to a position-tracking scanner; a map from code
// positions back to byte offsets is kept for the words that may still be reported.
// Through the decoder, text is fed in pieces that end at character boundaries: an
// ASCII run reads one code per character, and any other character alone, so every
// piece's codes can be placed (a character's codes come out once the next starter
// arrives; the decoder holds back the current one).
struct OccurrenceSearch::Reader {
    struct MapEntry {
        std::uint64_t code;
        std::int64_t byte;
        std::int64_t end;  // for a whole segment: where it ends
        int stride;        // 0: the codes all belong to the segment at byte
    };

    Reader(const RunInput& in, std::uint32_t index, const CharMapTable& map, CodePointTable& table)
        : in(in), index(index), scanner(map), table(table) {
        scanner.Start();
        unit = IsUtf16(in.encoding) ? 2 : 1;
        big = in.encoding == TextEncoding::Utf16BE;
    }
    ~Reader() {
        if (fd >= 0) ::close(fd);
    }

    const RunInput& in;
    std::uint32_t index;
    int fd = -1;
    std::int64_t pos = 0;  // next byte offset to read
    std::int64_t size = 0;
    std::vector<unsigned char> buf;
    std::size_t carry = 0;
    PositionScanner scanner;
    CodePointTable& table;
    std::optional<TextDecoder> decoder;
    bool waitingAscii = false;  // bytes until the first non-ASCII one, then decoded
    int unit = 1;
    bool big = false;
    std::uint64_t codes = 0;
    std::int64_t heldStart = 0;
    std::vector<MapEntry> map;
    std::size_t mapFront = 0;
    std::int64_t words = 0;
    bool stop = false;
    // Words of every script: the run's own scanner reads the bytes, its offsets are the
    // input's from the first byte read on.
    ScriptScanner* scripts = nullptr;

    void Begin() {
        pos = in.skip;
        if (scripts) {
            scripts->Start();
            Push({0, in.skip, 0, 1});
            return;
        }
        if (in.encoding != TextEncoding::Bytes) {
            if (in.asciiFirst)
                waitingAscii = true;
            else
                StartDecoder(in.skip);
        }
    }

    void StartDecoder(std::int64_t at) {
        decoder.emplace(in.encoding, table);
        heldStart = at;
    }

    void Push(MapEntry e) {
        if (!map.empty() && e.stride != 0 && map.back().stride == e.stride &&
            map.back().byte + std::int64_t(e.code - map.back().code) * e.stride == e.byte)
            return;  // continues the last run
        map.push_back(e);
    }

    const MapEntry& EntryOf(std::uint64_t c, std::size_t& at) const {
        auto it = std::upper_bound(map.begin() + static_cast<std::ptrdiff_t>(mapFront), map.end(), c,
                                   [](std::uint64_t v, const MapEntry& e) { return v < e.code; });
        at = static_cast<std::size_t>(it - map.begin()) - 1;
        return map[at];
    }
    std::int64_t ByteOf(std::uint64_t c) const {
        std::size_t at;
        const MapEntry& e = EntryOf(c, at);
        return e.stride ? e.byte + std::int64_t(c - e.code) * e.stride : e.byte;
    }
    std::int64_t EndOf(std::uint64_t c) const {
        std::size_t at;
        const MapEntry& e = EntryOf(c - 1, at);
        return e.stride ? e.byte + std::int64_t(c - e.code) * e.stride : e.end;
    }

    // A word the scanner found: kept when its stored form is the one sought.
    bool Take(std::string_view word, std::uint64_t b, std::uint64_t e) {
        // A run stopped inside this input read no further.
        if (in.stopped && words >= in.words) return false;
        ++words;
        if (in.strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
        const ContextQuery& q = search->query_;
        if (search->visit_) {
            search->visit_(index, word);
        } else if (!q.near.empty()) {
            TakeNear(word, b, e);
        } else if (q.words.size() > 1) {
            TakePhrase(word, b, e);
        } else if (word == q.words[0]) {
            search->found_.push_back(Span(ByteOf(b), EndOf(e)));
        }
        return !(in.stopped && words >= in.words);
    }

    Occurrence Span(std::int64_t from, std::int64_t to) const {
        return {index, static_cast<std::uint32_t>(std::min<std::int64_t>(to - from, UINT32_MAX)),
                static_cast<std::uint64_t>(from)};
    }

    // Phrases: bit j of `partial` says the last j words are the phrase's first j, so
    // each word is compared only with the words that could come next (overlapping
    // occurrences are all found, as the n-grams count them).
    std::uint64_t partial = 0;
    std::int64_t starts[ContextQuery::MaxWords] = {};  // where the words that may begin one start

    void TakePhrase(std::string_view word, std::uint64_t b, std::uint64_t e) {
        const std::vector<std::string>& phrase = search->query_.words;
        const std::size_t n = phrase.size();
        const std::int64_t at = words - 1;  // this word's place in the input
        const std::uint64_t candidates = partial | 1;
        std::uint64_t next = 0;
        for (std::size_t j = 0; j < n; ++j)
            if ((candidates >> j & 1) && word == phrase[j]) next |= std::uint64_t{1} << (j + 1);
        if (next & 2) starts[static_cast<std::size_t>(at) % n] = ByteOf(b);
        if (next >> n & 1) {
            search->found_.push_back(Span(starts[static_cast<std::size_t>(at + 1) % n], EndOf(e)));
            next &= ~(std::uint64_t{1} << n);
        }
        partial = next;
    }

    // A word near another: the node's occurrences wait, in text order, until a `near`
    // word within the span decides them or the span has passed; only the front ones
    // are handed on, so Found stays in text order.
    struct Pending {
        std::int64_t at;
        Occurrence occurrence;
        bool kept;
    };
    std::deque<Pending> pending;
    std::int64_t lastNear = INT64_MIN / 2;

    void TakeNear(std::string_view word, std::uint64_t b, std::uint64_t e) {
        const ContextQuery& q = search->query_;
        const std::int64_t at = words - 1;
        const bool isNear = word == q.near;
        if (isNear)
            for (Pending& p : pending)
                if (at - p.at <= q.right) p.kept = true;
        if (word == q.words[0]) pending.push_back({at, Span(ByteOf(b), EndOf(e)), at - lastNear <= q.left});
        if (isNear) lastNear = at;
        Settle(at);
    }

    // Hands on the decided occurrences at the front; at the end of the input (at < 0)
    // every kept one.
    void Settle(std::int64_t at = -1) {
        while (!pending.empty()) {
            const Pending& p = pending.front();
            if (p.kept)
                search->found_.push_back(p.occurrence);
            else if (at >= 0 && at - p.at < search->query_.right)
                break;  // the next word may still decide it
            pending.pop_front();
        }
    }

    bool Scan(std::string_view codeText) {
        auto onWord = [this](std::string_view word, std::uint64_t b, std::uint64_t e) { return Take(word, b, e); };
        const bool going =
            scanner.Feed(reinterpret_cast<const unsigned char*>(codeText.data()), codeText.size(), onWord);
        codes += codeText.size();
        if (!going) stop = true;
        return going;
    }

    bool FeedRaw(const unsigned char* p, std::size_t n, std::int64_t base) {
        Push({codes, base, 0, 1});
        return Scan(std::string_view(reinterpret_cast<const char*>(p), n));
    }

    bool AsciiAt(const unsigned char* p) const { return unit == 1 ? p[0] < 0x80 : Unit16(p, big) < 0x80; }

    // Steps i over the non-ASCII character at p + i; returns whether it starts a new
    // segment. A unit that is no character is fed as what it reads as (piece, pieceLength).
    bool NextCharacter(const unsigned char* p, std::size_t n, std::size_t& i, unsigned char* stand,
                       const unsigned char*& piece, std::size_t& pieceLength) {
        if (unit == 1) {
            const int length = Utf8SequenceLength(p + i, n - i);
            if (length > 0) {
                const char32_t c = Utf8Decode(p + i, length);
                i += std::size_t(length);
                return table.Lookup(c).starter;
            }
            // Not UTF-8 (only a forced reading meets it): the byte reads as its
            // Windows-1252 character, so that character is fed in its place and the
            // decoder cannot wait for more bytes.
            const char32_t c = Cp1252CodePoint(p[i++]);
            std::string utf8;
            AppendUtf8(utf8, c);
            std::copy(utf8.begin(), utf8.end(), stand);  // a piece with its length, not a C string
            piece = stand;
            pieceLength = utf8.size();
            return table.Lookup(c).starter;
        }
        const unsigned u = Unit16(p + i, big);
        i += 2;
        const unsigned low = i + 2 <= n ? Unit16(p + i, big) : 0;
        if (u >= 0xD800 && u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
            i += 2;
            return table.Lookup(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)).starter;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            // An unpaired surrogate reads as U+FFFD: fed as that, it is read at once.
            stand[0] = big ? 0xFF : 0xFD;
            stand[1] = big ? 0xFD : 0xFF;
            piece = stand;
            pieceLength = 2;
            return table.Lookup(0xFFFD).starter;
        }
        return table.Lookup(u).starter;
    }

    // Feeds [p, p + n) at byte offset base through the decoder, piece by piece.
    bool FeedDecoded(const unsigned char* p, std::size_t n, std::int64_t base) {
        std::size_t i = 0;
        while (i + unit <= n) {
            const std::size_t s = i;
            if (AsciiAt(p + i)) {
                while (i + unit <= n && AsciiAt(p + i)) i += unit;
                const std::string_view r = decoder->Decode(p + s, i - s);
                const std::int64_t ascii = static_cast<std::int64_t>((i - s) / unit);
                const std::int64_t held = std::max<std::int64_t>(0, std::int64_t(r.size()) - (ascii - 1));
                if (held > 0) Push({codes, heldStart, base + std::int64_t(s), 0});
                Push({codes + held, base + std::int64_t(s), 0, unit});
                heldStart = base + std::int64_t(i) - unit;
                if (!Scan(r)) return false;
                continue;
            }
            const unsigned char* piece = p + s;
            unsigned char stand[4];  // what an invalid unit reads as, fed in its place
            std::size_t pieceLength = 0;
            const bool starter = NextCharacter(p, n, i, stand, piece, pieceLength);
            if (pieceLength == 0) pieceLength = i - s;
            const std::string_view r = decoder->Decode(piece, pieceLength);
            if (!r.empty()) Push({codes, heldStart, base + std::int64_t(s), 0});
            if (starter) heldStart = base + std::int64_t(s);
            if (!Scan(r)) return false;
        }
        if (i < n) {  // an odd last byte of UTF-16
            const std::string_view r = decoder->Decode(p + i, n - i);
            if (!Scan(r)) return false;
        }
        return true;
    }

    // How much of [p, p + n) ends at a character boundary (the rest waits for more).
    std::size_t Whole(const unsigned char* p, std::size_t n) const {
        if (!decoder && !waitingAscii) return n;
        if (unit == 2) {
            std::size_t m = n & ~std::size_t(1);
            if (m >= 2) {
                const unsigned u = Unit16(p + m - 2, big);
                if (u >= 0xD800 && u <= 0xDBFF) m -= 2;
            }
            return m;
        }
        for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
            if (p[n - back] >= 0xC0) return Utf8SequenceLength(p + n - back, back) < 0 ? n - back : n;
            if (p[n - back] < 0x80) return n;
        }
        return n;
    }

    // Feeds whole characters of [p, p + n); returns how many bytes were taken.
    std::size_t Feed(const unsigned char* p, std::size_t n, std::int64_t base, bool last) {
        if (scripts) {
            auto take = [this](std::string_view word, std::uint64_t b, std::uint64_t e) { return Take(word, b, e); };
            if (!scripts->Feed(p, n, in.encoding, take)) stop = true;
            return n;
        }
        const std::size_t whole = last ? n : Whole(p, n);
        std::size_t at = 0;
        if (waitingAscii) {
            while (at < whole && p[at] < 0x80) ++at;
            if (at > 0 && !FeedRaw(p, at, base)) return whole;
            if (at == whole) return whole;
            waitingAscii = false;
            StartDecoder(base + std::int64_t(at));
        }
        if (!decoder) {
            FeedRaw(p + at, whole - at, base + std::int64_t(at));
        } else {
            FeedDecoded(p + at, whole - at, base + std::int64_t(at));
        }
        Prune();
        return whole;
    }

    // Reads the next block; true when the input has ended (or the reading stopped).
    bool ReadOn(std::size_t& spent);

    // Whether the input may be searched in chunks on several threads: a regular 8-bit
    // file read to its end (a stopped run counts the words of its last input), one word
    // sought.
    bool Chunkable() const {
        const ContextQuery& q = search->query_;
        return fd >= 0 && in.encoding == TextEncoding::Bytes && !scripts && !in.stopped && !search->visit_ &&
               q.near.empty() && q.words.size() == 1;
    }

    bool ReadAt(unsigned char* p, std::size_t n, std::int64_t at, std::size_t& got) const {
        got = 0;
        while (got < n) {
            const ssize_t r = ::pread(fd, p + got, n - got, static_cast<off_t>(at + std::int64_t(got)));
            if (r < 0 && errno == EINTR) continue;
            if (r < 0) return false;
            if (r == 0) break;
            got += std::size_t(r);
        }
        return true;
    }

    // Chunk k of the text from pos on runs from just after the first separator at or
    // after its nominal start (chunk 0: from the first byte) up to and with the first
    // separator at or after its nominal end (the last: to the end). The scanner is in its
    // start state after a separator, so the chunk's words are those of the whole reading,
    // and neighbours agree on where one ends and the next begins. False on a read error.
    bool SearchChunk(std::size_t k, std::size_t chunkBytes, bool lastChunk, std::vector<unsigned char>& bytes,
                     std::vector<Occurrence>& out) const {
        const CharMapTable& map = search->run_.CharMap();
        const std::int64_t a = pos + std::int64_t(k * chunkBytes);
        const std::int64_t b = lastChunk ? size : std::min(size, a + std::int64_t(chunkBytes));
        bytes.resize(std::size_t(std::max<std::int64_t>(0, b - a)));
        std::size_t got = 0;
        if (!ReadAt(bytes.data(), bytes.size(), a, got)) return false;
        bool atEnd = lastChunk || got < bytes.size();  // a file cut short ends early
        bytes.resize(got);
        auto separatorFrom = [&](std::size_t i) {
            while (i < bytes.size() && map[bytes[i]] != kSeparator) ++i;
            return i;
        };
        std::size_t begin = 0;
        if (k > 0) {
            begin = separatorFrom(0);
            if (begin == bytes.size()) return true;  // inside a word the chunk before ends
            ++begin;
        }
        std::size_t end = bytes.size();
        if (!atEnd) {
            constexpr std::size_t kStep = 1 << 16;
            for (std::size_t from = bytes.size();;) {
                const std::size_t at = separatorFrom(from);
                if (at < bytes.size()) {
                    end = at + 1;
                    break;
                }
                from = bytes.size();
                bytes.resize(from + kStep);
                if (!ReadAt(bytes.data() + from, kStep, a + std::int64_t(from), got)) return false;
                bytes.resize(from + got);
                if (got < kStep) {
                    atEnd = separatorFrom(from) == bytes.size();
                    end = atEnd ? bytes.size() : separatorFrom(from) + 1;
                    break;
                }
            }
        }
        const std::string& sought = search->query_.words[0];
        const std::int64_t base = a + std::int64_t(begin);
        auto take = [&](std::string_view word, std::uint64_t wb, std::uint64_t we) {
            if (in.strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
            if (word == sought) out.push_back(Span(base + std::int64_t(wb), base + std::int64_t(we)));
            return true;
        };
        PositionScanner chunkScanner(map);
        chunkScanner.Start();
        chunkScanner.Feed(bytes.data() + begin, end - begin, take);
        if (atEnd) chunkScanner.Finish(take);
        return true;
    }

    // Reads the whole input in chunks on up to `threads` threads (this one among them);
    // the chunks' finds, joined in order, are what the one reading finds. Returns the
    // bytes read.
    std::int64_t SearchInChunks(unsigned threads, std::size_t chunkBytes) {
        const std::int64_t total = std::max<std::int64_t>(0, size - pos);
        const std::size_t chunks = std::max<std::size_t>(1, (std::size_t(total) + chunkBytes - 1) / chunkBytes);
        std::vector<std::vector<Occurrence>> finds(chunks);
        std::vector<char> failed(chunks, 0);
        std::atomic<std::size_t> next{0};
        std::atomic<bool> outOfMemory{false};
        auto work = [&] {
            std::vector<unsigned char> bytes;
            for (std::size_t k = next++; k < chunks && !outOfMemory; k = next++) {
                try {
                    failed[k] = !SearchChunk(k, chunkBytes, k + 1 == chunks, bytes, finds[k]);
                } catch (const std::bad_alloc&) {
                    outOfMemory = true;
                }
            }
        };
        std::vector<std::thread> workers;
        // Threads the system refuses leave the work to those that started.
        for (unsigned t = 1; t < threads; ++t) {
            try {
                workers.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
        work();
        for (std::thread& w : workers) w.join();
        if (outOfMemory) throw std::bad_alloc();
        for (std::size_t k = 0; k < chunks; ++k) {
            if (failed[k]) {  // as the one reading, which ends at the error
                search->problems_.push_back("Cannot open file " + in.path);
                break;
            }
            search->found_.insert(search->found_.end(), finds[k].begin(), finds[k].end());
        }
        return total;
    }

    void Finish() {
        if (stop) return;
        if (scripts) {
            scripts->Finish(
                [this](std::string_view word, std::uint64_t b, std::uint64_t e) { return Take(word, b, e); });
            return;
        }
        if (decoder) {
            const std::string_view r = decoder->Finish();
            if (!r.empty()) Push({codes, heldStart, size, 0});
            if (!Scan(r)) return;
        }
        Push({codes, size, 0, 1});
        scanner.Finish([this](std::string_view word, std::uint64_t b, std::uint64_t e) { return Take(word, b, e); });
    }

    // Entries before the word in progress are no longer needed.
    void Prune() {
        if (map.empty()) return;
        std::size_t at;
        EntryOf(scanner.PendingStart(), at);
        mapFront = at;
        if (mapFront > 4096 && mapFront * 2 > map.size()) {
            map.erase(map.begin(), map.begin() + static_cast<std::ptrdiff_t>(mapFront));
            mapFront = 0;
        }
    }

    OccurrenceSearch* search = nullptr;
};

OccurrenceSearch::OccurrenceSearch(const AnalysisRun& run, std::string word, std::size_t expected)
    : OccurrenceSearch(run, ContextQuery::Phrase({std::move(word)}), expected) {}

OccurrenceSearch::OccurrenceSearch(const AnalysisRun& run, ContextQuery query, std::size_t expected)
    : run_(run), query_(std::move(query)) {
    if (query_.words.empty()) query_.words.emplace_back();
    if (query_.words.size() > ContextQuery::MaxWords) query_.words.resize(ContextQuery::MaxWords);
    found_.reserve(expected);
    for (const RunInput& in : run.Inputs())
        bytesTotal_ += in.path.empty() ? static_cast<std::int64_t>(in.text.size()) : std::max<std::int64_t>(0, in.size);
}

OccurrenceSearch::OccurrenceSearch(const AnalysisRun& run, WordVisitor visit) : OccurrenceSearch(run, std::string()) {
    visit_ = std::move(visit);
}

OccurrenceSearch::~OccurrenceSearch() = default;

bool OccurrenceSearch::Done() const {
    return !reader_ && next_ >= run_.Inputs().size();
}

std::unique_ptr<OccurrenceSearch::Reader> OccurrenceSearch::Open(std::uint32_t index) {
    const RunInput& in = run_.Inputs()[index];
    if (in.stream) {
        problems_.push_back("Cannot open file " + in.name);
        return nullptr;
    }
    // Each search has its own table: it fills itself as it is read, so two searches
    // on two threads share nothing.
    if (!table_) table_ = std::make_unique<CodePointTable>();
    auto reader = std::make_unique<Reader>(in, index, run_.CharMap(), *table_);
    reader->search = this;
    if (run_.AllScripts()) {
        if (!scripts_) scripts_ = std::make_unique<ScriptScanner>(run_.ScriptsSet());
        reader->scripts = scripts_.get();
    }
    if (!in.path.empty()) {
        struct stat info {};
        if (::stat(in.path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            problems_.push_back(ChangedFileMessage(in.path));
            bytesDone_ += std::max<std::int64_t>(0, in.size);
            return nullptr;
        }
        // Without blocking: a FIFO put in the file's place would wait for a writer, and a
        // device such as /dev/zero would never end.
        reader->fd = ::open(in.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (reader->fd < 0 || ::fstat(reader->fd, &info) != 0 || S_ISDIR(info.st_mode)) {
            problems_.push_back("Cannot open file " + in.path);
            bytesDone_ += std::max<std::int64_t>(0, in.size);
            return nullptr;
        }
        if (!S_ISREG(info.st_mode)) {
            problems_.push_back(ChangedFileMessage(in.path));
            bytesDone_ += std::max<std::int64_t>(0, in.size);
            return nullptr;
        }
        const std::int64_t mtime = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        if (info.st_size != in.size || mtime != in.mtimeNs) problems_.push_back(ChangedFileMessage(in.path));
        reader->size = info.st_size;
        reader->buf.resize(kBlock + 8);
    } else {
        reader->size = static_cast<std::int64_t>(in.text.size());
    }
    reader->Begin();
    if (reader->fd >= 0 && reader->pos > 0 && ::lseek(reader->fd, reader->pos, SEEK_SET) < 0) {
        problems_.push_back("Cannot open file " + in.path);
        return nullptr;
    }
    return reader;
}

bool OccurrenceSearch::Reader::ReadOn(std::size_t& spent) {
    if (stop) return true;
    if (fd < 0) {
        const auto* p = reinterpret_cast<const unsigned char*>(in.text.data());
        const std::size_t n = std::min<std::size_t>(kBlock, in.text.size() - std::size_t(pos));
        const bool last = std::size_t(pos) + n == in.text.size();
        const std::size_t took = Feed(p + pos, n, pos, last);
        pos += std::int64_t(took);
        spent += took;
        search->bytesDone_ += std::int64_t(took);
        return last || took == 0;
    }
    ssize_t got;
    do {
        got = ::read(fd, buf.data() + carry, kBlock);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        search->problems_.push_back("Cannot open file " + in.path);
        got = 0;
    }
    const std::size_t have = carry + std::size_t(got);
    const bool last = got == 0;
    const std::int64_t base = pos - std::int64_t(carry);
    const std::size_t took = Feed(buf.data(), have, base, last);
    std::memmove(buf.data(), buf.data() + took, have - took);
    carry = have - took;
    pos += got;
    spent += std::size_t(got) + 1;
    search->bytesDone_ += got;
    return last;
}

bool OccurrenceSearch::Step(std::size_t budget) {
    std::size_t spent = 0;
    while (spent < budget) {
        if (!reader_) {
            if (next_ >= run_.Inputs().size()) return false;
            reader_ = Open(static_cast<std::uint32_t>(next_++));
            if (!reader_) continue;
            const unsigned threads = threads_ == 0 ? DefaultThreads() : threads_;
            const std::size_t chunk = std::max<std::size_t>(chunkBytes_, 1);
            if (threads > 1 && reader_->Chunkable() && reader_->size - reader_->pos >= std::int64_t(4 * chunk)) {
                const std::int64_t read = reader_->SearchInChunks(threads, chunk);
                bytesDone_ += read;
                spent += std::size_t(read) + 1;
                reader_.reset();
                continue;
            }
        }
        Reader& r = *reader_;
        if (r.ReadOn(spent) || r.stop) {
            r.Finish();
            r.Settle();
            reader_.reset();
        }
    }
    return !Done();
}

std::string StoredFormOf(std::string_view typed, const CharMapTable& map) {
    std::vector<std::string> words = StoredFormsOf(typed, map);
    return words.size() == 1 ? words[0] : std::string();
}

std::vector<std::string> StoredFormsOf(std::string_view typed, const CharMapTable& map, bool allScripts,
                                       CharacterSet set) {
    if (allScripts) return ScriptWords(typed, IsUtf8(typed) ? TextEncoding::Utf8 : TextEncoding::Bytes, set);
    return StoredFormsOf(typed, map);
}

std::string StoredFormOf(std::string_view typed, const CharMapTable& map, bool allScripts, CharacterSet set) {
    std::vector<std::string> words = StoredFormsOf(typed, map, allScripts, set);
    return words.size() == 1 ? words[0] : std::string();
}

std::vector<std::string> StoredFormsOf(std::string_view typed, const CharMapTable& map) {
    Utf8Check check;
    check.Feed(reinterpret_cast<const unsigned char*>(typed.data()), typed.size());
    std::string codes(typed);
    if (check.Finish()) {
        CodePointTable table;
        codes = DecodeToCodes(typed, TextEncoding::Utf8, table);
    }
    Scanner scanner(map);
    scanner.Start();
    std::vector<std::string> words;
    auto onWord = [&](std::string_view w) {
        words.emplace_back(w);
        return true;
    };
    scanner.Feed(reinterpret_cast<const unsigned char*>(codes.data()), codes.size(), onWord);
    scanner.Finish(onWord);
    return words;
}

}  // namespace vornix
