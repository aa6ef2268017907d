#include "gui/dispersion/CountsController.h"

#include <QAction>
#include <QTimer>
#include <memory>

#include "core/dispersion/RunDispersion.h"
#include "core/engine/AnalysisRun.h"
#include "core/output/OutputWalk.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/AnalysisWindow.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

CountsController::CountsController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("CountsController"));
    context_.OnItem("CountsPerDocument1", this, [this] { CountsPerDocument1Click(); });
}

void CountsController::CountsPerDocument1Click() {
    if (context_.busy) return;
    const bool created = !window_;
    if (created) {
        window_ = new AnalysisWindow(QStringLiteral("Counts"), QStringLiteral("Counts per document"), context_.ui,
                                     &context_.window);
        connect(window_, &AnalysisWindow::rowActivated, this, &CountsController::RowActivated);
        const QRect main = context_.window.frameGeometry();
        window_->move(main.left() + 60, main.top() + 60);
    }
    TableLayout layout;
    layout.separator = SeparatorChar(context_.addDlg ? context_.addDlg->SepIndex() : 1);
    window_->SetLayout(layout);
    window_->show();
    if (created) KeepOnScreen(window_);
    window_->raise();
    window_->activateWindow();
    Fill();
}

void CountsController::Fill() {
    shownFor_.reset();
    window_->SetTable(nullptr);
    AnalysisRun& run = context_.Run();
    if (run.Store().WordCount() == 0) {
        window_->SetNote(QStringLiteral("No words counted yet: open documents first."));
        return;
    }
    if (!context_.dispersionReady || !context_.dispersionReady()) {
        window_->SetNote(QStringLiteral("The documents were not read again."));
        return;
    }
    const DisplayOptions display = context_.displayOptions();
    const RunDispersion& parts = *context_.dispersion;
    window_->SetNote(parts.Parts().Size() == 0 ? QStringLiteral("The run has no parts.") : QString());
    window_->SetTable(std::make_shared<DispersionTable>(run.Store(), ShownWords(run.Store(), run.Orders(), display),
                                                        parts.Parts(), parts.Figures(), display,
                                                        DispersionColumns{.measures = false, .perPart = true}));
    shownFor_ = display;
}

void CountsController::ResultsRefilled() {
    if (!window_ || !window_->isVisible()) return;
    // The table is filled at the end of a run, before the run lets go of the window.
    if (context_.busy) {
        QTimer::singleShot(0, this, &CountsController::ResultsRefilled);
        return;
    }
    const DisplayOptions now = context_.displayOptions();
    if (shownFor_) {
        const DisplayOptions& was = *shownFor_;
        // The order alone changes nothing here: the window sorts by its own columns.
        if (was.ShowCommonWords == now.ShowCommonWords && was.ShowNumbers == now.ShowNumbers &&
            was.LowerCase == now.LowerCase && was.ActiveThreshold == now.ActiveThreshold &&
            was.ShowRelFreq == now.ShowRelFreq && was.Filter == now.Filter && was.Order == now.Order)
            return;
    }
    Fill();
}

void CountsController::Clear() {
    shownFor_.reset();
    if (!window_) return;
    window_->SetTable(nullptr);
    window_->SetNote(QString());
}

void CountsController::RowActivated(std::size_t row) {
    const auto* table = dynamic_cast<const DispersionTable*>(window_->Table());
    if (!table || row >= table->Rows() || context_.busy || !context_.showInContext) return;
    const std::int32_t rec = table->Record(row);
    context_.showInContext(std::string(context_.Run().Store().WordRecord(rec).Text()),
                           context_.Run().Store().Count(rec));
}

}  // namespace vornix
