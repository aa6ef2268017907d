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
// 4 bytes a word, which it lets go when a second document begins.
class PartRecorder : public WordObserver {
public:
    // equalParts: 0 for the documents when there are two or more, else
    // kDefaultEqualParts equal parts; 2 to kMaxEqualParts: that many equal parts always.
    explicit PartRecorder(int equalParts = 0) : equalParts_(equalParts) {}

    void BeginRun() override;
    void BeginDocument() override;
    void Word(std::int32_t record) override {
        if (keepSequence_) sequence_.Push(static_cast<std::uint32_t>(record));
        if (equalParts_ == 0) CountInDocument(static_cast<std::uint32_t>(record));
    }

    // The parts of the finished run, named after its inputs; the recorder is spent.
    PartCounts Finish(const AnalysisRun& run);

private:
    void CountInDocument(std::uint32_t record) {
        if (record >= stamp_.size()) Grow(record);
        if (stamp_[record] != document_) {
            stamp_[record] = document_;
            slot_[record] = static_cast<std::uint32_t>(counts_.pairs_.size() - counts_.starts_.back());
            counts_.pairs_.push_back({record, 1});
        } else {
            ++counts_.pairs_[counts_.starts_.back() + slot_[record]].count;
        }
    }
    void Grow(std::uint32_t record);
    void EndDocument();
    void CutSequence(int parts);

    int equalParts_;
    bool keepSequence_ = true;
    std::uint32_t document_ = 0;  // 1 for the first document
    // In blocks rather than one vector: growing never copies it or holds it twice.
    class Sequence {
    public:
        static constexpr std::size_t kBlock = std::size_t{1} << 20;
        void Push(std::uint32_t record) {
            if (used_ == kBlock || blocks_.empty()) {
                blocks_.push_back(std::make_unique<std::uint32_t[]>(kBlock));
                used_ = 0;
            }
            blocks_.back()[used_++] = record;
        }
        std::size_t Size() const { return blocks_.empty() ? 0 : (blocks_.size() - 1) * kBlock + used_; }
        std::uint32_t operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
        void Clear() {
            blocks_.clear();
            used_ = 0;
        }

    private:
        std::vector<std::unique_ptr<std::uint32_t[]>> blocks_;
        std::size_t used_ = 0;
    };
    Sequence sequence_;
    // Per record: the document that last saw it, and its pair's place in that document.
    std::vector<std::uint32_t> stamp_, slot_;
    PartCounts counts_;  // the documents' pairs; the last one still open
};

}  // namespace vornix
