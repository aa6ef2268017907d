#include "gui/collocates/CollocatesController.h"

#include <QAction>
#include <QLocale>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <algorithm>

#include "core/display/ResultFilter.h"
#include "core/engine/AnalysisRun.h"
#include "core/files/Settings.h"
#include "core/output/OutputWalk.h"
#include "gui/collocates/CollocatesWindow.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

// Lower than the n-grams window, which opens beside the main window too.
constexpr int kBelowNGrams = 120;
const char* const kLeftKey = "CollocatesLeft";
const char* const kRightKey = "CollocatesRight";
const QString kStopped =
    QStringLiteral("Stopped: the documents were not read to their end, so no collocates are shown.");

QString Latin1(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

CollocatesController::CollocatesController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("CollocatesController"));
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, &CollocatesController::Poll);
    // The pop-up menu's opening handler names the row's record in the item.
    context_.OnItem("Collocates1", this, [this] {
        const int rec = context_.Item("Collocates1")->data().toInt();
        if (rec >= 0) Show(rec);
    });
}

CollocatesController::~CollocatesController() {
    job_.reset();  // stops the thread and waits for it
}

bool CollocatesController::EnsureWindow() {
    if (window_) return false;
    window_ = new CollocatesWindow(context_.ui, &context_.window);
    SettingsFile& s = context_.settings;
    window_->LeftBox->setValue(std::clamp(s.IniNumber(kLeftKey, 5), 0, CollocateSpan::Max));
    window_->RightBox->setValue(std::clamp(s.IniNumber(kRightKey, 5), 0, CollocateSpan::Max));
    for (QSpinBox* box : {window_->LeftBox, window_->RightBox})
        connect(box, &QSpinBox::valueChanged, this, [this, box](int n) {
            context_.settings.IniPutNumber(box == window_->LeftBox ? kLeftKey : kRightKey, n);
            Compute();
        });
    connect(window_, &AnalysisWindow::stopRequested, this, &CollocatesController::Stop);
    connect(window_, &AnalysisWindow::rowActivated, this, &CollocatesController::RowActivated);
    PlaceToolWindow(window_, &context_.window, kBelowNGrams);
    return true;
}

void CollocatesController::Show(std::int32_t node) {
    if (!context_.run || context_.busy || node < 0 || node >= context_.Run().Store().WordCount()) return;
    const bool created = EnsureWindow();
    job_.reset();
    poll_->stop();
    kept_.reset();
    node_ = node;
    nodeWord_ = std::string(context_.Run().Store().WordRecord(node).Text());
    window_->setWindowTitle(ToolWindowTitle(QStringLiteral("Collocates of %1").arg(Latin1(nodeWord_))));
    TableLayout layout;
    layout.separator = SeparatorChar(context_.addDlg ? context_.addDlg->SepIndex() : 1);
    window_->SetLayout(layout);
    window_->show();
    if (created) PlaceToolWindow(window_, &context_.window, kBelowNGrams);
    window_->raise();
    window_->activateWindow();
    Compute();
}

CollocateSpan CollocatesController::Span() const {
    return {window_->LeftBox->value(), window_->RightBox->value()};
}

void CollocatesController::Compute() {
    if (!window_ || !context_.run || context_.busy) return;
    if (node_ < 0) {
        window_->SetTable(nullptr);
        window_->SetNote(
            QStringLiteral("Choose a word in the table and \"Collocates of\" it on the table's pop-up menu."));
        return;
    }
    const CollocateSpan span = Span();
    if (!span.Valid()) {
        job_.reset();
        poll_->stop();
        window_->SetProgress(QString());
        window_->SetTable(nullptr);
        window_->SetNote(QStringLiteral("The span needs at least one word on the left or on the right."));
        return;
    }
    if (kept_ && kept_->Span().left == span.left && kept_->Span().right == span.right) {
        ShowTable();
        return;
    }
    job_.reset();
    kept_.reset();
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QStringLiteral("Finding the collocates of %1...").arg(Latin1(nodeWord_)));
    job_ = std::make_unique<BackgroundSearch<CollocateSearch>>(
        std::make_unique<CollocateSearch>(context_.Run(), node_, span));
    poll_->start();
}

void CollocatesController::Poll() {
    if (!job_) {
        poll_->stop();
        return;
    }
    if (!job_->Finished()) {
        window_->SetProgress(
            QStringLiteral("Finding the collocates of %1... %2%").arg(Latin1(nodeWord_)).arg(job_->Percent()));
        return;
    }
    poll_->stop();
    std::unique_ptr<BackgroundSearch<CollocateSearch>> job = std::move(job_);
    std::unique_ptr<CollocateSearch> search = job->Take();
    window_->SetProgress(QString());
    if (!job->Error().empty()) {
        window_->SetNote(UiText(job->Error()));
        return;
    }
    if (!job->Complete()) {
        window_->SetNote(kStopped);
        return;
    }
    kept_ = std::move(search);
    ShowTable();
}

void CollocatesController::ShowTable() {
    if (!kept_ || context_.busy) return;
    const AnalysisRun& run = context_.Run();
    const DisplayOptions display = context_.displayOptions();
    auto table = std::make_shared<CollocateTable>(*kept_, run.Store(), run.State().TotalWords, display,
                                                  CollocateSort::Frequency);
    const std::size_t rows = table->Rows();
    window_->SetTable(std::move(table));
    if (rows > 0) window_->View->setCurrentIndex(window_->View->model()->index(0, 0));
    QString note = QStringLiteral(
                       "%1 %2 of %3 (%4 occurrences) within %5 words on the left and %6 on the right, "
                       "O at least %7.")
                       .arg(QString::fromStdString(GroupedNumber(static_cast<std::int64_t>(rows))),
                            rows == 1 ? QStringLiteral("collocate") : QStringLiteral("collocates"), Latin1(nodeWord_),
                            QString::fromStdString(GroupedNumber(kept_->NodeFound())))
                       .arg(kept_->Span().left)
                       .arg(kept_->Span().right)
                       .arg(display.ActiveThreshold);
    for (const std::string& problem : kept_->Problems()) note += QLatin1Char('\n') + UiText(problem);
    window_->SetNote(note);
}

void CollocatesController::ResultsRefilled() {
    if (!window_ || !window_->isVisible() || job_ || !kept_) return;
    if (context_.busy) {
        QTimer::singleShot(0, this, &CollocatesController::ResultsRefilled);
        return;
    }
    ShowTable();
}

void CollocatesController::Clear() {
    job_.reset();
    poll_->stop();
    kept_.reset();
    node_ = -1;
    nodeWord_.clear();
    if (!window_) return;
    window_->setWindowTitle(ToolWindowTitle(QStringLiteral("Collocates")));
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QString());
}

void CollocatesController::Stop() {
    if (!job_) return;
    poll_->stop();
    job_.reset();  // waits for the slice in hand
    if (!window_) return;
    window_->SetProgress(QString());
    window_->SetNote(kStopped);
}

void CollocatesController::RowActivated(std::size_t row) {
    const auto* table = dynamic_cast<const CollocateTable*>(window_->Table());
    if (!table || !kept_ || row >= table->Rows() || context_.busy || !context_.showQueryInContext) return;
    const std::string collocate(context_.Run().Store().WordRecord(table->Row(row).record).Text());
    const CollocateSpan span = kept_->Span();
    context_.showQueryInContext(ContextQuery::Near(nodeWord_, collocate, span.left, span.right),
                                QStringLiteral("%1 with %2 (%3 left, %4 right)")
                                    .arg(Latin1(nodeWord_), Latin1(collocate))
                                    .arg(span.left)
                                    .arg(span.right),
                                0);
}

}  // namespace vornix
