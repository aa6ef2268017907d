#pragma once
// "Counts per document…": the analysis window with each shown word's count in every
// part of the run (its documents, or equal parts of one document), one column per part
// named after it; sorted by any column, Copy and Save as every analysis window has them
// (a .csv name gets the bytes of vornix-count --per-file --format=csv). A new run
// empties it; other display options remake it.
#include <QObject>
#include <optional>

#include "core/display/ResultFilter.h"

namespace vornix {

class AnalysisWindow;
class WindowContext;

class CountsController : public QObject {
    Q_OBJECT
public:
    explicit CountsController(WindowContext& context);

    // A run starts: the table goes (it reads the run's parts).
    void Clear();
    // The word table was filled anew: a shown window follows the display options.
    void ResultsRefilled();
    AnalysisWindow* Window() const { return window_; }

private:
    void CountsPerDocument1Click();
    void Fill();
    void RowActivated(std::size_t row);

    WindowContext& context_;
    AnalysisWindow* window_ = nullptr;
    std::optional<DisplayOptions> shownFor_;
};

}  // namespace vornix
