#pragma once
// N-grams: the window's controller. The n-grams are counted by reading the run's
// documents again on a thread of their own (core/ngrams NGramSearch), with progress and
// Break in the window, rather than by the counter watching every run as it reads:
// a count then spends nothing on n-grams until the window is opened, any N is counted
// without a new run, only one N is held in memory (16 + 4N bytes each distinct n-gram),
// and the reading is the word in context's, with its messages for changed files. It
// takes about as long as a context search, a fraction of a second for a novel. The
// thread only looks words up in the run's store; the table is made on the window's
// thread, where the store is read, and a new run stops the thread before it changes.
#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>

#include "core/display/ResultFilter.h"
#include "gui/ui/BackgroundSearch.h"

class QTimer;

namespace vornix {

class NGramSearch;
class NGramsWindow;
class WindowContext;

class NGramsController : public QObject {
    Q_OBJECT
public:
    explicit NGramsController(WindowContext& context);
    // Stops a count and waits for it.
    ~NGramsController() override;

    // A run starts: the count stops and the table goes.
    void Clear();
    // The word table was filled anew (after a run, or with other display options): a
    // shown window follows.
    void ResultsRefilled();
    NGramsWindow* Window() const { return window_; }
    bool Counting() const { return job_ != nullptr; }

private:
    void NGrams1Click();
    bool EnsureWindow();
    // Shows the table of the window's N: from the kept count, or after counting.
    void Compute();
    void ShowTable();
    void Poll();
    void Stop();
    void RowActivated(std::size_t row);

    WindowContext& context_;
    NGramsWindow* window_ = nullptr;
    QTimer* poll_ = nullptr;
    std::unique_ptr<BackgroundSearch<NGramSearch>> job_;
    int jobOrder_ = 0;
    // The finished count of this run, shared with the table made from it.
    std::shared_ptr<const NGramSearch> kept_;
    // What the shown table was made with, so that an unrelated refill changes nothing.
    struct Shown {
        int order = 0;
        DisplayOptions display;
        std::int32_t commonWords = 0;
    };
    std::optional<Shown> shownFor_;
};

}  // namespace vornix
