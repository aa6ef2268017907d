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
    std::fill(tally_.begin(), tally_.end(), 0u);
    met_.clear();
    counts_ = PartCounts();
}

void PartRecorder::Grow(std::uint32_t record) {
    tally_.resize(std::max<std::size_t>(record + 1, tally_.size() * 2), 0);
}

void PartRecorder::EndDocument(bool whole) {
    // A part that met many of the words is read from the tally in record order rather
    // than by sorting the words it met.
    if (whole || met_.size() > tally_.size() / 16) {
        for (std::uint32_t record = 0; record < tally_.size(); ++record)
            if (tally_[record] > 0) {
                counts_.pairs_.push_back({record, tally_[record]});
                tally_[record] = 0;
            }
    } else {
        std::sort(met_.begin(), met_.end());
        for (const std::uint32_t record : met_) {
            counts_.pairs_.push_back({record, tally_[record]});
            tally_[record] = 0;
        }
    }
    met_.clear();
    counts_.starts_.push_back(static_cast<std::uint32_t>(counts_.pairs_.size()));
}

void PartRecorder::BeginDocument() {
    if (document_ > 0 && equalParts_ == 0) EndDocument(false);
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
    std::fill(tally_.begin(), tally_.end(), 0u);
    met_.clear();
    // The tally holds every record of the sequence, so no word needs the bounds check; a
    // part large against the tally is read from it whole when it ends, so only a small
    // part notes the records it meets.
    if (total > 0 && sequence_.Largest() >= tally_.size()) Grow(sequence_.Largest());
    std::size_t p = 0, left = 0;
    bool noting = false;
    auto endPart = [&] {
        if (p > 0) EndDocument(!noting);
        // Parts of no words end at once.
        for (; left == 0 && p < n; ++p) {
            left = total / n + (p < total % n ? 1 : 0);
            const std::string number = std::to_string(p + 1);
            counts_.AddPart({"part_" + number, "Part " + number, static_cast<std::int64_t>(left)});
            if (left == 0) EndDocument(false);
        }
        noting = left * 16 <= tally_.size();
    };
    endPart();
    sequence_.ForEach([&](std::uint32_t record) {
        if (tally_[record]++ == 0 && noting) met_.push_back(record);
        if (--left == 0) endPart();
    });
}

PartCounts PartRecorder::Finish(const AnalysisRun& run) {
    const auto& inputs = run.Inputs();
    if (equalParts_ == 0 && document_ >= 2) {
        EndDocument(false);
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
    std::vector<std::uint32_t>().swap(tally_);
    std::vector<std::uint32_t>().swap(met_);
    counts_.pairs_.shrink_to_fit();
    counts_.starts_.shrink_to_fit();
    return std::move(counts_);
}

}  // namespace vornix
