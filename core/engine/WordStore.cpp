#include "core/engine/WordStore.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "core/engine/CharTable.h"
#include "core/engine/Errors.h"
#include "core/engine/TextRules.h"
#include "core/engine/Utf8.h"

namespace vornix {

namespace {

constexpr std::size_t kFirstSlots = std::size_t{1} << 12;
constexpr std::size_t kMaxSlots = std::size_t{1} << 28;  // five eighths of it hold the most words
constexpr std::int32_t kFirstRecords = 256;
constexpr std::int32_t kGrowRecords = 16384;
constexpr std::size_t kFirstWords = 4096;  // the arrays per record start with room for this many

static_assert(5 * kMaxSlots >= 8 * static_cast<std::size_t>(WordStore::MostMaxWords));
// Record number + 1 and some hash bits share a 32-bit slot.
static_assert(std::bit_width(static_cast<std::uint32_t>(WordStore::MostMaxWords)) <= 28);

// The mapping first spans the records of a store of the default limit (a larger limit
// maps more only as the file grows): a store of a hundred million words would
// otherwise ask for its whole address range before its first word.
constexpr std::int32_t kFirstMapped = WordStore::DefaultMaxWords;

// Running out of memory for the arrays of a large store ends the run with a message,
// never with an abort.
FileError MemoryFailure(std::int32_t words) {
    return FileError("Not enough memory to hold more than " + std::to_string(words) + " distinct words", ENOMEM);
}

// The first eight bytes of a word as a big-endian number: comparing two of these gives
// the byte order of the words whenever they differ within the first eight bytes.
std::uint64_t PrefixKey(const char* text) {
    unsigned char bytes[8] = {};
    std::memcpy(bytes, text, 8);  // the text is zero after its last character
    std::uint64_t key = 0;
    for (unsigned char b : bytes) key = (key << 8) | b;
    return key;
}

// A record file truncated by someone else while it is mapped would kill the process with
// SIGBUS on the next access. The handler below catches that fault inside a mapping of
// ours, puts zero-filled memory in place of the lost page so the access completes, and
// marks the store damaged; the store then reports an error at its next check. Faults
// anywhere else go to whatever handled SIGBUS before.
constexpr int kGuardSlots = 16;
struct GuardSlot {
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> damaged{false};
};
GuardSlot g_guards[kGuardSlots];
struct sigaction g_previousBus {};

void OnBusError(int sig, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardSlot& slot : g_guards) {
        const std::uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin || address >= slot.end.load(std::memory_order_acquire)) continue;
        const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        void* at = reinterpret_cast<void*>(address & ~(page - 1));
        if (::mmap(at, page, PROT_READ | PROT_WRITE, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
            slot.damaged.store(true, std::memory_order_release);
            return;
        }
        break;
    }
    if (g_previousBus.sa_flags & SA_SIGINFO) {
        if (g_previousBus.sa_sigaction) return g_previousBus.sa_sigaction(sig, info, context);
    } else if (g_previousBus.sa_handler != SIG_DFL && g_previousBus.sa_handler != SIG_IGN) {
        return g_previousBus.sa_handler(sig);
    }
    // The default action: returning re-runs the access, which now ends the process.
    ::signal(SIGBUS, SIG_DFL);
}

int GuardMapping(void* map, std::size_t bytes) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousBus);
    });
    for (int i = 0; i < kGuardSlots; ++i) {
        std::uintptr_t expected = 0;
        const auto begin = reinterpret_cast<std::uintptr_t>(map);
        if (g_guards[i].begin.compare_exchange_strong(expected, begin)) {
            g_guards[i].damaged.store(false);
            g_guards[i].end.store(begin + bytes, std::memory_order_release);
            return i;
        }
    }
    return -1;  // more stores than slots: this one is unguarded, as before
}

void UnguardMapping(int slot) {
    if (slot < 0) return;
    g_guards[slot].end.store(0, std::memory_order_release);
    g_guards[slot].begin.store(0, std::memory_order_release);
}

bool MappingDamaged(int slot) {
    return slot >= 0 && g_guards[slot].damaged.load(std::memory_order_relaxed);
}

// Twelve letters and digits from the kernel's random source: a name another user
// cannot guess ahead of us.
std::string RandomTag() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[12];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw FileError("Cannot create file (no random source)", errno);
        got += static_cast<std::size_t>(n);
    }
    std::string tag;
    for (unsigned char b : bytes) tag += kLetters[b % 36];
    return tag;
}

// The folder of a record file's path, as messages name it.
std::string RecordFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Creates the record file that path names the place of: in path's folder, under
// path's name with a random tag before its extension ("Vornix-12.$$$" becomes
// "Vornix-12-<tag>.$$$"). It never opens an existing file or follows a link, so a
// file or link planted under a likely name is left alone. anonymous asks for a file
// without any name (O_TMPFILE) where the file system has them. Returns the descriptor
// and sets path to the name used (empty for a nameless file).
int CreateRecordFile(std::string& path, bool anonymous) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (anonymous) {
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            path.clear();
            return fd;
        }
    }
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        const std::string name = stem + "-" + RandomTag() + extension;
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            path = name;
            return fd;
        }
        err = errno;
    }
    if (anonymous) throw FileFailure("Cannot create the record file in", RecordFolderOf(path), err);
    throw FileFailure("Cannot create file", path, err);
}

}  // namespace

bool WordStore::IsNumberWord(std::string_view word) const {
    if (!wide_ || static_cast<unsigned char>(word[0]) < 0x80) return IsDigitChar(static_cast<std::uint8_t>(word[0]));
    UChar32 c = 0;
    std::int32_t at = 0;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(word.data()), at, static_cast<std::int32_t>(word.size()), c);
    return c >= 0 && u_isdigit(c);
}

std::uint8_t WordStore::LengthOf(std::string_view word) const {
    return static_cast<std::uint8_t>(wide_ ? WordCharacters(word) : word.size());
}

std::uint64_t HashPadded(const char* padded, std::size_t length) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull * (length + 1);
    for (std::size_t i = 0; i < length; i += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, padded + i, 8);
        h = (h ^ chunk) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
}

std::uint64_t HashWord(std::string_view word) {
    char padded[WordStore::MaxWordBytes] = {};
    const std::size_t length = std::min(word.size(), sizeof padded);
    std::memcpy(padded, word.data(), length);
    return HashPadded(padded, length);
}

WordStore::WordStore(std::string wordFilePath, RunState& state, bool anonymous)
    : path_(std::move(wordFilePath)),
      state_(state),
      anonymous_(anonymous),
      alphaIndex_(1, 0),
      slots_(kFirstSlots, 0),
      mask_(kFirstSlots - 1) {
    recordMask_ = (std::uint32_t{1} << std::bit_width(static_cast<std::uint32_t>(maxWords_))) - 1;
}

void WordStore::SetMaxWords(std::int32_t limit) {
    maxWordsNext_ = std::clamp(limit, LeastMaxWords, MostMaxWords);
}

WordStore::~WordStore() {
    if (fd_ >= 0) {
        CloseWordFile();
        RemoveOwnName();
    }
}

FileError WordStore::Failure(const std::string& what, int errnum, const std::string& reason) const {
    std::string text = anonymous_ && createdPath_.empty() ? what + " the record file in " + RecordFolderOf(path_)
                                                          : what + " file " + WordFilePath();
    const std::string why = !reason.empty() ? reason : errnum != 0 ? std::strerror(errnum) : "";
    if (!why.empty()) text += " (" + why + ")";
    return FileError(text, errnum);
}

void WordStore::RemoveOwnName() {
    if (!anonymous_ && !createdPath_.empty()) ::unlink(createdPath_.c_str());
    createdPath_.clear();
}

void WordStore::CloseWordFile() {
    if (map_) {
        ::munmap(map_, mapBytes_);
        UnguardMapping(guard_);
    }
    guard_ = -1;
    map_ = nullptr;
    mapBytes_ = 0;
    mapped_ = 0;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    capacity_ = 0;
}

void WordStore::DeleteWordFile() {
    if (fd_ < 0) return;
    CloseWordFile();
    ClearIndex();
    wordCount_ = 0;
    alphaDirty_ = false;
    if (anonymous_ || createdPath_.empty()) return;
    const std::string name = std::move(createdPath_);
    createdPath_.clear();
    if (::unlink(name.c_str()) != 0 && errno != ENOENT) throw FileFailure("Cannot delete file", name, errno);
}

void WordStore::CheckWordFile() const {
    if (MappingDamaged(guard_)) throw Failure("Cannot read", EIO, "it was truncated by another program");
}

void WordStore::ClearIndex() {
    // Only the entries of the last run's records were ever set; the index starts again
    // at its first size.
    // The arrays are sized for the words a run stores, so a run after a large one
    // starts small again.
    std::vector<std::int32_t>().swap(counts_);
    std::vector<std::uint8_t>().swap(lengths_);
    std::vector<std::int32_t>(1, 0).swap(alphaIndex_);
    std::vector<std::uint32_t>(kFirstSlots, 0).swap(slots_);
    std::vector<std::uint64_t>().swap(keys_);
    mask_ = kFirstSlots - 1;
    indexed_ = 0;
    indexReady_.store(true, std::memory_order_release);
}

void WordStore::ClearStore() {
    ClearIndex();
    CloseWordFile();
    wordCount_ = 0;
    alphaDirty_ = false;

    RemoveOwnName();
    wide_ = wideNext_;
    maxWords_ = maxWordsNext_;
    recordMask_ = (std::uint32_t{1} << std::bit_width(static_cast<std::uint32_t>(maxWords_))) - 1;
    recordBytes_ = wide_ ? kWideRecordBytes : kNarrowRecordBytes;
    textBytes_ = wide_ ? MaxWordBytes : MaxWordLength;
    const std::int32_t mapped = std::min(maxWords_, kFirstMapped);
    const std::size_t mapBytes = static_cast<std::size_t>(mapped) * recordBytes_;
    std::string name = path_;
    const int fd = CreateRecordFile(name, anonymous_);
    // The mapping spans the largest possible file of the default limit (a larger limit
    // widens it as the file grows); only the part for which space has been reserved
    // (EnsureCapacity) is ever touched, so a full disk shows up as an error from the
    // reservation and never as a bus error on a write.
    void* map = ::mmap(nullptr, mapBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        int e = errno;
        ::close(fd);
        if (!name.empty()) ::unlink(name.c_str());
        throw Failure("Cannot create", e);
    }
    fd_ = fd;
    map_ = static_cast<unsigned char*>(map);
    mapBytes_ = mapBytes;
    mapped_ = mapped;
    guard_ = GuardMapping(map, mapBytes);
    // The name is only needed while the file is created; a nameless store drops it now.
    if (anonymous_ && !name.empty()) ::unlink(name.c_str());
    createdPath_ = anonymous_ ? std::string() : name;
}

void WordStore::EnsureCapacity(std::int32_t records) {
    if (records <= capacity_) return;
    // Small runs reserve little; large ones grow in bounded steps.
    const std::int32_t step = std::clamp(capacity_, kFirstRecords, kGrowRecords);
    std::int32_t wanted = std::min(maxWords_, std::max(records, capacity_ + step));
    if (wanted > mapped_) MapRecords(wanted);
    int err = ::posix_fallocate(fd_, 0, static_cast<off_t>(wanted) * static_cast<off_t>(recordBytes_));
    if (err != 0) throw Failure("Cannot write", err);
    capacity_ = wanted;
    assert(capacity_ >= records && capacity_ <= maxWords_ && capacity_ <= mapped_);
}

void WordStore::MapRecords(std::int32_t records) {
    // Twice the span at a time, so the mapping moves a few times in a whole run.
    const std::int32_t span = static_cast<std::int32_t>(
        std::min<std::int64_t>(maxWords_, std::max<std::int64_t>(records, 2 * std::int64_t{mapped_})));
    const std::size_t bytes = static_cast<std::size_t>(span) * recordBytes_;
    // The kernel moves the pages, not their bytes; an exhausted address space leaves
    // the old mapping as it was and ends the run with the reason.
    void* map = ::mremap(map_, mapBytes_, bytes, MREMAP_MAYMOVE);
    if (map == MAP_FAILED) throw Failure("Cannot write", errno);
    UnguardMapping(guard_);
    map_ = static_cast<unsigned char*>(map);
    mapBytes_ = bytes;
    mapped_ = span;
    guard_ = GuardMapping(map, bytes);
}

namespace {

// A record of the file (narrow or wide) into the in-memory form, whose text has room
// for the widest; the text after the file's bytes is zero.
void CopyRecord(const unsigned char* from, std::size_t textBytes, WordRec& to) {
    to.length = from[0];
    std::memcpy(to.text, from + 1, textBytes);
    if (textBytes < sizeof to.text) std::memset(to.text + textBytes, 0, sizeof to.text - textBytes);
    to.Common = from[1 + textBytes];
    to.Number = from[2 + textBytes];
}

}  // namespace

const WordRec& WordStore::ReadWordRecord(std::int32_t n) {
    // A record outside the store leaves CurrentRec as it was, as a failed read would.
    if (n >= 0 && n < wordCount_ && map_) CopyRecord(RecordAt(n), textBytes_, CurrentRec);
    return CurrentRec;
}

WordRec WordStore::WordRecord(std::int32_t n) const {
    WordRec record{};
    if (n >= 0 && n < wordCount_ && map_) CopyRecord(RecordAt(n), textBytes_, record);
    return record;
}

void WordStore::WriteWordRecord(std::int32_t n) {
    if (fd_ < 0 || n < 0 || n > wordCount_ || n >= maxWords_) throw Failure("Cannot write", EINVAL);
    EnsureCapacity(n + 1);
    unsigned char* to = map_ + static_cast<std::size_t>(n) * recordBytes_;
    to[0] = CurrentRec.length;
    std::memcpy(to + 1, CurrentRec.text, textBytes_);
    to[1 + textBytes_] = CurrentRec.Common;
    to[2 + textBytes_] = CurrentRec.Number;
    CheckWordFile();
}

namespace {

std::uint64_t Chunk(const char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, 8);
    return x;
}

// A wide record's key (keys_): the word's first seven bytes, zero after a shorter word
// as padded holds it, and its length in bytes as the eighth. A word of at most seven
// bytes is wholly in its key, so an equal key is the same word, whatever bytes the words
// hold (a zero byte too); a longer word's key only rules out the records that differ in
// length or in the first seven bytes.
std::uint64_t WideKey(const char* padded, std::size_t length) {
    unsigned char bytes[8];
    std::memcpy(bytes, padded, 8);
    bytes[7] = static_cast<unsigned char>(length);
    std::uint64_t key;
    std::memcpy(&key, bytes, 8);
    return key;
}
constexpr std::size_t kWholeInKey = 7;  // bytes

}  // namespace

std::int32_t WordStore::LookupWide(const char* padded, std::size_t length, std::uint64_t hash) const {
    const std::uint32_t tag = TagOf(hash);
    const std::uint64_t key = WideKey(padded, length);
    const std::size_t chunks = (length + 7) / 8;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask_;; i = (i + 1) & mask_) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0) return -1;
        if ((slot & ~recordMask_) != tag) continue;
        const std::int32_t rec = static_cast<std::int32_t>(slot & recordMask_) - 1;
        if (keys_[rec] != key) continue;
        if (length <= kWholeInKey) return rec;  // the record need not be read
        // Equal lengths (in the key) and equal zero-padded chunks are equal words.
        const char* text = TextAt(rec);
        std::size_t c = 0;
        while (c < chunks && Chunk(text + 8 * c) == Chunk(padded + 8 * c)) ++c;
        if (c == chunks) return rec;
    }
}

std::int32_t WordStore::Lookup(const char* padded, std::size_t length, std::uint64_t hash) const {
    EnsureIndex();
    if (wide_) return LookupWide(padded, length, hash);
    const std::uint32_t tag = TagOf(hash);
    const std::size_t chunks = (length + 7) / 8;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask_;; i = (i + 1) & mask_) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0) return -1;
        if ((slot & ~recordMask_) != tag) continue;
        const std::int32_t rec = static_cast<std::int32_t>(slot & recordMask_) - 1;
        if (RecordAt(rec)[0] != length) continue;
        // Equal lengths and equal zero-padded chunks are equal words.
        const char* text = TextAt(rec);
        std::size_t c = 0;
        while (c < chunks && Chunk(text + 8 * c) == Chunk(padded + 8 * c)) ++c;
        if (c == chunks) return rec;
    }
}

void WordStore::GrowIndex() {
    std::vector<std::uint32_t>(slots_.size() * 2, 0).swap(slots_);
    mask_ = slots_.size() - 1;
    // The slots keep too few hash bits to place a word in the larger table: each
    // record's text is hashed again, read in record order.
    for (std::int32_t r = 0; r < indexed_; ++r) InsertHashed(r, HashPadded(TextAt(r), RecordAt(r)[0]));
}

void WordStore::RebuildIndex() const {
    const std::lock_guard<std::mutex> lock(rebuild_);
    if (indexReady_.load(std::memory_order_relaxed)) return;  // another thread built it
    std::size_t size = kFirstSlots;
    while (8 * static_cast<std::size_t>(indexed_) > 5 * size) size *= 2;
    try {
        slots_.assign(size, 0);
    } catch (const std::bad_alloc&) {
        throw MemoryFailure(indexed_);
    }
    mask_ = size - 1;
    for (std::int32_t r = 0; r < indexed_; ++r) InsertHashed(r, HashPadded(TextAt(r), RecordAt(r)[0]));
    if (wide_) {
        try {
            keys_.resize(static_cast<std::size_t>(indexed_));
        } catch (const std::bad_alloc&) {
            throw MemoryFailure(indexed_);
        }
        for (std::int32_t r = 0; r < indexed_; ++r) keys_[r] = WideKey(TextAt(r), RecordAt(r)[0]);
    }
    indexReady_.store(true, std::memory_order_release);
}

void WordStore::InsertHashed(std::int32_t rec, std::uint64_t hash) const {
    // Never full, or the probe below would not end; record numbers fit their bits.
    assert(8 * static_cast<std::size_t>(indexed_) <= 5 * slots_.size());
    assert(rec >= 0 && rec < maxWords_);
    std::size_t i = static_cast<std::size_t>(hash) & mask_;
    while (slots_[i] != 0) i = (i + 1) & mask_;
    slots_[i] = TagOf(hash) | static_cast<std::uint32_t>(rec + 1);
}

void WordStore::MakeRoomForWord() {
    const std::size_t words = static_cast<std::size_t>(wordCount_) + 1;
    EnsureIndex();
    try {
        // At most five eighths full, where linear probing stays short.
        if (8 * words > 5 * slots_.size() && slots_.size() < kMaxSlots) GrowIndex();
        if (counts_.capacity() < words) {
            // Doubling, so that few copies are made; the pages past the words stored
            // are never touched.
            const std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(maxWords_),
                                                           std::max(kFirstWords, 2 * counts_.capacity()));
            counts_.reserve(room);
            lengths_.reserve(room);
        }
        // After a rebuild the keys are sized for the words stored, the other arrays not.
        if (wide_ && keys_.capacity() < words)
            keys_.reserve(std::min<std::size_t>(static_cast<std::size_t>(maxWords_),
                                                std::max(kFirstWords, 2 * keys_.capacity())));
    } catch (const std::bad_alloc&) {
        throw MemoryFailure(wordCount_);
    }
}

void WordStore::CountWord(std::int32_t n) {
    assert(n >= 0 && n < wordCount_);
    if (counts_[n] == 0) --state_.CommonUnused;
    counts_[n] += state_.Increment;
}

bool WordStore::AddWord(std::string_view word) {
    assert(!word.empty() && word.size() <= textBytes_);
    if (word.size() > textBytes_) word = word.substr(0, textBytes_);
    char padded[MaxWordBytes] = {};
    std::memcpy(padded, word.data(), word.size());
    const std::uint64_t hash = HashPadded(padded, word.size());
    std::int32_t rec = Lookup(padded, word.size(), hash);
    if (rec >= 0) {
        CountWord(rec);
        lastRecord_ = rec;
        return true;
    }
    // A full store takes no new word (the run stops at the limit; this also guards a
    // store already filled by the common words list).
    if (wordCount_ >= maxWords_) {
        state_.StopRun = true;
        return false;
    }
    MakeRoomForWord();
    CurrentRec.length = static_cast<std::uint8_t>(word.size());
    std::memcpy(CurrentRec.text, padded, sizeof padded);
    CurrentRec.Common = state_.ReadingCommon ? 1 : 0;
    CurrentRec.Number = IsNumberWord(word) ? 1 : 0;

    const std::int32_t n = wordCount_;
    WriteWordRecord(n);  // throws before anything else changes when the disk is full
    if (CurrentRec.Number) ++state_.UniqueNumbers;
    counts_.push_back(state_.Increment);  // room was made above: these never throw
    lengths_.push_back(LengthOf(word));
    if (wide_) keys_.push_back(WideKey(padded, word.size()));
    InsertHashed(n, hash);
    lastRecord_ = n;
    ++wordCount_;
    indexed_ = wordCount_;
    alphaDirty_ = true;
    if (wordCount_ >= maxWords_) state_.StopRun = true;
    return true;
}

void WordStore::Reserve(std::int32_t records) {
    while (capacity_ < std::min(records, maxWords_)) EnsureCapacity(capacity_ + 1);
}

void WordStore::CountTimes(std::int32_t n, std::int32_t times) {
    if (counts_[n] == 0) --state_.CommonUnused;
    counts_[n] += state_.Increment * times;
}

std::int32_t WordStore::AddNewTimes(const char* padded, std::size_t length, std::uint64_t hash, std::int32_t times) {
    assert(wordCount_ + 1 < maxWords_ && length >= 1 && length <= textBytes_);
    MakeRoomForWord();
    CurrentRec.length = static_cast<std::uint8_t>(length);
    std::memset(CurrentRec.text, 0, sizeof CurrentRec.text);
    std::memcpy(CurrentRec.text, padded, length);
    CurrentRec.Common = state_.ReadingCommon ? 1 : 0;
    CurrentRec.Number = IsNumberWord(std::string_view(padded, length)) ? 1 : 0;
    const std::int32_t n = wordCount_;
    WriteWordRecord(n);
    if (CurrentRec.Number) ++state_.UniqueNumbers;
    counts_.push_back(state_.Increment);
    lengths_.push_back(LengthOf(std::string_view(padded, length)));
    if (wide_) keys_.push_back(WideKey(padded, length));
    InsertHashed(n, hash);
    ++wordCount_;
    indexed_ = wordCount_;
    alphaDirty_ = true;
    if (times > 1) CountTimes(n, times - 1);
    return n;
}

void WordStore::BuildAlphaIndex() {
    const std::int32_t n = wordCount_;
    // Sorted in place: positions 1..WordCount, position 0 holds 0.
    alphaIndex_.assign(static_cast<std::size_t>(n) + 1, 0);
    std::vector<std::uint64_t> prefix(static_cast<std::size_t>(n));
    for (std::int32_t r = 0; r < n; ++r) prefix[r] = PrefixKey(TextAt(r));
    for (std::int32_t r = 0; r < n; ++r) alphaIndex_[r + 1] = r;
    std::sort(alphaIndex_.begin() + 1, alphaIndex_.end(), [&](std::int32_t a, std::int32_t b) {
        if (prefix[a] != prefix[b]) return prefix[a] < prefix[b];
        return WordAt(a) < WordAt(b);
    });
    alphaDirty_ = false;
}

const std::vector<std::int32_t>& WordStore::AlphaIndex() {
    if (alphaDirty_) BuildAlphaIndex();
    return alphaIndex_;
}

bool WordStore::FindWord(std::string_view word, std::int32_t& position) {
    const auto& index = AlphaIndex();
    std::int32_t low = 1, high = wordCount_;
    WordFound = false;
    while (low <= high && !WordFound) {
        std::int32_t middle = (low + high) / 2;
        position = middle;
        std::string_view text = ReadWordRecord(index[middle]).Text();
        if (word < text)
            high = middle - 1;
        else if (word > text)
            low = middle + 1;
        else
            WordFound = true;
    }
    if (low > high) position = low;
    return WordFound;
}

void WordStore::FinishScan() {
    // The hash index is not needed until a word is added again; its memory goes to the
    // alphabetical index and the orders built now.
    indexReady_.store(false, std::memory_order_release);
    std::vector<std::uint32_t>().swap(slots_);
    std::vector<std::uint64_t>().swap(keys_);
    mask_ = 0;
    try {
        if (alphaDirty_) BuildAlphaIndex();
    } catch (const std::bad_alloc&) {
        throw MemoryFailure(wordCount_);
    }
    CheckWordFile();
    if (fd_ >= 0 && capacity_ > wordCount_) {
        // Give back the space reserved ahead, so the file is exactly the records.
        if (::ftruncate(fd_, static_cast<off_t>(wordCount_) * static_cast<off_t>(recordBytes_)) == 0)
            capacity_ = wordCount_;
    }
}

std::size_t WordCharacters(std::string_view word) {
    std::size_t n = 0;
    for (unsigned char c : word) n += (c & 0xC0) != 0x80;
    return n;
}

std::string LowerWord(std::string_view word) {
    const bool ascii =
        std::all_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii || !IsUtf8(word)) {
        std::string lower(word);
        AsciiCaseForm(lower, true);
        return lower;
    }
    // The root locale's full mapping, which knows a sigma at the end of a word.
    icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(word.data(), static_cast<std::int32_t>(word.size())));
    text.toLower(icu::Locale::getRoot());
    std::string lower;
    text.toUTF8String(lower);
    return lower;
}

std::string DisplayWord(const WordRec& rec, bool lowerCase) {
    const std::string_view word(rec.text, rec.length > sizeof rec.text ? sizeof rec.text : rec.length);
    if (lowerCase) return LowerWord(word);
    return std::string(word);
}

}  // namespace vornix
