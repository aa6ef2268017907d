#include "gui/ngrams/NGramsController.h"

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
#include "core/ngrams/NGrams.h"
#include "core/output/OutputWalk.h"
#include "gui/ngrams/NGramsWindow.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

// Lower than the keywords window, which opens beside the main window too.
constexpr int kBelowKeywords = 80;
const char* const kOrderKey = "NGramsN";
const char* const kThresholdKey = "NGramsThreshold";

QString Number(std::int64_t n) {
    return QString::fromStdString(GroupedNumber(n));
}

// The table with the count it reads, which must live as long as it does.
struct HeldTable {
    std::shared_ptr<const NGramSearch> search;
    NGramTable table;
    HeldTable(std::shared_ptr<const NGramSearch> s, const WordStore& store, const DisplayOptions& display)
        : search(std::move(s)), table(search->Counter(), store, display, NGramOrderOf(display.Order)) {}
};

}  // namespace

NGramsController::NGramsController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("NGramsController"));
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, &NGramsController::Poll);
    context_.OnMenuOpening("Display1", this, [this] {
        context_.Item("NGrams1")->setEnabled(context_.run && context_.Run().Store().WordCount() > 0);
    });
    context_.OnItem("NGrams1", this, [this] { NGrams1Click(); });
}

NGramsController::~NGramsController() {
    job_.reset();  // stops the thread and waits for it
}

bool NGramsController::EnsureWindow() {
    if (window_) return false;
    window_ = new NGramsWindow(context_.ui, &context_.window);
    SettingsFile& s = context_.settings;
    window_->OrderBox->setValue(s.IniNumber(kOrderKey, NGramCounter::MinOrder));
    window_->ThresholdBox->setValue(s.IniNumber(kThresholdKey, 2));
    connect(window_->OrderBox, &QSpinBox::valueChanged, this, [this](int n) {
        context_.settings.IniPutNumber(kOrderKey, n);
        Compute();
    });
    connect(window_->ThresholdBox, &QSpinBox::valueChanged, this, [this](int n) {
        context_.settings.IniPutNumber(kThresholdKey, n);
        Compute();
    });
    connect(window_, &AnalysisWindow::stopRequested, this, &NGramsController::Stop);
    connect(window_, &AnalysisWindow::rowActivated, this, &NGramsController::RowActivated);
    // Beside the main window, as the other analysis windows open, a little lower still.
    PlaceToolWindow(window_, &context_.window, kBelowKeywords);
    return true;
}

void NGramsController::NGrams1Click() {
    const bool created = EnsureWindow();
    TableLayout layout;
    layout.separator = SeparatorChar(context_.addDlg ? context_.addDlg->SepIndex() : 1);
    window_->SetLayout(layout);
    window_->show();
    if (created) PlaceToolWindow(window_, &context_.window, kBelowKeywords);
    window_->raise();
    window_->activateWindow();
    Compute();
}

void NGramsController::Compute() {
    if (!window_ || !context_.run || context_.busy) return;
    if (context_.Run().Store().WordCount() == 0) {
        Stop();
        window_->SetTable(nullptr);
        window_->SetNote(QStringLiteral("Open a document first: its n-grams are shown here."));
        return;
    }
    const int n = window_->OrderBox->value();
    if (kept_ && kept_->Counter().Order() == n) {
        ShowTable();
        return;
    }
    if (job_ && jobOrder_ == n) return;
    job_.reset();
    kept_.reset();
    shownFor_.reset();
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QStringLiteral("Counting the %1-grams...").arg(n));
    jobOrder_ = n;
    job_ = std::make_unique<BackgroundSearch<NGramSearch>>(std::make_unique<NGramSearch>(context_.Run(), n));
    poll_->start();
}

void NGramsController::Poll() {
    if (!job_) {
        poll_->stop();
        return;
    }
    if (!job_->Finished()) {
        window_->SetProgress(QStringLiteral("Counting the %1-grams... %2%").arg(jobOrder_).arg(job_->Percent()));
        return;
    }
    poll_->stop();
    std::unique_ptr<BackgroundSearch<NGramSearch>> job = std::move(job_);
    std::shared_ptr<NGramSearch> search = job->Take();
    window_->SetProgress(QString());
    if (!job->Error().empty()) {
        window_->SetNote(UiText(job->Error()));
        return;
    }
    if (!job->Complete()) {
        window_->SetNote(QStringLiteral("Stopped: the documents were not read to their end, so no n-grams are shown."));
        return;
    }
    kept_ = std::move(search);
    ShowTable();
}

void NGramsController::ShowTable() {
    if (!kept_ || context_.busy) return;
    DisplayOptions display = context_.displayOptions();
    display.ActiveThreshold = window_->ThresholdBox->value();
    const Shown now{kept_->Counter().Order(), display, context_.Run().State().CommonWords};
    if (shownFor_ && window_->Table()) {
        const Shown& was = *shownFor_;
        // The word filter changes only the word table.
        if (was.order == now.order && was.commonWords == now.commonWords &&
            was.display.ShowCommonWords == display.ShowCommonWords && was.display.ShowNumbers == display.ShowNumbers &&
            was.display.LowerCase == display.LowerCase && was.display.Order == display.Order &&
            was.display.ActiveThreshold == display.ActiveThreshold)
            return;
    }
    auto held = std::make_shared<HeldTable>(kept_, context_.Run().Store(), display);
    const std::size_t rows = held->table.Rows();
    window_->SetTable(std::shared_ptr<const AnalysisTable>(held, &held->table));
    if (rows > 0) window_->View->setCurrentIndex(window_->View->model()->index(0, 0));
    const NGramCounter& counter = kept_->Counter();
    QString note =
        QStringLiteral("%1 of %2 distinct %3-grams (%4 in all) at a count of %5 or more.")
            .arg(Number(static_cast<std::int64_t>(rows)), Number(static_cast<std::int64_t>(counter.Distinct())))
            .arg(counter.Order())
            .arg(Number(counter.Total()))
            .arg(display.ActiveThreshold);
    for (const std::string& problem : kept_->Problems()) note += QLatin1Char('\n') + UiText(problem);
    window_->SetNote(note);
    shownFor_ = now;
}

void NGramsController::ResultsRefilled() {
    if (!window_ || !window_->isVisible() || job_) return;
    // The table is filled at the end of a run, before the run lets go of the window.
    if (context_.busy) {
        QTimer::singleShot(0, this, &NGramsController::ResultsRefilled);
        return;
    }
    Compute();
}

void NGramsController::Clear() {
    Stop();
    kept_.reset();
    shownFor_.reset();
    if (!window_) return;
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QString());
}

void NGramsController::Stop() {
    if (!job_) return;
    poll_->stop();
    job_.reset();  // waits for the slice in hand
    if (!window_) return;
    window_->SetProgress(QString());
    window_->SetNote(QStringLiteral("Stopped: the documents were not read to their end, so no n-grams are shown."));
}

void NGramsController::RowActivated(std::size_t row) {
    const auto* table = dynamic_cast<const NGramTable*>(window_->Table());
    if (!table || !kept_ || row >= table->Rows() || context_.busy || !context_.showQueryInContext) return;
    const NGramCounter& counter = kept_->Counter();
    const std::size_t entry = table->Entry(row);
    ContextQuery query;
    QString shown;
    for (int k = 0; k < counter.Order(); ++k) {
        const WordRec rec = context_.Run().Store().WordRecord(counter.Records(entry)[k]);
        query.words.emplace_back(rec.Text());
        if (k > 0) shown += QLatin1Char(' ');
        shown += QString::fromUtf8(rec.text, rec.length);
    }
    context_.showQueryInContext(query, shown, counter.Count(entry));
}

}  // namespace vornix
