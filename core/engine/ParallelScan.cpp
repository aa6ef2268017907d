#include "core/engine/ParallelScan.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/engine/EncodingRule.h"
#include "core/engine/Errors.h"
#include "core/engine/RunScan.h"
#include "core/engine/Scanner.h"
#include "core/engine/Utf8.h"
#include "core/engine/WordStore.h"

namespace vornix {

unsigned DefaultThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

constexpr std::size_t kFirstSlots = 1 << 12;

std::size_t SlotOf(std::uint64_t hash, std::size_t mask) {
    return static_cast<std::size_t>(hash >> 32) & mask;
}

}  // namespace

ChunkWords::ChunkWords() : slots_(kFirstSlots, 0), mask_(kFirstSlots - 1) {}

void ChunkWords::Clear() {
    words_.clear();
    sequence_.clear();
    // A table grown by a chunk of many distinct words is kept for the next one.
    std::fill(slots_.begin(), slots_.end(), 0);
}

void ChunkWords::Grow() {
    std::vector<std::uint64_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : slots_) {
        if (slot == 0) continue;
        const std::uint64_t hash = words_[(slot & 0xFFFFFFFFu) - 1].hash;
        std::size_t i = SlotOf(hash, mask);
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    slots_.swap(slots);
    mask_ = mask;
}

void ChunkWords::Add(std::string_view word) {
    ChunkWord w;
    std::memset(w.padded, 0, sizeof w.padded);
    std::memcpy(w.padded, word.data(), word.size());
    w.length = static_cast<std::uint8_t>(word.size());
    w.hash = HashPadded(w.padded, word.size());
    const std::uint64_t tag = w.hash & 0xFFFFFFFF00000000ull;
    std::size_t i = SlotOf(w.hash, mask_);
    for (;; i = (i + 1) & mask_) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) break;
        if ((slot & 0xFFFFFFFF00000000ull) != tag) continue;
        ChunkWord& known = words_[(slot & 0xFFFFFFFFu) - 1];
        if (known.hash == w.hash && known.length == w.length && std::memcmp(known.padded, w.padded, 40) == 0) {
            ++known.count;
            sequence_.push_back(static_cast<std::uint32_t>((slot & 0xFFFFFFFFu) - 1));
            return;
        }
    }
    w.count = 1;
    sequence_.push_back(static_cast<std::uint32_t>(words_.size()));
    words_.push_back(w);
    slots_[i] = tag | static_cast<std::uint64_t>(words_.size());
    if (8 * words_.size() > 5 * slots_.size()) Grow();
}

void ScanChunk(const CharMapTable& map, bool strip, const unsigned char* p, std::size_t n, ChunkWords& out) {
    if (RunScanFits(map)) {
        RunScan(map, p, n, [&](std::string_view word) {
            if (strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
            out.Add(word);
        });
        return;
    }
    Scanner scanner(map);
    scanner.Start();
    auto onWord = [&](std::string_view word) {
        if (strip) word = word.substr(0, StripPossessive(word.data(), word.size()));
        out.Add(word);
        return true;
    };
    scanner.Feed(p, n, onWord);
    scanner.Finish(onWord);
}

namespace {

bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

// Decoding runs in pieces that stay in the cache.
constexpr std::size_t kPiece = 1 << 16;

}  // namespace

int UnicodeCutAfter(const CharMapTable& map, TextEncoding encoding, CodePointTable& table, const unsigned char* p,
                    std::size_t n, std::size_t j, bool atEnd) {
    const bool wide = IsUtf16(encoding);
    const std::size_t unit = wide ? 2 : 1;
    auto value = [&](std::size_t i) -> char32_t {
        if (!wide) return p[i];
        return encoding == TextEncoding::Utf16LE ? char32_t(p[i] | (p[i + 1] << 8)) : char32_t((p[i] << 8) | p[i + 1]);
    };
    if (j + unit > n) return atEnd ? 0 : -1;
    const char32_t v = value(j);
    if (v >= 0x80 || map[v] != kSeparator) return 0;
    const std::size_t next = j + unit;
    // The document's end (an odd last byte of UTF-16 reads as a character that starts
    // afresh) is a place to cut too.
    if (next + unit > n) return atEnd ? 1 : -1;
    if (wide) {
        const char32_t w = value(next);
        if (w >= 0xD800 && w <= 0xDFFF) return 0;
        return w < 0x80 || table.Lookup(w).starter ? 1 : 0;
    }
    if (p[next] < 0x80) return 1;
    const int length = Utf8SequenceLength(p + next, n - next);
    if (length < 0) return atEnd ? 0 : -1;
    if (length == 0) return 0;  // read as a Windows-1252 character: not cut before, to be safe
    return table.Lookup(Utf8Decode(p + next, length)).starter ? 1 : 0;
}

namespace {

// Bytes that a read overwrites at once need not be zeroed first.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using ByteBuffer = std::vector<unsigned char, UninitializedAllocator<unsigned char>>;

// What one worker made of one chunk.
struct ChunkSlot {
    ByteBuffer bytes;
    std::size_t begin = 0;  // the chunk is bytes[begin, end)
    std::size_t end = 0;
    std::int64_t offset = 0;  // of bytes[begin]
    std::string codes;        // a Unicode chunk decoded
    std::int64_t others = 0;  // its letters of other scripts
    // Bytes before begin + raw are read through the map as they stand: the ASCII run a
    // document without a mark starts with, read before its encoding was decided.
    std::size_t raw = 0;
    ChunkWords words;
    bool failed = false;                          // a read error
    int error = 0;                                // its errno, for a stream
    TextEncoding encoding = TextEncoding::Bytes;  // of a stream's chunk
};

// Reads up to n bytes at offset; fewer only at the end of the file.
bool ReadAt(int fd, unsigned char* p, std::size_t n, off_t offset, std::size_t& got) {
    got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, p + got, n - got, offset + static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

// Chunk k is the bytes after the first cut at or after k * C, up to and with the first
// cut at or after (k + 1) * C; chunk 0 starts at the first byte and the last ends at the
// last. A cut is a separator byte (a separator code unit that a new segment follows, in
// a Unicode document). Neighbours agree on the cut between them, so every byte is in
// exactly one chunk; a chunk inside one endless word is empty.
void ReadChunk(int fd, off_t base, off_t size, const CharMapTable& map, std::size_t k, std::size_t chunkBytes,
               bool last, TextEncoding encoding, CodePointTable* table, ChunkSlot& slot) {
    const bool unicode = encoding != TextEncoding::Bytes;
    const std::size_t unit = IsUtf16(encoding) ? 2 : 1;
    // A Unicode chunk reads a few bytes past its end, enough to judge a cut there.
    const off_t look = unicode ? 8 : 0;
    const off_t a = static_cast<off_t>(k * chunkBytes);
    const off_t b = last ? size : std::min(size, a + static_cast<off_t>(chunkBytes));
    const off_t want = std::min(size, b + look);
    slot.bytes.resize(static_cast<std::size_t>(want - a));
    std::size_t got = 0;
    if (!ReadAt(fd, slot.bytes.data(), slot.bytes.size(), base + a, got)) {
        slot.failed = true;
        return;
    }
    bool eof = got < slot.bytes.size() || want == size;  // the bytes held reach the end
    slot.bytes.resize(got);
    const std::size_t nominal = std::min(static_cast<std::size_t>(b - a), got);
    // The first cut at or after i and before limit: its position, or limit when there
    // is none; more is set when the bytes held are too few to judge one.
    auto cutFrom = [&](std::size_t i, std::size_t limit, bool& more) {
        more = false;
        if (!unicode) {
            while (i < limit && map[slot.bytes[i]] != kSeparator) ++i;
            return i;
        }
        for (; i < limit; i += unit) {
            const int r = UnicodeCutAfter(map, encoding, *table, slot.bytes.data(), slot.bytes.size(), i, eof);
            if (r > 0) return i;
            if (r < 0) {
                more = true;
                return i;
            }
        }
        return limit;
    };
    bool more = false;
    std::size_t begin = 0;
    if (k > 0) {
        // The bytes read past the nominal end make every cut before it judged here as
        // the chunk before judges it.
        begin = cutFrom(0, nominal, more);
        if (begin >= nominal || more) {  // the chunk before reaches past this one
            slot.begin = slot.end = 0;
            slot.offset = a;
            return;
        }
        begin += unit;
    }
    std::size_t end = slot.bytes.size();
    if (!last) {
        // Read on to the first cut at or after the nominal end; the file's end, if it
        // comes first, ends the chunk.
        constexpr std::size_t kStep = 1 << 16;
        for (std::size_t from = nominal;;) {
            const std::size_t at = cutFrom(from, slot.bytes.size(), more);
            if (at < slot.bytes.size() && !more) {
                end = at + unit;
                break;
            }
            if (eof) {
                end = slot.bytes.size();
                break;
            }
            from = at;
            const std::size_t held = slot.bytes.size();
            slot.bytes.resize(held + kStep);
            if (!ReadAt(fd, slot.bytes.data() + held, kStep, base + a + static_cast<off_t>(held), got)) {
                slot.failed = true;
                return;
            }
            slot.bytes.resize(held + got);
            if (got < kStep) eof = true;
        }
    }
    slot.begin = begin;
    slot.end = end;
    slot.offset = a + static_cast<off_t>(begin);
}

// Decodes a Unicode chunk into the codes the scanner reads.
// The decoder starts where one reading starts it (after the raw bytes): a mark that
// follows the ASCII run is not composed with the letter before it.
void DecodeChunk(TextEncoding encoding, CodePointTable& table, ChunkSlot& slot) {
    TextDecoder decoder(encoding, table);
    const std::size_t raw = std::min(slot.raw, slot.end - slot.begin);
    slot.codes.assign(reinterpret_cast<const char*>(slot.bytes.data() + slot.begin), raw);
    const unsigned char* p = slot.bytes.data() + slot.begin + raw;
    const std::size_t n = slot.end - slot.begin - raw;
    for (std::size_t at = 0; at < n; at += kPiece) slot.codes += decoder.Decode(p + at, std::min(kPiece, n - at));
    slot.codes += decoder.Finish();
    slot.others = decoder.OtherScriptLetters();
}

}  // namespace

bool ScanFileInChunks(int fd, const std::string& path, off_t offset, off_t size, const CharMapTable& map, bool strip,
                      const ChunkPlan& plan, const ChunkMerge& merge) {
    const TextEncoding encoding = plan.encoding;
    // A UTF-16 chunk starts on a code unit.
    const std::size_t unit = IsUtf16(encoding) ? 2 : 1;
    const std::size_t chunkBytes = (std::max<std::size_t>(plan.chunkBytes, 1) + unit - 1) / unit * unit;
    const std::size_t chunks = std::max<std::size_t>(1, (static_cast<std::size_t>(size) + chunkBytes - 1) / chunkBytes);
    const unsigned threads = std::max(1u, plan.threads);
    // Chunks scanned ahead of the merge, each holding its bytes and its table: one per
    // worker and one being merged, so memory grows by one chunk's worth per thread.
    const std::size_t window = static_cast<std::size_t>(threads) + 1;
    std::vector<std::unique_ptr<ChunkSlot>> slots(window);
    for (auto& s : slots) s = std::make_unique<ChunkSlot>();
    std::vector<char> done(chunks, 0);

    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;    // the next chunk a worker takes
    std::size_t merged = 0;  // chunks merged so far
    bool stop = false;
    std::exception_ptr error;

    // Reads and cuts chunk k into its slot; on a worker, or on the calling thread when
    // no worker could be started.
    // Each thread keeps its own table of what characters read as (it fills as it goes).
    auto scan = [&](std::size_t k, std::unique_ptr<CodePointTable>& table) {
        ChunkSlot& slot = *slots[k % window];
        try {
            slot.failed = false;
            slot.words.Clear();
            if (encoding != TextEncoding::Bytes && !table) table = std::make_unique<CodePointTable>();
            ReadChunk(fd, offset, size, map, k, chunkBytes, k + 1 == chunks, encoding, table.get(), slot);
            if (slot.failed) {
            } else if (encoding == TextEncoding::Bytes) {
                ScanChunk(map, strip, slot.bytes.data() + slot.begin, slot.end - slot.begin, slot.words);
            } else {
                const std::int64_t raw = plan.decodeFrom - slot.offset;
                slot.raw = raw > 0 ? static_cast<std::size_t>(raw) : 0;
                DecodeChunk(encoding, *table, slot);
                ScanChunk(map, strip, reinterpret_cast<const unsigned char*>(slot.codes.data()), slot.codes.size(),
                          slot.words);
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!error) error = std::current_exception();
        }
        {
            std::lock_guard lock(mutex);
            done[k] = 1;
        }
        changed.notify_all();
    };
    auto work = [&] {
        std::unique_ptr<CodePointTable> table;
        for (;;) {
            std::size_t k;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || next >= chunks || next < merged + window; });
                if (stop || next >= chunks) return;
                k = next++;
            }
            scan(k, table);
        }
    };

    std::vector<std::thread> workers;
    workers.reserve(threads);
    auto finish = [&] {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (auto& t : workers) t.join();
        workers.clear();
    };
    bool completed = true;
    // ICU makes its normaliser on first use, behind a lock the thread checker does not
    // see: made here, before the workers start, it is made for all of them.
    std::unique_ptr<CodePointTable> ownTable;
    if (encoding != TextEncoding::Bytes) ownTable = std::make_unique<CodePointTable>();
    try {
        // A system that refuses more threads (a process limit, an address-space limit for
        // their stacks) gets a reading on those that started, or on this thread alone:
        // the result is the same, only slower.
        for (unsigned t = 0; t < threads; ++t) {
            try {
                workers.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
        for (std::size_t k = 0; k < chunks; ++k) {
            if (workers.empty()) scan(k, ownTable);
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return done[k] != 0; });
                if (error) std::rethrow_exception(error);
            }
            ChunkSlot& slot = *slots[k % window];
            if (slot.failed) throw FileError("Cannot open file " + path);
            const ChunkText text = encoding == TextEncoding::Bytes
                                       ? ChunkText{slot.bytes.data() + slot.begin, slot.end - slot.begin, slot.offset}
                                       : ChunkText{reinterpret_cast<const unsigned char*>(slot.codes.data()),
                                                   slot.codes.size(), slot.offset, slot.others};
            if (!merge(slot.words, text)) {
                completed = false;
                break;
            }
            {
                std::lock_guard lock(mutex);
                merged = k + 1;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return completed;
}

namespace {

// Cuts a stream into chunks as it comes, deciding its encoding on the way.
class StreamChunker {
public:
    StreamChunker(int fd, EncodingChoice choice, const CharMapTable& map, std::size_t chunkBytes)
        : fd_(fd), choice_(choice), map_(map), chunkBytes_(chunkBytes) {
        // A larger pipe lets the writer run further ahead, with fewer switches between
        // it and the reader; refused (a limit, not a pipe), the pipe stays as it is.
        ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    }

    // Fills slot with the next chunk: false at the stream's end (nothing left) or when
    // halt was set. A read error leaves a failed slot and ends the stream.
    bool Next(ChunkSlot& slot, const std::atomic<bool>& halt);
    const EncodingDecision& Decision() const { return decision_; }

private:
    enum class Got { Bytes, End, Idle, Halted, Error };
    Got ReadSome(ByteBuffer& bytes, std::size_t want, const std::atomic<bool>& halt);
    bool Start(ByteBuffer& bytes, const std::atomic<bool>& halt);
    bool Judge(ByteBuffer& bytes, const std::atomic<bool>& halt);
    int CutAt(const ByteBuffer& bytes, std::size_t j) {
        if (unit_ == 2 || decision_.encoding == TextEncoding::Utf8)
            return UnicodeCutAfter(map_, decision_.encoding, table_, bytes.data(), bytes.size(), j, ended_);
        return map_[bytes[j]] == kSeparator ? 1 : 0;
    }

    int fd_;
    EncodingChoice choice_;
    const CharMapTable& map_;
    std::size_t chunkBytes_;
    // What characters read as, to judge cuts; made on the calling thread, so ICU's
    // normaliser is made before the workers start.
    CodePointTable table_;
    EncodingDecision decision_;
    ByteBuffer carry_;              // read past the last cut
    std::int64_t position_ = 0;     // of carry_[0], from after the mark
    std::int64_t decodeFrom_ = -1;  // where decoding starts; -1: not (yet) Unicode
    std::size_t checked_ = 0;       // bytes of carry_ known to be ASCII while undecided
    std::size_t unit_ = 1;
    bool started_ = false;
    bool undecided_ = false;
    bool ended_ = false;
    int error_ = 0;
    static constexpr std::size_t kMostRead = 1 << 20;
};

// How long a stream may be silent before the words in hand are handed on.
constexpr int kIdleMs = 10;

StreamChunker::Got StreamChunker::ReadSome(ByteBuffer& bytes, std::size_t want, const std::atomic<bool>& halt) {
    for (;;) {
        if (halt.load(std::memory_order_relaxed)) return Got::Halted;
        // Never blocked in a read: a run that stops must not wait for a silent writer.
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, kIdleMs);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) return Got::Idle;
        const std::size_t held = bytes.size();
        bytes.resize(held + std::min(want, kMostRead));
        const ssize_t got = ::read(fd_, bytes.data() + held, bytes.size() - held);
        bytes.resize(held + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got > 0) return Got::Bytes;
        if (got == 0) return Got::End;
        if (errno == EINTR || errno == EAGAIN) continue;
        error_ = errno;
        return Got::Error;
    }
}

// The first bytes, which may hold a byte-order mark.
bool StreamChunker::Start(ByteBuffer& bytes, const std::atomic<bool>& halt) {
    while (bytes.size() < 3 && !ended_) {
        const Got got = ReadSome(bytes, chunkBytes_, halt);
        if (got == Got::Halted) return false;
        if (got == Got::End || got == Got::Error) ended_ = true;
    }
    const EncodingStart start = EncodingFromStart(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), error_ ? 0 : bytes.size()), choice_);
    if (!start.decided) {
        undecided_ = true;
    } else {
        decision_ = start.decision;
        if (decision_.encoding != TextEncoding::Bytes) decodeFrom_ = 0;
        unit_ = IsUtf16(decision_.encoding) ? 2 : 1;
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(decision_.skip, bytes.size())));
    }
    started_ = true;
    return true;
}

// While undecided, the bytes held are checked up to the first non-ASCII one; there the
// stream is read ahead and judged. false: halted.
bool StreamChunker::Judge(ByteBuffer& bytes, const std::atomic<bool>& halt) {
    const std::size_t i = checked_ + AsciiPrefix(bytes.data() + checked_, bytes.size() - checked_);
    checked_ = i;
    if (i == bytes.size()) return true;
    while (bytes.size() - i < kStreamJudged && !ended_) {
        const Got got = ReadSome(bytes, kStreamJudged - (bytes.size() - i), halt);
        if (got == Got::Halted) return false;
        if (got == Got::End || got == Got::Error) ended_ = true;
    }
    Utf8Check check;
    const std::size_t judged = std::min(bytes.size() - i, kStreamJudged);
    check.Feed(bytes.data() + i, judged);
    if (judged < kStreamJudged ? check.Finish() : check.Valid()) {
        decision_ = EncodingDecision{TextEncoding::Utf8, 0, true};
        decodeFrom_ = position_ + static_cast<std::int64_t>(i);
    }
    undecided_ = false;
    return true;
}

bool StreamChunker::Next(ChunkSlot& slot, const std::atomic<bool>& halt) {
    ByteBuffer& bytes = slot.bytes;
    bytes.swap(carry_);
    carry_.clear();
    slot.failed = false;
    slot.error = 0;
    if (!started_ && !Start(bytes, halt)) return false;
    const std::size_t nominal = (chunkBytes_ + unit_ - 1) / unit_ * unit_;
    constexpr std::size_t kStep = 1 << 16;
    std::size_t from = nominal;  // where the search for a cut goes on
    std::size_t end = 0;
    for (;;) {
        if (undecided_ && !error_ && !Judge(bytes, halt)) return false;
        if (bytes.size() > nominal) {
            // The first cut at or after the nominal end; more bytes when too few to tell.
            std::size_t j = from;
            int r = 0;
            for (; j + unit_ <= bytes.size(); j += unit_)
                if ((r = CutAt(bytes, j)) != 0) break;
            if (r > 0) {
                end = j + unit_;
                break;
            }
            from = j;
        }
        if (ended_) {
            end = bytes.size();
            break;
        }
        const Got got = ReadSome(bytes, bytes.size() < nominal ? nominal + 8 - bytes.size() : kStep, halt);
        if (got == Got::Halted) return false;
        if (got == Got::End || got == Got::Error) ended_ = true;
        if (got == Got::Idle && !bytes.empty()) {
            // A silent stream: what is held up to its last cut is counted now.
            std::size_t j = bytes.size() / unit_ * unit_;
            while (j >= unit_ && CutAt(bytes, j - unit_) <= 0) j -= unit_;
            if (j >= unit_) {
                end = j;
                break;
            }
        }
    }
    if (error_) {
        slot.failed = true;
        slot.error = error_;
    }
    carry_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(end), bytes.end());
    bytes.resize(end);
    slot.begin = 0;
    slot.end = end;
    slot.offset = position_;
    slot.encoding = decodeFrom_ >= 0 ? decision_.encoding : TextEncoding::Bytes;
    const std::int64_t raw = decodeFrom_ - position_;
    slot.raw = decodeFrom_ >= 0 && raw > 0 ? static_cast<std::size_t>(raw) : 0;
    position_ += static_cast<std::int64_t>(end);
    checked_ = undecided_ ? carry_.size() : 0;
    return end > 0 || slot.failed || !ended_ || !carry_.empty();
}

}  // namespace

bool ScanStreamInChunks(int fd, const std::string& path, EncodingChoice choice, const CharMapTable& map, bool strip,
                        const ChunkPlan& plan, const ChunkMerge& merge, EncodingDecision& decision) {
    const unsigned threads = std::max(1u, plan.threads);
    StreamChunker chunker(fd, choice, map, std::max<std::size_t>(plan.chunkBytes, 1));
    const std::size_t window = 4 * static_cast<std::size_t>(threads);
    std::vector<std::unique_ptr<ChunkSlot>> slots(window);
    for (auto& s : slots) s = std::make_unique<ChunkSlot>();
    // The chunk each slot holds scanned, +1 (0: none yet).
    std::vector<std::size_t> scanned(window, 0);

    std::mutex mutex;
    std::condition_variable changed;
    std::size_t filled = 0;  // chunks the reader has cut
    std::size_t next = 0;    // the next chunk a worker takes
    std::size_t merged = 0;
    bool ended = false;  // filled is the number of chunks
    bool stop = false;
    std::atomic<bool> halt{false};
    std::exception_ptr error;

    auto fail = [&] {
        std::lock_guard lock(mutex);
        if (!error) error = std::current_exception();
        ended = true;
    };
    auto scan = [&](std::size_t k, std::unique_ptr<CodePointTable>& table) {
        ChunkSlot& slot = *slots[k % window];
        try {
            slot.words.Clear();
            if (slot.failed) {
            } else if (slot.encoding == TextEncoding::Bytes) {
                ScanChunk(map, strip, slot.bytes.data(), slot.end, slot.words);
            } else {
                if (!table) table = std::make_unique<CodePointTable>();
                DecodeChunk(slot.encoding, *table, slot);
                ScanChunk(map, strip, reinterpret_cast<const unsigned char*>(slot.codes.data()), slot.codes.size(),
                          slot.words);
            }
        } catch (...) {
            fail();
        }
        {
            std::lock_guard lock(mutex);
            scanned[k % window] = k + 1;
        }
        changed.notify_all();
    };
    auto read = [&] {
        try {
            for (std::size_t k = 0;; ++k) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return stop || k < merged + window; });
                    if (stop) return;
                }
                ChunkSlot& slot = *slots[k % window];
                const bool more = chunker.Next(slot, halt);
                {
                    std::lock_guard lock(mutex);
                    if (more) filled = k + 1;
                    if (!more || slot.failed) ended = true;
                }
                changed.notify_all();
                if (!more || slot.failed) return;
            }
        } catch (...) {
            fail();
            changed.notify_all();
        }
    };
    auto work = [&] {
        std::unique_ptr<CodePointTable> table;
        for (;;) {
            std::size_t k;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || next < filled || ended; });
                if (stop || next >= filled) return;
                k = next++;
            }
            scan(k, table);
        }
    };

    std::thread reader;
    std::vector<std::thread> workers;
    auto finish = [&] {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        halt = true;
        changed.notify_all();
        if (reader.joinable()) reader.join();
        for (auto& t : workers) t.join();
        workers.clear();
    };
    bool completed = true;
    try {
        // Threads the system refuses leave the work to fewer, or to this thread alone.
        try {
            reader = std::thread(read);
        } catch (const std::system_error&) {
        }
        for (unsigned t = 0; reader.joinable() && t < threads; ++t) {
            try {
                workers.emplace_back(work);
            } catch (const std::system_error&) {
                break;
            }
        }
        std::unique_ptr<CodePointTable> ownTable;
        for (std::size_t k = 0;; ++k) {
            if (!reader.joinable()) {
                // Each chunk filled, scanned and merged in turn.
                const bool more = chunker.Next(*slots[k % window], halt);
                if (!more) break;
                scan(k, ownTable);
                if (error) std::rethrow_exception(error);
            } else if (workers.empty()) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return k < filled || ended; });
                    if (k >= filled) {
                        if (error) std::rethrow_exception(error);
                        break;
                    }
                }
                scan(k, ownTable);
            }
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return scanned[k % window] == k + 1 || error || (ended && k >= filled); });
                if (error) std::rethrow_exception(error);
                if (scanned[k % window] != k + 1) break;  // the stream's end
            }
            ChunkSlot& slot = *slots[k % window];
            if (slot.failed) throw FileFailure("Cannot open file", path, slot.error);
            const ChunkText text = slot.encoding == TextEncoding::Bytes
                                       ? ChunkText{slot.bytes.data(), slot.end, slot.offset}
                                       : ChunkText{reinterpret_cast<const unsigned char*>(slot.codes.data()),
                                                   slot.codes.size(), slot.offset, slot.others};
            if (!merge(slot.words, text)) {
                completed = false;
                break;
            }
            {
                std::lock_guard lock(mutex);
                merged = k + 1;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        decision = chunker.Decision();
        throw;
    }
    finish();
    decision = chunker.Decision();
    return completed;
}

}  // namespace vornix
