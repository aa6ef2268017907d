#pragma once
// The parts of the window's run and their figures, kept beside the run. Recording them
// while the run reads costs the count about a third more, so the window records only
// when a dispersion display is on at the start of the run; when one is asked for after
// a run that did not record, the run's inputs are read again (as the word-in-context
// search reads them: in slices, by the count's rules) and fed to the same recorder, so
// the parts are the same either way.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/context/WordContext.h"
#include "core/dispersion/Dispersion.h"
#include "core/dispersion/PartCounts.h"
#include "core/engine/AnalysisRun.h"

namespace vornix {

class RunDispersion {
public:
    RunDispersion();
    ~RunDispersion();

    // A run starts: what was kept goes. With record, the returned observer is to watch
    // the run (AnalysisRun::SetObserver); otherwise null.
    WordObserver* BeginRun(bool record);
    // The run ended: the recorded parts and their figures are ready.
    void EndRun(const AnalysisRun& run);
    // Nothing kept (no run yet, or it did not record).
    void Clear();

    bool Ready() const { return figures_.has_value(); }
    // For a run that did not record: its inputs are read again by Step. The run must stay
    // unchanged until Step returns false.
    void BeginReread(const AnalysisRun& run);
    bool Rereading() const { return search_ != nullptr; }
    // Reads on for about `budget` bytes; false once done, and the parts then Ready.
    bool Step(std::size_t budget = 4 << 20);
    std::int64_t BytesDone() const;
    std::int64_t BytesTotal() const;
    // Inputs that changed or vanished since the run read them (the parts may then not
    // match the table), one message each.
    const std::vector<std::string>& Problems() const { return problems_; }

    // Only when Ready.
    const PartCounts& Parts() const { return parts_; }
    const std::vector<DispersionFigures>& Figures() const { return *figures_; }

private:
    void Take(const AnalysisRun& run, std::uint32_t input, std::string_view word);

    std::unique_ptr<PartRecorder> recorder_;
    bool recording_ = false;
    PartCounts parts_;
    std::optional<std::vector<DispersionFigures>> figures_;
    const AnalysisRun* rereadRun_ = nullptr;
    std::unique_ptr<OccurrenceSearch> search_;
    std::uint32_t documentsBegun_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace vornix
