#include "gui/keywords/KeywordsController.h"

#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "core/display/ResultFilter.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/files/RecentDocuments.h"
#include "core/files/Settings.h"
#include "core/files/SettingsFolders.h"
#include "core/output/OutputWalk.h"
#include "gui/keywords/KeywordsWindow.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

const char* const kDocumentsKey = "KeywordsDocuments";
const char* const kTablesKey = "KeywordsTables";
const char* const kCutoffKey = "KeywordsP";
const char* const kNegativeKey = "KeywordsNegative";
const char* const kSortKey = "KeywordsSort";
const char* const kSmoothingKey = "KeywordsSmoothing";

constexpr int kBelowContext = 40;

QString Plural(std::size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2")
        .arg(QString::fromStdString(GroupedNumber(static_cast<std::int64_t>(n))))
        .arg(QLatin1String(n == 1 ? one : many));
}

QString CutoffText(double p) {
    return p >= 1 ? QStringLiteral("every word") : QStringLiteral("p < %1").arg(p);
}

}  // namespace

// One count of the reference on its own thread. The thread writes only the fields
// under the mutex and, last, done; the window's thread reads the rest after joining.
struct KeywordsController::Job {
    ReferenceSource source;
    std::vector<Stamp> stamps;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::string status, progress;
    std::optional<ReferenceResult> result;
    std::string error;
    std::thread thread;

    void Run() {
        ReferenceHooks hooks;
        hooks.status = [this](const std::string& text) {
            std::lock_guard lock(mutex);
            status = text;
            progress.clear();
        };
        hooks.progress = [this](const std::string& text) {
            std::lock_guard lock(mutex);
            progress = text;
        };
        hooks.stop = [this] { return stop.load(); };
        try {
            result = ReadReference(source, hooks);
        } catch (const FileError& e) {
            error = e.what();
        } catch (const std::exception& e) {
            error = std::string("The reference could not be read: ") + e.what();
        }
        done = true;
    }
};

KeywordsController::KeywordsController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("KeywordsController"));
    poll_ = new QTimer(this);
    poll_->setInterval(50);
    connect(poll_, &QTimer::timeout, this, &KeywordsController::Poll);
    context_.OnMenuOpening("Display1", this, [this] {
        context_.Item("Keywords1")->setEnabled(context_.run && context_.Run().Store().WordCount() > 0);
    });
    context_.OnItem("Keywords1", this, [this] { Keywords1Click(); });
}

KeywordsController::~KeywordsController() {
    // The main window's context and run may be gone by now: only the thread is waited for.
    if (job_) {
        job_->stop = true;
        job_->thread.join();
    }
}

bool KeywordsController::EnsureWindow() {
    if (window_) return false;
    window_ = new KeywordsWindow(context_.ui, &context_.window);
    // The last reference and choices, from the settings file.
    SettingsFile& s = context_.settings;
    documents_ = DecodeDocumentSet(s.IniSetting(kDocumentsKey));
    tables_ = DecodeDocumentSet(s.IniSetting(kTablesKey));
    const std::string p = s.IniSetting(kCutoffKey);
    for (int i = 0; i < window_->CutoffBox->count(); ++i)
        if (window_->CutoffBox->itemData(i).toDouble() == QString::fromStdString(p).toDouble())
            window_->CutoffBox->setCurrentIndex(i);
    window_->NegativeBox->setChecked(s.IniFlag(kNegativeKey));
    window_->SortBox->setCurrentIndex(std::clamp(s.IniNumber(kSortKey, 0), 0, window_->SortBox->count() - 1));
    // A missing or damaged value reads as 1; the box keeps it within its range.
    bool read = false;
    const double n = QString::fromStdString(s.IniSetting(kSmoothingKey)).toDouble(&read);
    window_->SmoothingBox->setValue(read && std::isfinite(n) ? n : 1.0);
    ShowReference();

    connect(window_->DocumentsButton, &QPushButton::clicked, this, [this] { Choose(false); });
    connect(window_->TablesButton, &QPushButton::clicked, this, [this] { Choose(true); });
    connect(window_->ClearButton, &QPushButton::clicked, this, &KeywordsController::ClearReference);
    connect(window_->CutoffBox, &QComboBox::currentIndexChanged, this, &KeywordsController::ChoiceChanged);
    connect(window_->SortBox, &QComboBox::currentIndexChanged, this, &KeywordsController::ChoiceChanged);
    connect(window_->NegativeBox, &QCheckBox::toggled, this, &KeywordsController::ChoiceChanged);
    connect(window_->SmoothingBox, &QDoubleSpinBox::valueChanged, this, &KeywordsController::ChoiceChanged);
    connect(window_, &AnalysisWindow::stopRequested, this, [this] { Stop(false); });
    connect(window_, &AnalysisWindow::rowActivated, this, &KeywordsController::RowActivated);

    // A little lower than the word in context window, which opens there too.
    PlaceToolWindow(window_, &context_.window, kBelowContext);
    return true;
}

void KeywordsController::Keywords1Click() {
    const bool created = EnsureWindow();
    TableLayout layout;
    layout.separator = SeparatorChar(context_.addDlg ? context_.addDlg->SepIndex() : 1);
    window_->SetLayout(layout);
    window_->show();
    if (created) PlaceToolWindow(window_, &context_.window, kBelowContext);
    window_->raise();
    window_->activateWindow();
    Compute();
}

void KeywordsController::Choose(bool tables) {
    OpenFilesRequest request;
    request.title = tables ? QStringLiteral("Reference word-frequency tables") : QStringLiteral("Reference documents");
    std::vector<std::string>& chosen = tables ? tables_ : documents_;
    if (!chosen.empty()) request.folder = UiText(FolderOfPath(chosen.front()));
    request.filter = tables ? QStringLiteral("Tables (*.txt *.csv *.tsv *.json);;All files (*)")
                            : QStringLiteral("Text files (*.txt);;All files (*)");
    const QStringList files = context_.ui.OpenFiles(window_, request);
    if (files.isEmpty()) return;
    chosen.clear();
    for (const QString& file : files) chosen.push_back(Path(file));
    context_.settings.IniPut(tables ? kTablesKey : kDocumentsKey, EncodeDocumentSet(chosen));
    ShowReference();
    Compute();
}

void KeywordsController::ClearReference() {
    documents_.clear();
    tables_.clear();
    context_.settings.IniPut(kDocumentsKey, std::string());
    context_.settings.IniPut(kTablesKey, std::string());
    Stop(true);
    ShowReference();
    Compute();
}

void KeywordsController::ChoiceChanged() {
    SettingsFile& s = context_.settings;
    s.IniPut(kCutoffKey, QString::number(window_->CutoffBox->currentData().toDouble()).toStdString());
    s.IniPutFlag(kNegativeKey, window_->NegativeBox->isChecked());
    s.IniPutNumber(kSortKey, window_->SortBox->currentIndex());
    s.IniPut(kSmoothingKey, QString::number(window_->SmoothingBox->value()).toStdString());
    Compute();
}

void KeywordsController::ShowReference() {
    QStringList parts, paths;
    if (!documents_.empty()) parts << Plural(documents_.size(), "document", "documents");
    if (!tables_.empty()) parts << Plural(tables_.size(), "table", "tables");
    for (const auto* list : {&documents_, &tables_})
        for (const std::string& path : *list) paths << UiText(path);
    QString text = QStringLiteral("Reference: ");
    if (parts.isEmpty())
        text += QStringLiteral("none");
    else if (paths.size() == 1)
        text += QFileInfo(paths.front()).fileName();
    else
        text += parts.join(QStringLiteral(" and "));
    window_->ReferenceLabel->setText(text);
    window_->ReferenceLabel->setToolTip(paths.join(QLatin1Char('\n')));
    window_->ClearButton->setEnabled(!parts.isEmpty());
}

KeywordOptions KeywordsController::Options() const {
    KeywordOptions o;
    o.cutoff = window_->CutoffBox->currentData().toDouble();
    o.negative = window_->NegativeBox->isChecked();
    o.sortBy = static_cast<KeywordSort>(window_->SortBox->currentData().toInt());
    o.smoothing = window_->SmoothingBox->value();
    return o;
}

ReferenceSource KeywordsController::Source() const {
    ReferenceSource s;
    s.documents = documents_;
    s.tables = tables_;
    s.charset = rulesKnown_ ? charset_ : context_.RunCharacterSet();
    s.commonList = rulesKnown_ ? commonList_ : context_.listToRead();
    s.encoding = rulesKnown_ ? encoding_ : context_.RunEncoding();
    s.stripPossessives = rulesKnown_ ? strip_ : context_.StripPossessives();
    // Counted by the choice the text's words were counted by, whatever the setting is now.
    s.allScripts = context_.Run().AllScripts();
    s.recordPath = context_.Run().Store().WordFilePath() + ".ref";
    return s;
}

std::vector<KeywordsController::Stamp> KeywordsController::Stamps(const ReferenceSource& source) const {
    std::vector<Stamp> stamps;
    for (const auto* list : {&source.documents, &source.tables})
        for (const std::string& path : *list) {
            struct stat st {};
            Stamp stamp;
            if (::stat(path.c_str(), &st) == 0)
                stamp = {static_cast<std::int64_t>(st.st_size),
                         static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
            stamps.push_back(stamp);
        }
    return stamps;
}

void KeywordsController::Compute() {
    if (!window_ || !context_.run || context_.busy) return;
    shownFor_.reset();
    if (context_.Run().Store().WordCount() == 0) {
        Stop(true);
        window_->SetTable(nullptr);
        window_->SetNote(QStringLiteral("Open a document first: its keywords are shown here."));
        return;
    }
    if (documents_.empty() && tables_.empty()) {
        window_->SetTable(nullptr);
        window_->SetNote(
            QStringLiteral("Choose the reference to compare the text with: documents (counted as the text was) "
                           "or word-frequency tables."));
        return;
    }
    const ReferenceSource source = Source();
    const std::vector<Stamp> stamps = Stamps(source);
    if (kept_ && kept_->source == source && kept_->stamps == stamps) {
        ShowKeywords();
        return;
    }
    if (job_) {
        if (job_->source == source && job_->stamps == stamps) {
            showWhenCounted_ = true;
            return;
        }
        Stop(true);
    }
    kept_.reset();
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QStringLiteral("Reading the reference..."));
    job_ = std::make_unique<Job>();
    job_->source = source;
    job_->stamps = stamps;
    Job* job = job_.get();
    job_->thread = std::thread([job] { job->Run(); });
    showWhenCounted_ = true;
    poll_->start();
}

void KeywordsController::Poll() {
    if (!job_) {
        poll_->stop();
        return;
    }
    if (!job_->done) {
        std::lock_guard lock(job_->mutex);
        QString text = UiText(job_->status);
        if (!job_->progress.empty())
            text += (text.isEmpty() ? QString() : QStringLiteral("  ")) + UiText(job_->progress);
        if (!text.isEmpty()) window_->SetProgress(text);
        return;
    }
    poll_->stop();
    job_->thread.join();
    std::unique_ptr<Job> job = std::move(job_);
    window_->SetProgress(QString());
    if (!job->error.empty()) {
        window_->SetNote(UiText(job->error));
        return;
    }
    if (job->result->stopped) {
        window_->SetNote(QStringLiteral("Stopped: the reference was not read to its end, so no keywords are shown."));
        return;
    }
    kept_ = Kept{job->source, job->stamps, std::move(*job->result)};
    if (showWhenCounted_) ShowKeywords();
}

void KeywordsController::ShowKeywords() {
    if (!kept_ || context_.busy) return;
    AnalysisRun& run = context_.Run();
    const DisplayOptions display = context_.displayOptions();
    const KeywordOptions options = Options();
    const ReferenceCounts& reference = kept_->result.counts;
    auto table = std::make_shared<KeywordTable>(
        ComputeKeywords(run.Store(), run.State().TotalWords, reference, display, options));
    const std::size_t rows = table->Rows();
    window_->SetTable(std::move(table));
    if (rows > 0) window_->View->setCurrentIndex(window_->View->model()->index(0, 0));
    QString note;
    if (reference.Empty()) {
        note = QStringLiteral("The reference holds no words.");
    } else {
        note = QStringLiteral("%1 at %2 against %3 of the reference (the text: %4).")
                   .arg(Plural(rows, "keyword", "keywords"), CutoffText(options.cutoff),
                        Plural(static_cast<std::size_t>(reference.Total()), "word", "words"),
                        Plural(static_cast<std::size_t>(run.State().TotalWords), "word", "words"));
        if (kept_->result.limitReached)
            note += QStringLiteral(
                " The reference documents reached the limit of distinct words: the words after it "
                "were not counted.");
    }
    window_->SetNote(note);
    shownFor_ = Shown{runNumber_, display, run.State().CommonWords};
}

void KeywordsController::ResultsRefilled() {
    if (!window_ || !window_->isVisible() || job_) return;
    // The table is filled at the end of a run, before the run lets go of the window.
    if (context_.busy) {
        QTimer::singleShot(0, this, &KeywordsController::ResultsRefilled);
        return;
    }
    const DisplayOptions now = context_.displayOptions();
    if (shownFor_ && shownFor_->run == runNumber_ && shownFor_->commonWords == context_.Run().State().CommonWords) {
        const DisplayOptions& was = shownFor_->display;
        // The filter box and the order change only the word table.
        if (was.ShowCommonWords == now.ShowCommonWords && was.ShowNumbers == now.ShowNumbers &&
            was.LowerCase == now.LowerCase && was.ActiveThreshold == now.ActiveThreshold)
            return;
    }
    Compute();
}

void KeywordsController::Clear() {
    Stop(true);
    ++runNumber_;
    shownFor_.reset();
    charset_ = context_.RunCharacterSet();
    commonList_ = context_.listToRead();
    encoding_ = context_.RunEncoding();
    strip_ = context_.StripPossessives();
    rulesKnown_ = true;
    if (!window_) return;
    window_->SetTable(nullptr);
    window_->SetNote(QString());
    window_->SetProgress(QString());
}

void KeywordsController::Stop(bool wait) {
    if (!job_) return;
    job_->stop = true;
    if (!wait) return;
    poll_->stop();
    if (job_->thread.joinable()) job_->thread.join();
    job_.reset();
    if (window_) window_->SetProgress(QString());
}

void KeywordsController::RowActivated(std::size_t row) {
    const auto* table = dynamic_cast<const KeywordTable*>(window_->Table());
    if (!table || row >= table->Rows() || context_.busy) return;
    const KeywordRow& r = table->Row(row);
    if (r.count == 0) {
        window_->SetNote(QStringLiteral("%1 does not occur in the text, only in the reference.")
                             .arg(QString::fromUtf8(r.word.data(), static_cast<int>(r.word.size()))));
        return;
    }
    if (context_.showInContext) context_.showInContext(r.stored, static_cast<std::int32_t>(r.count));
}

}  // namespace vornix
