#pragma once
// Collocates: the window's controller. "Collocates of WORD" on the result table's
// pop-up menu names the node; the run's documents are read again on a thread of their
// own (core/collocates CollocateSearch), with progress and Break in the window; the
// table is made on the window's thread, where the store is read. A new run stops the
// thread before the run changes and empties the window.
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

#include "core/collocates/Collocates.h"
#include "gui/ui/BackgroundSearch.h"

class QTimer;

namespace vornix {

class CollocatesWindow;
class WindowContext;

class CollocatesController : public QObject {
    Q_OBJECT
public:
    explicit CollocatesController(WindowContext& context);
    // Stops a search and waits for it.
    ~CollocatesController() override;

    // The collocates of record `node` of the run.
    void Show(std::int32_t node);
    // A run starts: the search stops and the table goes.
    void Clear();
    // The word table was filled anew with other display options: a shown table follows.
    void ResultsRefilled();
    CollocatesWindow* Window() const { return window_; }
    bool Searching() const { return job_ != nullptr; }

private:
    bool EnsureWindow();
    CollocateSpan Span() const;
    void Compute();
    void ShowTable();
    void Poll();
    void Stop();
    void RowActivated(std::size_t row);

    WindowContext& context_;
    CollocatesWindow* window_ = nullptr;
    QTimer* poll_ = nullptr;
    std::int32_t node_ = -1;
    std::string nodeWord_;  // its stored form
    std::unique_ptr<BackgroundSearch<CollocateSearch>> job_;
    std::unique_ptr<const CollocateSearch> kept_;
};

}  // namespace vornix
