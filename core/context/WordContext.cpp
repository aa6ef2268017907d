#include "core/context/WordContext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "core/engine/Cp1252.h"
#include "core/engine/Scanner.h"
#include "core/engine/TextDecoder.h"

namespace vornix {

std::string ChangedFileMessage(const std::string& path) {
    return "The file " + path + " has changed since it was counted; the lines shown may not match the table";
}

namespace {

constexpr std::size_t kBlock = 1 << 20;

bool IsUtf16(TextEncoding e) {
    return e == TextEncoding::Utf16LE || e == TextEncoding::Utf16BE;
}

// The length of the valid UTF-8 sequence at p (n bytes available), 0 when it is not
// one, -1 when it may be one but is cut by the end of the bytes.
int Utf8Length(const unsigned char* p, std::size_t n) {
    const unsigned char b = p[0];
    int need = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b < 0xE0) {
        need = 1;
    } else if (b >= 0xE0 && b < 0xF0) {
        need = 2;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b < 0xF5) {
        need = 3;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (int k = 1; k <= need; ++k) {
        if (static_cast<std::size_t>(k) >= n) return -1;
        const unsigned char x = p[k];
        if (x < (k == 1 ? low : 0x80) || x > (k == 1 ? high : 0xBF)) return 0;
    }
    return need + 1;
}

char32_t Utf8Decode(const unsigned char* p, int length) {
    if (length == 2) return ((p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    if (length == 3) return ((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    return ((p[0] & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
}

void AppendUtf8(std::string& out, char32_t c);

unsigned Unit16(const unsigned char* p, bool big) {
    return big ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8);
}

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

    void Begin() {
        pos = in.skip;
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
        if (word == search->word_) {
            const std::int64_t from = ByteOf(b);
            const std::int64_t to = EndOf(e);
            search->found_.push_back({index, static_cast<std::uint32_t>(std::min<std::int64_t>(to - from, UINT32_MAX)),
                                      static_cast<std::uint64_t>(from)});
        }
        return !(in.stopped && words >= in.words);
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
            bool starter = true;
            const unsigned char* piece = p + s;
            unsigned char stand[4];  // what an invalid byte reads as, fed in its place
            std::size_t pieceLength = 0;
            if (unit == 1) {
                const int length = Utf8Length(p + i, n - i);
                if (length > 0) {
                    const char32_t c = Utf8Decode(p + i, length);
                    starter = table.Lookup(c).starter;
                    i += std::size_t(length);
                } else {
                    // Not UTF-8 (only a forced reading meets it): the byte reads as its
                    // Windows-1252 character, so that character is fed in its place and
                    // the decoder cannot wait for more bytes.
                    const char32_t c = Cp1252CodePoint(p[i]);
                    std::string utf8;
                    AppendUtf8(utf8, c);
                    std::memcpy(stand, utf8.data(), utf8.size());
                    piece = stand;
                    pieceLength = utf8.size();
                    starter = table.Lookup(c).starter;
                    ++i;
                }
            } else {
                const unsigned u = Unit16(p + i, big);
                i += 2;
                const unsigned low = i + 2 <= n ? Unit16(p + i, big) : 0;
                if (u >= 0xD800 && u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                    i += 2;
                    starter = table.Lookup(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)).starter;
                } else if (u >= 0xD800 && u <= 0xDFFF) {
                    // An unpaired surrogate reads as U+FFFD: fed as that, it is read at once.
                    stand[0] = big ? 0xFF : 0xFD;
                    stand[1] = big ? 0xFD : 0xFF;
                    piece = stand;
                    pieceLength = 2;
                    starter = table.Lookup(0xFFFD).starter;
                } else {
                    starter = table.Lookup(u).starter;
                }
            }
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
            if (p[n - back] >= 0xC0) return Utf8Length(p + n - back, back) < 0 ? n - back : n;
            if (p[n - back] < 0x80) return n;
        }
        return n;
    }

    // Feeds whole characters of [p, p + n); returns how many bytes were taken.
    std::size_t Feed(const unsigned char* p, std::size_t n, std::int64_t base, bool last) {
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

    void Finish() {
        if (stop) return;
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
    : run_(run), word_(std::move(word)) {
    found_.reserve(expected);
    for (const RunInput& in : run.Inputs())
        bytesTotal_ += in.path.empty() ? static_cast<std::int64_t>(in.text.size()) : std::max<std::int64_t>(0, in.size);
}

OccurrenceSearch::~OccurrenceSearch() = default;

bool OccurrenceSearch::Done() const {
    return !reader_ && next_ >= run_.Inputs().size();
}

bool OccurrenceSearch::Step(std::size_t budget) {
    std::size_t spent = 0;
    while (spent < budget) {
        if (!reader_) {
            if (next_ >= run_.Inputs().size()) return false;
            const std::uint32_t index = static_cast<std::uint32_t>(next_++);
            const RunInput& in = run_.Inputs()[index];
            if (in.stream) {
                problems_.push_back("Cannot open file " + in.name);
                continue;
            }
            // Each search has its own table: it fills itself as it is read, so two searches
            // on two threads share nothing.
            if (!table_) table_ = std::make_unique<CodePointTable>();
            auto reader = std::make_unique<Reader>(in, index, run_.CharMap(), *table_);
            reader->search = this;
            if (!in.path.empty()) {
                struct stat info {};
                if (::stat(in.path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
                    problems_.push_back(ChangedFileMessage(in.path));
                    bytesDone_ += std::max<std::int64_t>(0, in.size);
                    continue;
                }
                reader->fd = ::open(in.path.c_str(), O_RDONLY | O_CLOEXEC);
                if (reader->fd < 0 || ::fstat(reader->fd, &info) != 0 || S_ISDIR(info.st_mode)) {
                    problems_.push_back("Cannot open file " + in.path);
                    bytesDone_ += std::max<std::int64_t>(0, in.size);
                    continue;
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
                continue;
            }
            reader_ = std::move(reader);
        }
        Reader& r = *reader_;
        bool ended = r.stop;
        if (!ended && r.fd < 0) {
            const auto* p = reinterpret_cast<const unsigned char*>(r.in.text.data());
            const std::size_t n = std::min<std::size_t>(kBlock, r.in.text.size() - std::size_t(r.pos));
            const bool last = std::size_t(r.pos) + n == r.in.text.size();
            const std::size_t took = r.Feed(p + r.pos, n, r.pos, last);
            r.pos += std::int64_t(took);
            spent += took;
            bytesDone_ += std::int64_t(took);
            ended = last || took == 0;
        } else if (!ended) {
            ssize_t got;
            do {
                got = ::read(r.fd, r.buf.data() + r.carry, kBlock);
            } while (got < 0 && errno == EINTR);
            if (got < 0) {
                problems_.push_back("Cannot open file " + r.in.path);
                got = 0;
            }
            const std::size_t have = r.carry + std::size_t(got);
            const bool last = got == 0;
            const std::int64_t base = r.pos - std::int64_t(r.carry);
            const std::size_t took = r.Feed(r.buf.data(), have, base, last);
            std::memmove(r.buf.data(), r.buf.data() + took, have - took);
            r.carry = have - took;
            r.pos += got;
            spent += std::size_t(got) + 1;
            bytesDone_ += got;
            ended = last;
        }
        if (ended || r.stop) {
            r.Finish();
            reader_.reset();
        }
    }
    return !Done();
}

std::int64_t CountLineBreaks(const unsigned char* p, std::size_t n, int next, int unit, bool bigEndian) {
    std::int64_t breaks = 0;
    if (unit == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] == '\n')
                ++breaks;
            else if (p[i] == '\r' && (i + 1 < n ? p[i + 1] : next) != '\n')
                ++breaks;
        }
        return breaks;
    }
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const unsigned u = Unit16(p + i, bigEndian);
        if (u == '\n')
            ++breaks;
        else if (u == '\r' && (i + 3 < n ? int(Unit16(p + i + 2, bigEndian)) : next) != '\n')
            ++breaks;
    }
    return breaks;
}

// ---------------------------------------------------------------------------------
// Forming the lines.

namespace {

// The characters of the DOS set, for showing DOS texts.
const char32_t* DosCharacters() {
    static const auto table = [] {
        std::vector<char32_t> t(256);
        for (int b = 0; b < 256; ++b) t[b] = b < 128 ? char32_t(b) : Cp1252CodePoint(static_cast<unsigned char>(b));
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open("ibm-437", &status);
        if (U_SUCCESS(status)) {
            for (int b = 128; b < 256; ++b) {
                const char in = static_cast<char>(b);
                UChar out[4];
                UErrorCode s = U_ZERO_ERROR;
                const std::int32_t n = ucnv_toUChars(conv, out, 4, &in, 1, &s);
                if (U_SUCCESS(s) && n == 1) t[b] = out[0];
            }
            ucnv_close(conv);
        }
        return t;
    }();
    return table.data();
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsBlank(char32_t c) {
    return c <= 0x20 || c == 0x7F || c == 0x85 || c == 0xA0 || c == 0x2028 || c == 0x2029;
}

bool IsWordChar(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '\'' || c == '_';
    return c == 0x2019 || u_isalnum(static_cast<UChar32>(c));
}

}  // namespace

struct ContextReader::Source {
    const RunInput* in = nullptr;
    int fd = -1;
    std::int64_t size = 0;
    int unit = 1;
    bool big = false;
    bool dos = false;  // 8-bit text of the DOS set
    // The last line number asked for, counted on from there.
    std::int64_t lastOffset = 0;
    std::int64_t lastLine = 1;
    // Line numbers at every 64 KiB, made at the first look back.
    std::vector<std::int64_t> marks;

    ~Source() {
        if (fd >= 0) ::close(fd);
    }

    // Bytes [from, to) of the input (cut to what it holds). Lines near each other are
    // read from one cached stretch of the file.
    std::string Read(std::int64_t from, std::int64_t to) const {
        from = std::max<std::int64_t>(from, 0);
        to = std::min(to, size);
        if (to <= from) return {};
        if (fd < 0) return in->text.substr(std::size_t(from), std::size_t(to - from));
        constexpr std::int64_t kCache = 1 << 18;
        if (to - from > kCache / 2) return ReadFile(from, to);
        if (from < cacheFrom || to > cacheFrom + std::int64_t(cache.size())) {
            cacheFrom = std::max<std::int64_t>(0, from - kCache / 8);
            cache = ReadFile(cacheFrom, cacheFrom + kCache);
        }
        const std::int64_t at = from - cacheFrom;
        if (at + (to - from) > std::int64_t(cache.size())) return ReadFile(from, to);
        return cache.substr(std::size_t(at), std::size_t(to - from));
    }

    std::string ReadFile(std::int64_t from, std::int64_t to) const {
        to = std::min(to, size);
        std::string out;
        if (to <= from) return out;
        out.resize(std::size_t(to - from));
        std::size_t got = 0;
        while (got < out.size()) {
            const ssize_t r = ::pread(fd, out.data() + got, out.size() - got, from + std::int64_t(got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += std::size_t(r);
        }
        out.resize(got);
        return out;
    }
    mutable std::string cache;
    mutable std::int64_t cacheFrom = -1;

    std::int64_t Breaks(std::int64_t from, std::int64_t to) const {
        std::int64_t breaks = 0;
        constexpr std::int64_t kPiece = 1 << 16;
        for (std::int64_t at = from; at < to; at += kPiece) {
            const std::int64_t end = std::min(to, at + kPiece);
            const std::string bytes = Read(at, end + unit);
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
            const std::size_t n = std::min<std::size_t>(bytes.size(), std::size_t(end - at));
            int next = -1;
            if (bytes.size() >= n + unit) next = unit == 1 ? p[n] : int(Unit16(p + n, big));
            breaks += CountLineBreaks(p, n, next, unit, big);
        }
        return breaks;
    }

    std::int64_t LineOf(std::int64_t offset) {
        if (offset < lastOffset || offset - lastOffset > (1 << 20)) {
            if (marks.empty()) {
                marks.push_back(1);
                for (std::int64_t at = 0; at + (1 << 16) <= size; at += 1 << 16)
                    marks.push_back(marks.back() + Breaks(at, at + (1 << 16)));
            }
            const std::size_t k = std::min<std::size_t>(std::size_t(offset >> 16), marks.size() - 1);
            lastOffset = std::int64_t(k) << 16;
            lastLine = marks[k];
        }
        lastLine += Breaks(lastOffset, offset);
        lastOffset = offset;
        return lastLine;
    }

    // Characters of [from, to) as shown; `aligned` says from is a character boundary.
    std::vector<char32_t> Characters(std::int64_t from, std::int64_t to, bool aligned) const {
        std::vector<char32_t> out;
        const std::int64_t start = in->skip;
        if (unit == 2 && ((from - start) & 1)) ++from;
        from = std::max(from, start);
        const std::string bytes = Read(from, to);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t n = bytes.size();
        std::size_t i = 0;
        if (in->encoding == TextEncoding::Bytes) {
            const char32_t* dosChars = dos ? DosCharacters() : nullptr;
            for (; i < n; ++i)
                out.push_back(p[i] < 0x80 ? char32_t(p[i]) : dos ? dosChars[p[i]] : Cp1252CodePoint(p[i]));
            return out;
        }
        if (unit == 1) {
            if (!aligned)
                while (i < n && i < 3 && (p[i] & 0xC0) == 0x80) ++i;
            while (i < n) {
                const int length = p[i] < 0x80 ? 1 : Utf8Length(p + i, n - i);
                if (length == 1) {
                    out.push_back(p[i++]);
                } else if (length > 1) {
                    out.push_back(Utf8Decode(p + i, length));
                    i += std::size_t(length);
                } else {
                    out.push_back(Cp1252CodePoint(p[i++]));
                }
            }
            return out;
        }
        if (!aligned && n >= 2) {
            const unsigned u = Unit16(p, big);
            if (u >= 0xDC00 && u <= 0xDFFF) i = 2;
        }
        for (; i + 1 < n; i += 2) {
            const unsigned u = Unit16(p + i, big);
            if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
                const unsigned low = Unit16(p + i + 2, big);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                    i += 2;
                    continue;
                }
            }
            out.push_back(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
        }
        return out;
    }
};

ContextReader::ContextReader(const AnalysisRun& run)
    : run_(run), sources_(run.Inputs().size()), dos_(run.CharMap() == BuildCharMap(CharacterSet::Dos)) {}
ContextReader::~ContextReader() = default;

ContextReader::Source& ContextReader::SourceOf(std::uint32_t input) {
    std::unique_ptr<Source>& s = sources_.at(input);
    if (!s) {
        s = std::make_unique<Source>();
        s->in = &run_.Inputs()[input];
        s->unit = IsUtf16(s->in->encoding) ? 2 : 1;
        s->big = s->in->encoding == TextEncoding::Utf16BE;
        s->dos = dos_;
        if (!s->in->path.empty()) {
            s->fd = ::open(s->in->path.c_str(), O_RDONLY | O_CLOEXEC);
            struct stat info {};
            s->size = s->fd >= 0 && ::fstat(s->fd, &info) == 0 ? info.st_size : 0;
        } else {
            s->size = static_cast<std::int64_t>(s->in->text.size());
        }
    }
    return *s;
}

std::int64_t ContextReader::LineOf(std::uint32_t input, std::uint64_t offset) {
    return SourceOf(input).LineOf(static_cast<std::int64_t>(offset));
}

namespace {

// Blanks (line breaks, tabs) read as one space.
std::vector<char32_t> Tidy(const std::vector<char32_t>& chars) {
    std::vector<char32_t> out;
    out.reserve(chars.size());
    for (char32_t c : chars) {
        if (IsBlank(c)) {
            if (out.empty() || out.back() != ' ') out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string Utf8Of(const std::vector<char32_t>& chars, std::size_t from, std::size_t to) {
    while (from < to && chars[from] == ' ') ++from;
    while (to > from && chars[to - 1] == ' ') --to;
    std::string out;
    for (std::size_t i = from; i < to; ++i) AppendUtf8(out, chars[i]);
    return out;
}

// The last `width` characters, cut at a word boundary unless the text starts there.
std::string LeftOf(const std::vector<char32_t>& chars, std::size_t width, bool atStart) {
    std::size_t from = chars.size() > width ? chars.size() - width : 0;
    if (from > 0 || !atStart) {
        if (from > 0 && chars[from - 1] != ' ' && chars[from] != ' ') {
            std::size_t space = from;
            while (space < chars.size() && chars[space] != ' ') ++space;
            from = space;
        } else if (from == 0 && !atStart && !chars.empty() && chars[0] != ' ') {
            // The window itself began inside a word.
            std::size_t space = 0;
            while (space < chars.size() && chars[space] != ' ') ++space;
            from = space;
        }
    }
    return Utf8Of(chars, from, chars.size());
}

std::string RightOf(const std::vector<char32_t>& chars, std::size_t width, bool atEnd) {
    std::size_t to = std::min(chars.size(), width);
    if (to < chars.size() || !atEnd) {
        const bool inWord = to < chars.size() ? chars[to] != ' ' : !atEnd;
        if (inWord && to > 0 && chars[to - 1] != ' ') {
            std::size_t space = to;
            while (space > 0 && chars[space - 1] != ' ') --space;
            to = space;
        }
    }
    return Utf8Of(chars, 0, to);
}

}  // namespace

ContextReader::Line ContextReader::Format(const Occurrence& o, int width) {
    Source& s = SourceOf(o.input);
    Line line;
    line.name = s.in->name;
    const std::int64_t at = static_cast<std::int64_t>(o.offset);
    const std::int64_t end = at + o.length;
    // Most text is one byte a character: try a short stretch first, the longest a
    // character may need only when that did not give enough.
    const std::size_t w = std::size_t(std::max(width, 0));
    for (std::int64_t span = 2 * std::int64_t(w) + 24;; span = 4 * std::int64_t(w) + 64) {
        const std::int64_t from = std::max(s.in->skip, at - span);
        const auto chars = Tidy(s.Characters(from, at, from == s.in->skip));
        if (chars.size() > w + 1 || from == s.in->skip || span > 2 * std::int64_t(w) + 24) {
            line.left = LeftOf(chars, w, from == s.in->skip);
            break;
        }
    }
    {
        const auto chars = Tidy(s.Characters(at, std::min(end, at + (1 << 16)), true));
        line.hit = Utf8Of(chars, 0, chars.size());
    }
    for (std::int64_t span = 2 * std::int64_t(w) + 24;; span = 4 * std::int64_t(w) + 64) {
        const auto chars = Tidy(s.Characters(end, end + span, true));
        if (chars.size() > w + 1 || end + span >= s.size || span > 2 * std::int64_t(w) + 24) {
            line.right = RightOf(chars, w, end + span >= s.size);
            break;
        }
    }
    line.line = s.LineOf(at);
    return line;
}

bool ParseContextSort(std::string_view text, ContextSort& sort) {
    if (text == "text") {
        sort = ContextSort{};
        return true;
    }
    if (text.size() < 2) return false;
    const char side = text.back();
    int n = 0;
    for (char c : text.substr(0, text.size() - 1)) {
        if (c < '0' || c > '9' || n > 100) return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1) return false;
    if (side == 'L' || side == 'l')
        sort = {ContextSort::Left, n};
    else if (side == 'R' || side == 'r')
        sort = {ContextSort::Right, n};
    else
        return false;
    return true;
}

void SortOccurrences(std::vector<Occurrence>& found, ContextSort sort, ContextReader& reader) {
    if (sort.side == ContextSort::Text) {
        std::stable_sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
            return a.input != b.input ? a.input < b.input : a.offset < b.offset;
        });
        return;
    }
    const int width = 24 * sort.n + 40;
    std::vector<std::pair<std::string, std::uint32_t>> keys(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        auto& s = reader.SourceOf(found[i].input);
        const std::int64_t at = std::int64_t(found[i].offset);
        const std::int64_t end = at + found[i].length;
        std::vector<char32_t> chars = sort.side == ContextSort::Left
                                          ? s.Characters(std::max(s.in->skip, at - 4 * width), at, false)
                                          : s.Characters(end, end + 4 * width, true);
        // The words, nearest first.
        std::vector<std::pair<std::size_t, std::size_t>> words;
        std::size_t k = 0;
        while (k < chars.size()) {
            while (k < chars.size() && !IsWordChar(chars[k])) ++k;
            const std::size_t b = k;
            while (k < chars.size() && IsWordChar(chars[k])) ++k;
            if (k > b) words.emplace_back(b, k);
        }
        if (sort.side == ContextSort::Left) std::reverse(words.begin(), words.end());
        std::string key;
        if (words.size() >= std::size_t(sort.n)) {
            const auto [b, e] = words[std::size_t(sort.n) - 1];
            for (std::size_t j = b; j < e; ++j)
                AppendUtf8(key, static_cast<char32_t>(u_foldCase(static_cast<UChar32>(chars[j]), U_FOLD_CASE_DEFAULT)));
        }
        keys[i] = {std::move(key), static_cast<std::uint32_t>(i)};
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Occurrence> sorted;
    sorted.reserve(found.size());
    for (const auto& k : keys) sorted.push_back(found[k.second]);
    found.swap(sorted);
}

std::string ConcordanceLine(const ContextReader::Line& line) {
    return line.name + '\t' + std::to_string(line.line) + '\t' + line.left + '\t' + line.hit + '\t' + line.right + '\n';
}

std::string StoredFormOf(std::string_view typed, const CharMapTable& map) {
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
    return words.size() == 1 ? words[0] : std::string();
}

}  // namespace vornix
