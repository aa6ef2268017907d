#include "core/dispersion/RunDispersion.h"

#include <cstring>

namespace vornix {

RunDispersion::RunDispersion() = default;
RunDispersion::~RunDispersion() = default;

void RunDispersion::Clear() {
    search_.reset();
    rereadRun_ = nullptr;
    recorder_.reset();
    recording_ = false;
    parts_ = PartCounts();
    figures_.reset();
    problems_.clear();
}

WordObserver* RunDispersion::BeginRun(bool record) {
    Clear();
    if (!record) return nullptr;
    recorder_ = std::make_unique<PartRecorder>();
    recording_ = true;
    return recorder_.get();
}

void RunDispersion::EndRun(const AnalysisRun& run) {
    if (!recording_) return;
    recording_ = false;
    parts_ = recorder_->Finish(run);
    recorder_.reset();
    figures_ = ComputeDispersion(parts_, run.Store().WordCount());
}

void RunDispersion::BeginReread(const AnalysisRun& run) {
    Clear();
    recorder_ = std::make_unique<PartRecorder>();
    recorder_->BeginRun();
    rereadRun_ = &run;
    documentsBegun_ = 0;
    search_ = std::make_unique<OccurrenceSearch>(
        run, [this](std::uint32_t input, std::string_view word) { Take(*rereadRun_, input, word); });
}

void RunDispersion::Take(const AnalysisRun& run, std::uint32_t input, std::string_view word) {
    // Inputs without words are parts too, begun as the next word shows they passed.
    while (documentsBegun_ <= input) {
        recorder_->BeginDocument();
        ++documentsBegun_;
    }
    if (word.empty() || word.size() > static_cast<std::size_t>(WordStore::MaxWordBytes)) return;
    char padded[WordStore::MaxWordBytes] = {};
    std::memcpy(padded, word.data(), word.size());
    const std::int32_t rec = run.Store().FindPadded(padded, word.size(), HashPadded(padded, word.size()));
    if (rec >= 0) recorder_->Word(rec);
}

bool RunDispersion::Step(std::size_t budget) {
    if (!search_) return false;
    if (search_->Step(budget)) return true;
    const AnalysisRun& run = *rereadRun_;
    while (documentsBegun_ < run.Inputs().size()) {
        recorder_->BeginDocument();
        ++documentsBegun_;
    }
    problems_ = search_->Problems();
    search_.reset();
    rereadRun_ = nullptr;
    parts_ = recorder_->Finish(run);
    recorder_.reset();
    figures_ = ComputeDispersion(parts_, run.Store().WordCount());
    return false;
}

std::int64_t RunDispersion::BytesDone() const {
    return search_ ? search_->BytesDone() : 0;
}

std::int64_t RunDispersion::BytesTotal() const {
    return search_ ? search_->BytesTotal() : 0;
}

}  // namespace vornix
