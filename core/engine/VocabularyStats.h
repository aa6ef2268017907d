#pragma once
// Vocabulary measures of a run beyond the raw counters: type/token ratios, words
// occurring once and twice, mean and longest word length. They are taken from the
// store's counts and lengths, so what the table hides never changes them.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/Errors.h"
#include "core/engine/WordStore.h"

namespace vornix {

// Distinct words per consecutive chunk of ChunkWords running words, counted while the
// run scans: each record remembers the number of the last chunk it was seen in, so no
// word text is held. Note runs once per word and must stay cheap.
class ChunkCounter {
public:
    static constexpr std::int32_t ChunkWords = 1000;

    ChunkCounter() = default;

    // Forgets the last run. Chunk numbers go on rising from run to run, so the records'
    // old numbers never match the new ones.
    void Start() {
        NextChunk();
        inChunk_ = 0;
        distinct_ = 0;
        completeChunks_ = 0;
        distinctSum_ = 0;
    }

    // rec: the record number of the word just counted. Whether a word was already seen
    // in its chunk cannot be predicted, so that test is done without a branch.
    void Note(std::int32_t rec) {
        // Sized for the records met so far (a run's limit may be far above them).
        if (static_cast<std::size_t>(rec) >= lastChunk_.size()) [[unlikely]]
            Grow(static_cast<std::size_t>(rec));
        std::uint8_t& seen = lastChunk_[static_cast<std::size_t>(rec)];
        distinct_ += seen != chunk_;
        seen = chunk_;
        if (++inChunk_ == ChunkWords) [[unlikely]]
            EndChunk();
    }

    // Only full chunks count; the words of a last partial chunk are left out.
    std::int32_t CompleteChunks() const { return completeChunks_; }
    std::int64_t DistinctSum() const { return distinctSum_; }

private:
    void EndChunk() {
        distinctSum_ += distinct_;
        ++completeChunks_;
        inChunk_ = 0;
        distinct_ = 0;
        NextChunk();
    }

    // A byte per record keeps the stamps of a large vocabulary in the cache (a word
    // costs one more memory access in the scan). When the numbers run out the stamps
    // are cleared, once per 255,000 words (half a megabyte at most, a few microseconds).
    // Stamp 0 is never a chunk's: new records read as not seen.
    void Grow(std::size_t rec) {
        try {
            lastChunk_.resize(std::max({rec + 1, 2 * lastChunk_.size(), std::size_t{4096}}), 0);
        } catch (const std::bad_alloc&) {
            throw FileError("Not enough memory to hold more than " + std::to_string(rec) + " distinct words", ENOMEM);
        }
    }

    void NextChunk() {
        if (++chunk_ == 0) {
            std::fill(lastChunk_.begin(), lastChunk_.end(), std::uint8_t{0});
            chunk_ = 1;
        }
    }

    std::vector<std::uint8_t> lastChunk_;
    std::uint8_t chunk_ = 0;
    std::int32_t inChunk_ = 0;
    std::int32_t distinct_ = 0;
    std::int32_t completeChunks_ = 0;
    std::int64_t distinctSum_ = 0;
};

struct VocabularyStats {
    std::int64_t TotalWords = 0;   // occurrences: the sum of the store's counts
    std::int64_t UniqueWords = 0;  // records with a count above 0
    std::int32_t CompleteChunks = 0;
    std::int64_t ChunkDistinctSum = 0;
    std::int64_t OnceWords = 0;
    std::int64_t TwiceWords = 0;
    std::int64_t LetterSum = 0;       // characters over all occurrences
    std::int32_t LongestRecord = -1;  // -1 when nothing was counted
};

// Walks every record once; the longest word's tie is broken through the alphabetical
// index, so the store must have finished its scan (or build the index on demand).
VocabularyStats ComputeVocabularyStats(WordStore& store, const ChunkCounter& chunks);

// num / den rounded half up to `places` decimals (0..6), written with a full stop
// whatever the locale; empty when den is 0. num and den must not be negative, and
// num * 10^places must fit in 64 bits.
std::string FixedRatio(std::int64_t num, std::int64_t den, int places);

// Occurrences per million words, one decimal, e.g. "333333.3"; empty when total is 0.
std::string PerMillionText(std::int64_t count, std::int64_t total);

// The rows shown below the statistics window's counters and printed after the
// counters by vornix-count --stats, in this order, as (caption, value). A value is
// empty where the measure is undefined (no words, or fewer than 1,000 for the
// standardised ratio). lowerCase: the longest word as the table shows it.
std::vector<std::pair<std::string, std::string>> VocabularyRows(WordStore& store, const VocabularyStats& stats,
                                                                bool lowerCase);

}  // namespace vornix
