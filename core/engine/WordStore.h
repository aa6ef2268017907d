#pragma once
// The distinct words of one run, at most MaxWords(). Each word has a record number from 0
// in the order it was first met and a fixed 43-byte record in the record file
// (`WordFile`); only counts, lengths and order indexes are held in memory.
//
// Layout of a record (see doc/record-file.md): length byte, 40 text bytes (upper-case
// form, zero after the last character), Common flag byte, Number flag byte: 43 bytes.
// A store of words of every script (SetWide) holds UTF-8 words of up to 40 characters,
// so its records have 160 text bytes (163 in all); in memory a WordRec always has room
// for them.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/Errors.h"
#include "core/engine/RunState.h"

namespace vornix {

#pragma pack(push, 1)
struct WordRec {
    std::uint8_t length;  // bytes of text
    char text[160];
    std::uint8_t Common;
    std::uint8_t Number;

    std::string_view Text() const { return {text, length}; }
};
#pragma pack(pop)
static_assert(sizeof(WordRec) == 163, "a wide record as the file holds it");
inline constexpr std::size_t kNarrowRecordBytes = 43;
inline constexpr std::size_t kWideRecordBytes = sizeof(WordRec);

class WordStore {
public:
    // The limit of distinct words a run may hold: the default, and the bounds of a
    // limit of choice (vornix-count --max-words, the MaxWords setting).
    static constexpr std::int32_t DefaultMaxWords = 500000;
    static constexpr std::int32_t LeastMaxWords = 1000;
    static constexpr std::int32_t MostMaxWords = 100000000;
    static constexpr int MaxWordLength = 40;  // characters
    static constexpr int MaxWordBytes = 160;  // UTF-8 bytes of 40 characters at most

    // Binds the record file's place: ClearStore creates it in wordFilePath's folder under
    // that name with a random tag added, never reusing an existing file or link. The run state
    // supplies Increment and ReadingCommon and receives StopRun, CommonUnused and
    // UniqueNumbers; it must outlive the store.
    // anonymous: the record file's name is removed as soon as it is created, so nothing
    // is left behind however the process ends (the command line's choice).
    WordStore(std::string wordFilePath, RunState& state, bool anonymous = false);
    ~WordStore();  // closes the record file and deletes it if a run created it
    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;

    // The name of the record file in use, else the place it was asked for.
    const std::string& WordFilePath() const { return createdPath_.empty() ? path_ : createdPath_; }
    // Throws FileError when the record file was truncated under the run by another
    // program (its lost part read as zeros); the run's results are then not to be used.
    void CheckWordFile() const;
    // Closes the record file and deletes it if a run created it; the store is then
    // empty. Throws FileError when the file cannot be deleted.
    void DeleteWordFile();
    bool WordFileCreated() const { return fd_ >= 0; }

    // Empties the store and creates the record file anew. Throws FileError when the file
    // cannot be created.
    void ClearStore();
    // Words of every script from the next ClearStore on: UTF-8 words of up to 40
    // characters in 163-byte records, lengths counted in characters, a word whose
    // first character is a decimal digit of any script a number. Off: ASCII words in
    // 43-byte records.
    void SetWide(bool wide) { wideNext_ = wide; }
    bool Wide() const { return wide_; }
    std::size_t RecordBytes() const { return wide_ ? kWideRecordBytes : kNarrowRecordBytes; }

    // The limit from the next ClearStore on, kept within LeastMaxWords..MostMaxWords.
    void SetMaxWords(std::int32_t limit);
    // The limit of the current run: the store stops taking new words there.
    std::int32_t MaxWords() const { return maxWords_; }

    std::int32_t WordCount() const { return wordCount_; }

    // Fills CurrentRec with record n (0 <= n < WordCount) and returns it.
    const WordRec& ReadWordRecord(std::int32_t n);
    // A copy of record n that leaves CurrentRec alone, for readers such as a painted
    // table that must not disturb a read-then-write in progress. Outside the store it
    // is an empty record.
    WordRec WordRecord(std::int32_t n) const;
    // Writes CurrentRec as record n: n == WordCount appends, a smaller n rewrites.
    // Throws FileError when the record file cannot take it (a full disk): the store is
    // then unchanged.
    void WriteWordRecord(std::int32_t n);
    WordRec CurrentRec{};

    // Binary search over the alphabetical index. On success position is the word's
    // place in AlphaIndex (1-based); otherwise the place it would be inserted at.
    bool FindWord(std::string_view word, std::int32_t& position);
    bool WordFound = false;

    void CountWord(std::int32_t n);
    // Counts the word if present, else adds it as a new record. word holds 1 to 40
    // characters (bytes in a narrow store). Sets StopRun when the store becomes full.
    // Returns false only when a new word was refused because the store is full.
    bool AddWord(std::string_view word);
    // The record number of the word the last successful AddWord counted.
    std::int32_t LastRecord() const { return lastRecord_; }

    // Merging the words of a text read elsewhere (several threads), with the results of
    // counting them one by one. FindPadded: the record of a word given zero-padded to 40
    // bytes (MaxWordBytes in a wide store, or at least its length rounded up to 8) with
    // its HashPadded, or -1. Reserve: makes room in the record file for that
    // many records in the steps single additions take, so a full disk fails at the same
    // record. CountTimes and AddNewTimes: times occurrences of a known word, or of a new
    // one (which must not fill the store; CurrentRec ends holding its record), whose
    // record number is returned.
    std::int32_t FindPadded(const char* padded, std::size_t length, std::uint64_t hash) const {
        return Lookup(padded, length, hash);
    }
    void Reserve(std::int32_t records);
    // Hints for a loop over many words that are not in the cache (a store of millions):
    // fetch the hash slot of a word, or the record a slot names, or record n, ahead of
    // its use. They change nothing and never fault.
    void PrefetchSlot(std::uint64_t hash) const {
        if (indexReady_.load(std::memory_order_relaxed)) __builtin_prefetch(slots_.data() + (hash & mask_));
    }
    void PrefetchSlotRecord(std::uint64_t hash) const {
        if (!indexReady_.load(std::memory_order_relaxed)) return;
        const std::uint32_t slot = slots_[hash & mask_];
        if (slot != 0) PrefetchRecord(static_cast<std::int32_t>(slot & recordMask_) - 1);
    }
    void PrefetchRecord(std::int32_t n) const {
        if (n < 0 || n >= wordCount_) return;
        __builtin_prefetch(RecordAt(n));
        __builtin_prefetch(RecordAt(n) + recordBytes_ - 1);
    }
    void CountTimes(std::int32_t n, std::int32_t times);
    std::int32_t AddNewTimes(const char* padded, std::size_t length, std::uint64_t hash, std::int32_t times);

    // Per record number (0 .. WordCount-1); the arrays hold the records stored so far,
    // not the possible ones.
    std::int32_t Count(std::int32_t n) const { return counts_[n]; }
    std::uint8_t Length(std::int32_t n) const { return lengths_[n]; }
    const std::vector<std::int32_t>& Counts() const { return counts_; }
    const std::vector<std::uint8_t>& Lengths() const { return lengths_; }
    // Record numbers in ascending byte order of the words, positions 1..WordCount.
    const std::vector<std::int32_t>& AlphaIndex();

    // Ends the scanning phase: builds the alphabetical index and trims the record file
    // to exactly WordCount records, so its bytes are the plain record sequence. The hash
    // index is given back (a later AddWord builds it again), so that the result orders
    // are built in the memory it held.
    void FinishScan();

private:
    // padded: the word followed by zero bytes up to 40, as a record holds it.
    std::int32_t Lookup(const char* padded, std::size_t length, std::uint64_t hash) const;
    std::int32_t LookupWide(const char* padded, std::size_t length, std::uint64_t hash) const;
    void InsertHashed(std::int32_t rec, std::uint64_t hash) const;
    void EnsureCapacity(std::int32_t records);
    // Room in memory for one more word (counts, lengths, hash index); throws
    // FileError when memory is exhausted, before anything changed.
    void MakeRoomForWord();
    void MapRecords(std::int32_t records);
    void BuildAlphaIndex();
    // Record n's bytes in the file: the length byte, then the text.
    const unsigned char* RecordAt(std::int32_t n) const { return map_ + static_cast<std::size_t>(n) * recordBytes_; }
    const char* TextAt(std::int32_t n) const { return reinterpret_cast<const char*>(RecordAt(n) + 1); }
    std::string_view WordAt(std::int32_t n) const { return {TextAt(n), RecordAt(n)[0]}; }
    void CloseWordFile();
    void RemoveOwnName();
    // A failure of the record file ("Cannot write" + " file PATH (reason)"); a nameless
    // file is named by its folder ("Cannot write the record file in FOLDER (reason)"),
    // so no message names a file that never existed.
    FileError Failure(const std::string& what, int errnum, const std::string& reason = {}) const;
    void ClearIndex();
    bool IsNumberWord(std::string_view word) const;
    std::uint8_t LengthOf(std::string_view word) const;

    std::string path_;
    std::string createdPath_;  // the file ClearStore made, when it has a name
    int guard_ = -1;           // the SIGBUS guard of the mapping
    RunState& state_;
    bool anonymous_;
    int fd_ = -1;
    unsigned char* map_ = nullptr;  // the whole possible record file, mapped shared
    std::size_t mapBytes_ = 0;
    bool wide_ = false;
    bool wideNext_ = false;
    std::size_t recordBytes_ = kNarrowRecordBytes;
    std::size_t textBytes_ = 40;
    std::int32_t maxWords_ = DefaultMaxWords;
    std::int32_t maxWordsNext_ = DefaultMaxWords;
    std::int32_t mapped_ = 0;    // records the mapping spans
    std::int32_t capacity_ = 0;  // records for which file space is reserved
    std::int32_t wordCount_ = 0;
    std::int32_t lastRecord_ = -1;

    std::vector<std::int32_t> counts_;
    std::vector<std::uint8_t> lengths_;
    std::vector<std::int32_t> alphaIndex_;
    bool alphaDirty_ = false;

    // Words are found during a scan through a hash table of record numbers, not by a
    // binary search with an insert that shifts the index: that would cost time
    // quadratic in the number of distinct words. The table holds no word text; texts
    // are compared in the mapped record file. The alphabetical index is built once,
    // when it is first needed after new words arrived; every observable result is the
    // same as with inserting.
    // A slot is 32 bits: record number + 1 in the low recordBits_ (enough for the
    // run's limit; 0 is an empty slot) and the top bits of the word's hash above, so a
    // probe seldom reads a record that is not the word's. Four bytes a slot keep a
    // store of tens of millions of words within its memory budget. The table starts
    // small and doubles as words arrive, staying at most five eighths full; doubling
    // hashes the records again, as the slots keep no spare hash bits.
    // FinishScan gives the table back; the first lookup after it (the readers that look
    // words up again, from any thread) builds it anew, once.
    void GrowIndex();
    void EnsureIndex() const {
        if (!indexReady_.load(std::memory_order_acquire)) [[unlikely]]
            RebuildIndex();
    }
    void RebuildIndex() const;
    std::uint32_t TagOf(std::uint64_t hash) const { return static_cast<std::uint32_t>(hash >> 32) & ~recordMask_; }
    mutable std::vector<std::uint32_t> slots_;
    mutable std::size_t mask_ = 0;
    mutable std::atomic<bool> indexReady_{true};
    mutable std::mutex rebuild_;
    std::uint32_t recordMask_ = 0;
    std::int32_t indexed_ = 0;  // records in slots_ since it was last emptied
    // A wide store only: per record number, the word's first seven bytes and its length
    // in bytes (WideKey), held while the hash index is. A wide record is 163 bytes, so
    // reading one per lookup misses the cache far more than a narrow one; most running
    // words are of seven bytes or fewer, and their key alone tells them apart. Built
    // again with the index after FinishScan; the same whatever the table's size.
    mutable std::vector<std::uint64_t> keys_;
};

std::uint64_t HashWord(std::string_view word);
// The same hash of a word given zero-padded to 40 bytes.
std::uint64_t HashPadded(const char* padded, std::size_t length);

// The word as shown: A-Z turned to a-z when lowerCase, every other byte unchanged; a
// word with letters beyond ASCII (a store of every script) is lowered by the full
// Unicode mapping (a final sigma as such).
std::string DisplayWord(const WordRec& rec, bool lowerCase);
// A word of the store in the lower-case display form, as DisplayWord gives it.
std::string LowerWord(std::string_view word);
// Characters (code points) of a UTF-8 word.
std::size_t WordCharacters(std::string_view word);

}  // namespace vornix
