#include "core/dispersion/PartCounts.h"

#include <algorithm>

namespace vornix {

namespace {

bool ByRecord(const PartCount& a, const PartCount& b) {
    return a.record < b.record;
}

}  // namespace

PartCounts::PartCounts(std::vector<Part> parts, const std::vector<std::vector<std::int64_t>>& counts) {
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (p < counts.size())
            for (std::size_t r = 0; r < counts[p].size(); ++r)
                if (counts[p][r] > 0)
                    pairs_.push_back({static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(counts[p][r])});
        starts_.push_back(static_cast<std::uint32_t>(pairs_.size()));
        AddPart(std::move(parts[p]));
    }
}

std::int64_t PartCounts::Count(std::int32_t record, std::size_t part) const {
    const auto pairs = InPart(part);
    const auto at =
        std::lower_bound(pairs.begin(), pairs.end(), PartCount{static_cast<std::uint32_t>(record), 0}, ByRecord);
    return at != pairs.end() && at->record == static_cast<std::uint32_t>(record) ? at->count : 0;
}

std::size_t PartCounts::MemoryBytes() const {
    return pairs_.capacity() * sizeof(PartCount) + starts_.capacity() * sizeof(std::uint32_t);
}

void PartRecorder::BeginRun() {
    keepSequence_ = true;
    document_ = 0;
    sequence_.Clear();
    std::fill(stamp_.begin(), stamp_.end(), 0u);
    counts_ = PartCounts();
}

void PartRecorder::Grow(std::uint32_t record) {
    const std::size_t size = std::max<std::size_t>(record + 1, stamp_.size() * 2);
    stamp_.resize(size, 0);
    slot_.resize(size, 0);
}

void PartRecorder::EndDocument() {
    auto& pairs = counts_.pairs_;
    std::sort(pairs.begin() + static_cast<std::ptrdiff_t>(counts_.starts_.back()), pairs.end(), ByRecord);
    counts_.starts_.push_back(static_cast<std::uint32_t>(pairs.size()));
}

void PartRecorder::BeginDocument() {
    if (document_ > 0 && equalParts_ == 0) EndDocument();
    ++document_;
    // Two documents are parts by themselves: the sequence is no longer needed.
    if (document_ == 2 && equalParts_ == 0) {
        keepSequence_ = false;
        sequence_.Clear();
    }
}

void PartRecorder::CutSequence(int parts) {
    counts_ = PartCounts();
    const std::size_t total = sequence_.Size();
    const std::size_t n = static_cast<std::size_t>(parts);
    std::fill(stamp_.begin(), stamp_.end(), 0u);
    std::size_t at = 0;
    for (std::size_t p = 0; p < n; ++p) {
        const std::size_t size = total / n + (p < total % n ? 1 : 0);
        const auto stamp = static_cast<std::uint32_t>(p + 1);
        for (const std::size_t end = at + size; at < end; ++at) {
            const std::uint32_t record = sequence_[at];
            if (record >= stamp_.size()) Grow(record);
            if (stamp_[record] != stamp) {
                stamp_[record] = stamp;
                slot_[record] = static_cast<std::uint32_t>(counts_.pairs_.size() - counts_.starts_.back());
                counts_.pairs_.push_back({record, 1});
            } else {
                ++counts_.pairs_[counts_.starts_.back() + slot_[record]].count;
            }
        }
        EndDocument();
        const std::string number = std::to_string(p + 1);
        counts_.AddPart({"part_" + number, "Part " + number, static_cast<std::int64_t>(size)});
    }
}

PartCounts PartRecorder::Finish(const AnalysisRun& run) {
    const auto& inputs = run.Inputs();
    if (equalParts_ == 0 && document_ >= 2) {
        EndDocument();
        // The sizes are the words seen; the names are the inputs', which match them one
        // for one when the recorder watched this run from its start.
        const bool named = inputs.size() == document_;
        for (std::size_t d = 0; d < document_; ++d) {
            std::int64_t words = 0;
            for (const PartCount& pair : counts_.InPart(d)) words += pair.count;
            const std::string number = std::to_string(d + 1);
            if (named) {
                const RunInput& input = inputs[d];
                counts_.AddPart({input.stream ? "-" : input.path.empty() ? input.name : input.path, input.name, words});
            } else {
                counts_.AddPart({"document_" + number, "Document " + number, words});
            }
        }
    } else {
        CutSequence(equalParts_ == 0 ? kDefaultEqualParts : equalParts_);
    }
    sequence_.Clear();
    std::vector<std::uint32_t>().swap(stamp_);
    std::vector<std::uint32_t>().swap(slot_);
    counts_.pairs_.shrink_to_fit();
    counts_.starts_.shrink_to_fit();
    return std::move(counts_);
}

}  // namespace vornix
