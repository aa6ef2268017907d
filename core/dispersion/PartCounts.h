#pragma once
// Every word's count in each part of a run. The parts are the run's documents when it
// read two or more (the clipboard text is one document); with one document, or when
// asked, the run's whole word sequence cut into N parts of equal size, the first
// (total mod N) of them one word longer. Common-list words read before the documents
// belong to no part, and a part without words (an empty document) takes part in no
// measure. The counts are kept sparse: one 8-byte pair per (word, part) that occurs.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/engine/AnalysisRun.h"

namespace vornix {

inline constexpr int kDefaultEqualParts = 10;
inline constexpr int kMaxEqualParts = 1000;

struct Part {
    std::string key;      // the document's path as given ("-" for standard input), or part_1...
    std::string caption;  // the document's name, or "Part 1"...
    std::int64_t words = 0;
};

// A word's count in one part.
struct PartCount {
    std::uint32_t record;
    std::uint32_t count;
};

class PartCounts {
public:
    PartCounts() = default;
    // Counts given whole: counts[p][r] is record r's count in part p, whose size is
    // parts[p].words. For tests and small tables.
    PartCounts(std::vector<Part> parts, const std::vector<std::vector<std::int64_t>>& counts);

    const std::vector<Part>& Parts() const { return parts_; }
    std::size_t Size() const { return parts_.size(); }
    // The words of all parts.
    std::int64_t TotalWords() const { return total_; }
    // The pairs of part p, by ascending record number.
    std::span<const PartCount> InPart(std::size_t p) const {
        return {pairs_.data() + starts_[p], pairs_.data() + starts_[p + 1]};
    }
    // Record r's count in part p (a binary search).
    std::int64_t Count(std::int32_t record, std::size_t part) const;
    std::size_t Pairs() const { return pairs_.size(); }
    // The memory the counts hold (pairs and part starts).
    std::size_t MemoryBytes() const;

private:
    friend class PartRecorder;
    void AddPart(Part part) {
        total_ += part.words;
        parts_.push_back(std::move(part));
    }

    std::vector<Part> parts_;
    std::vector<PartCount> pairs_;
    // Size() + 1 entries; a run's words, and so its pairs, stay below 2^31.
    std::vector<std::uint32_t> starts_{0};
    std::int64_t total_ = 0;
};

// Watches a run (AnalysisRun::SetObserver) and gives its part counts afterwards.
// Reading the documents costs a few memory accesses per word. While the run is in its
// first document (or always, with equal parts asked for) it keeps the word sequence,
// about 2 bytes a word, which it lets go when a second document begins.
class PartRecorder : public WordObserver {
public:
    // equalParts: 0 for the documents when there are two or more, else
    // kDefaultEqualParts equal parts; 2 to kMaxEqualParts: that many equal parts always.
    explicit PartRecorder(int equalParts = 0) : equalParts_(equalParts) {}

    void BeginRun() override;
    void BeginDocument() override;
    void Word(std::int32_t record) final {
        if (keepSequence_) sequence_.Push(static_cast<std::uint32_t>(record));
        if (equalParts_ == 0) CountInDocument(static_cast<std::uint32_t>(record));
    }
    void Words(const std::int32_t* records, std::size_t n) final {
        if (keepSequence_)
            for (std::size_t i = 0; i < n; ++i) sequence_.Push(static_cast<std::uint32_t>(records[i]));
        if (equalParts_ == 0)
            for (std::size_t i = 0; i < n; ++i) CountInDocument(static_cast<std::uint32_t>(records[i]));
    }

    // The parts of the finished run, named after its inputs; the recorder is spent.
    PartCounts Finish(const AnalysisRun& run);

private:
    // The open part's counts, dense by record, and the records it has met: one memory
    // access a word; the part's pairs are taken from them when it ends.
    void CountInDocument(std::uint32_t record) {
        if (record >= tally_.size()) Grow(record);
        if (tally_[record]++ == 0) met_.push_back(record);
    }
    void Grow(std::uint32_t record);
    // whole: the open part's records were not noted (met_), so the tally is read whole.
    void EndDocument(bool whole);
    void CutSequence(int parts);

    int equalParts_;
    bool keepSequence_ = true;
    std::uint32_t document_ = 0;  // 1 for the first document
    // Two bytes a word: record numbers from 0xFFFF up (words first met late, and so
    // rare) take three units, the escape and the number's two halves. In blocks rather
    // than one vector: growing never copies it or holds it twice.
    class Sequence {
    public:
        static constexpr std::size_t kBlock = std::size_t{1} << 20;
        [[gnu::always_inline]] void Push(std::uint32_t record) {
            if (record < kEscape) [[likely]] {
                Put(static_cast<std::uint16_t>(record));
            } else {
                Put(kEscape);
                Put(static_cast<std::uint16_t>(record >> 16));
                Put(static_cast<std::uint16_t>(record & 0xFFFF));
            }
            ++words_;
            largest_ = record > largest_ ? record : largest_;
        }
        std::size_t Size() const { return words_; }
        // The largest record pushed (0 when none was).
        std::uint32_t Largest() const { return largest_; }
        // Calls f with each record in order.
        template <class F>
        void ForEach(F&& f) const {
            std::uint32_t pending = 0;
            int escape = 0;
            for (std::size_t b = 0; b < blocks_.size(); ++b) {
                const std::uint16_t* unit = blocks_[b].get();
                const std::size_t n = b + 1 == blocks_.size() ? used_ : kBlock;  // the last one in part
                for (std::size_t i = 0; i < n; ++i) {
                    if (escape == 0) {
                        if (unit[i] != kEscape) [[likely]]
                            f(std::uint32_t{unit[i]});
                        else
                            escape = 2;
                    } else if (escape == 2) {
                        pending = std::uint32_t{unit[i]} << 16;
                        escape = 1;
                    } else {
                        f(pending | unit[i]);
                        escape = 0;
                    }
                }
            }
        }
        void Clear() {
            blocks_.clear();
            block_ = nullptr;
            used_ = kBlock;
            words_ = 0;
            largest_ = 0;
        }

    private:
        static constexpr std::uint16_t kEscape = 0xFFFF;
        [[gnu::always_inline]] void Put(std::uint16_t unit) {
            if (used_ == kBlock) [[unlikely]]
                NewBlock();
            block_[used_++] = unit;
        }
        void NewBlock() {
            blocks_.push_back(std::make_unique_for_overwrite<std::uint16_t[]>(kBlock));
            block_ = blocks_.back().get();
            used_ = 0;
        }
        std::vector<std::unique_ptr<std::uint16_t[]>> blocks_;
        std::uint16_t* block_ = nullptr;
        std::size_t used_ = kBlock;  // of the last block: none yet
        std::size_t words_ = 0;
        std::uint32_t largest_ = 0;
    };
    Sequence sequence_;
    std::vector<std::uint32_t> tally_, met_;
    PartCounts counts_;  // the documents' pairs; the last one still open
};

}  // namespace vornix
