#include "gui/shell/VornixMain.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QShortcut>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "core/dispersion/RunDispersion.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/engine/WordFileName.h"
#include "core/files/AtomicFile.h"
#include "core/files/Settings.h"
#include "core/files/SettingsFolders.h"
#include "gui/collocates/CollocatesController.h"
#include "gui/commonlist/CommonListController.h"
#include "gui/dispersion/CountsController.h"
#include "gui/display/ResultController.h"
#include "gui/input/DocumentController.h"
#include "gui/keywords/KeywordsController.h"
#include "gui/ngrams/NGramsController.h"
#include "gui/output/OutputController.h"
#include "gui/shell/HelpController.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

const QColor kIdleGreen(0, 128, 0);

// The status line: a text longer than the window ends in "…" instead of losing its
// beginning and end at both edges. The whole text stays in text() and the tooltip.
class StatusLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, static_cast<int>(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

// The self-pipe of the termination signals: the handler only writes the signal's
// number, the window reads it in its event loop and closes there.
int gSignalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &number, 1);
    errno = saved;
}

}  // namespace

TVornixMain::TVornixMain(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments)
    : context_(std::make_unique<WindowContext>(*this, ui, settings)) {
    setObjectName(QStringLiteral("VornixMain"));
    setWindowTitle(QStringLiteral("Vornix"));
    BuildMenus();
    BuildWidgets();
    Wire();
    // The designed placement, with a client area of 504 by 289 below the menu bar.
    move(318, 210);
    resize(504, 289 + menuBar()->sizeHint().height());
    setAcceptDrops(true);
    handOverRetry_ = new QTimer(this);
    handOverRetry_->setSingleShot(true);
    handOverRetry_->setInterval(300);
    connect(handOverRetry_, &QTimer::timeout, this, &TVornixMain::TakeHandedOver);
    FormCreate(arguments);
    qApp->installEventFilter(this);
}

TVornixMain::~TVornixMain() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TVornixMain::AttachWindows(TVornixStats* stats, TAddDlg* addDlg, TVornixSearch* search) {
    context_->addDlg = addDlg;
    results_->AttachWindows(stats, search);
}

bool TVornixMain::Busy() const {
    return context_->busy;
}
AnalysisRun& TVornixMain::Run() {
    return *run_;
}
const QString& TVornixMain::DefaultCommonList() const {
    return commonList_->DefaultCommonList();
}
const QString& TVornixMain::CurrentCommonList() const {
    return commonList_->CurrentCommonList();
}
const QString& TVornixMain::OpenDir() const {
    return documents_->OpenDir();
}
const QString& TVornixMain::SavePath() const {
    return output_->SavePath();
}
std::int32_t TVornixMain::ActiveThreshold() const {
    return results_->ActiveThreshold();
}

bool TVornixMain::CatchTerminationSignals() {
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
    return true;
}

void TVornixMain::WatchTerminationSignals() {
    if (gSignalPipe[0] < 0 && !CatchTerminationSignals()) return;
    // A signal caught while the windows were being made waits in the pipe until now.
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char numbers[64];
        while (::read(gSignalPipe[0], numbers, sizeof numbers) > 0) {
        }
        CloseOnSignal();
    });
}

void TVornixMain::CloseOnSignal() {
    // As the close box, without questions: a logout does not wait for answers. Open
    // dialogs are refused, a running count stops as after Break -> Yes and the window
    // closes when it has (see EnableDodgyOptions).
    closeRequested_ = true;
    for (int nested = 0; nested < 8; ++nested) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) break;
        dialog->reject();
    }
    if (context_->busy) run_->State().BreakRequested = true;
    QTimer::singleShot(0, this, [this] {
        if (!context_->busy) close();
    });
}

void TVornixMain::ShowHelp(const QString& topic) {
    help_->ShowHelp(topic);
}

// Drops are refused during a run and in the list editor; the cursor shows it.
void TVornixMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!commonList_->EditorOpen() && documents_->Drop(event->mimeData(), false)) event->acceptProposedAction();
}

void TVornixMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!commonList_->EditorOpen() && documents_->Drop(event->mimeData(), false)) event->acceptProposedAction();
}

void TVornixMain::dropEvent(QDropEvent* event) {
    if (commonList_->EditorOpen() || !documents_->Drop(event->mimeData(), false)) return;
    event->acceptProposedAction();
    documents_->Drop(event->mimeData(), true);
}

QStringList DocumentsNamedAtStart(const std::vector<std::string>& arguments) {
    QStringList files;
    for (const std::string& argument : arguments)
        if (argument.rfind("id=", 0) != 0) files << QFileInfo(UiText(argument)).absoluteFilePath();
    return files;
}

void TVornixMain::OpenDocuments(const QStringList& files) {
    documents_->OpenDocuments(files);
}

QString TVornixMain::AnalyseWhenIdle(const QStringList& files) {
    if (closeRequested_ || destroyed_) return QStringLiteral("it is closing");
    if (files.isEmpty()) return {};
    handedOver_.push_back(files);
    // Never from inside the caller: it answers the later start first, and a run takes
    // long.
    QTimer::singleShot(0, this, &TVornixMain::TakeHandedOver);
    return {};
}

void TVornixMain::TakeHandedOver() {
    // A run calls again when it ends (EnableDodgyOptions).
    if (handedOver_.empty() || closeRequested_ || context_->busy) return;
    // Opening would close the list editor without saving it; a dialog is the user's
    // business first.
    const bool editor = commonList_->EditorOpen();
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || editor) {
        // A menu closes by itself in a moment: only the editor and dialogs are named.
        if (editor || QApplication::activeModalWidget()) {
            HandOverNote->setText(editor ? QStringLiteral("Documents are waiting to be analysed: close the list editor")
                                         : QStringLiteral("Documents are waiting to be analysed: close the dialog"));
            HandOverNote->show();
        }
        handOverRetry_->start();
        return;
    }
    HandOverNote->hide();
    const QStringList files = handedOver_.front();
    handedOver_.pop_front();
    documents_->OpenDocuments(files);
    if (!handedOver_.empty()) QTimer::singleShot(0, this, &TVornixMain::TakeHandedOver);
}

void TVornixMain::FormCreate(const std::vector<std::string>& arguments) {
    SettingsFile& settings_ = context_->settings;
    auto item = [this](const char* name) { return context_->Item(name); };
    settings_.SetWarningCallback([this](const std::string& text) { context_->ui.Warning(this, UiText(text)); });
    const bool found = settings_.IniSetup("Vornix.ini", arguments, SettingsEnvironment::FromProcess());
    if (!settings_.SetupError().empty()) context_->ui.Error(this, UiText(settings_.SetupError()));
    if (found) {
        item("ReadCommonWordList1")->setChecked(settings_.IniFlag("ReadCommon"));
        item("ShowCommonWords1")->setChecked(settings_.IniFlag("ShowCommon"));
        item("ShowNumbers1")->setChecked(settings_.IniFlag("ShowNum"));
        item("FrequencyList1")->setChecked(settings_.IniFlag("FreqOrder"));
        item("AlphabeticalList1")->setChecked(settings_.IniFlag("AlphaOrder"));
        item("WordLengthList1")->setChecked(settings_.IniFlag("LengthOrder"));
        item("LowerCase1")->setChecked(settings_.IniFlag("LowerCase"));
        item("ShowRelFreq1")->setChecked(settings_.IniExists(ShowRelFreqKey) && settings_.IniFlag(ShowRelFreqKey));
        item("ShowDispersion1")
            ->setChecked(settings_.IniExists(ShowDispersionKey) && settings_.IniFlag(ShowDispersionKey));
        auto folder = [&](const char* key) {
            const std::string value = settings_.IniExists(key) ? settings_.IniSetting(key) : std::string();
            const QString text = value.empty() ? DocumentsFolder() : UiText(value);
            return text.isEmpty() ? text : UiText(StartingFolder(Path(text)));
        };
        documents_->SetOpenDir(folder("OpenDir"));
        output_->SetSavePath(folder("SavePath"));
        RestoreWindow(settings_, QStringLiteral("Main"), this);
    }
    // Exactly one order is checked and the tab names it, also when a settings file
    // checks several or none: the one kept is the order the table, the saved file and
    // the copy use (the first checked of frequency, alphabetical, word length).
    const ResultOrder order =
        OrderFromChecks(item("FrequencyList1")->isChecked(), item("AlphabeticalList1")->isChecked(),
                        item("WordLengthList1")->isChecked());
    item("FrequencyList1")->setChecked(order == ResultOrder::Frequency);
    item("AlphabeticalList1")->setChecked(order == ResultOrder::Alphabetical);
    item("WordLengthList1")->setChecked(order == ResultOrder::WordLength);
    results_->SetTab(order == ResultOrder::Alphabetical ? 0 : order == ResultOrder::Frequency ? 1 : 2);

    const std::string settingsFolder = settings_.SettingsFolder();
    commonList_->SetDefaultCommonList(UiText(settingsFolder + "Vornix.dat"));
    const QString defaultCommonList = commonList_->DefaultCommonList();
    if (!PathExists(Path(defaultCommonList))) {
        // The master copy beside the program, else the installed one.
        bool provided = false;
        const std::string program = settings_.ProgramFolder();
        for (const std::string& master : {program + "Vornix.dat", program + "../share/vornix/Vornix.dat"}) {
            if (program.empty() || !PathExists(master)) continue;
            try {
                WriteFileAtomically(Path(defaultCommonList), ReadWholeFile(master), false);
                provided = true;
            } catch (const FileError&) {
                // A failed copy counts as no copy: the item is disabled below.
            }
            break;
        }
        if (!provided) {
            item("ReadCommonWordList1")->setChecked(false);
            item("ReadCommonWordList1")->setEnabled(false);
        }
    }
    item("ShowCommonWords1")->setEnabled(item("ReadCommonWordList1")->isChecked());
    item("EditCommonWordList1")->setEnabled(item("ReadCommonWordList1")->isChecked());

    FormResize();
    // The record file lives beside the settings; when that folder cannot be written
    // (it could not be created, or is read-only) runs still work from the temporary
    // folder instead of failing one by one.
    std::string recordFolder = settingsFolder;
    if (recordFolder.empty() || ::access(recordFolder.c_str(), W_OK | X_OK) != 0)
        recordFolder = Path(QDir::tempPath()) + "/";
    RemoveStaleWordFiles(recordFolder);
    run_ = std::make_unique<AnalysisRun>(WordFilePathFor(recordFolder, QCoreApplication::applicationPid()));
    context_->run = run_.get();
    dispersion_ = std::make_unique<RunDispersion>();
    context_->dispersion = dispersion_.get();
    // A pipe or device handed over, dropped or chosen must not freeze the window.
    run_->SetRegularFilesOnly(true);
    documents_->AttachRunHooks();
    run_->Hooks().confirmStop = [this] {
        if (closeRequested_) return true;
        QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
        const bool stop = context_->ui.Confirm(this, QStringLiteral("Stop processing now?"));
        if (!stop) QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        return stop;
    };
    context_->EventsRan();
}

void TVornixMain::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    SettingsFile& settings_ = context_->settings;
    auto item = [this](const char* name) { return context_->Item(name); };
    // After a termination signal nobody may be there to answer a box (a logout): the
    // failure goes to standard error and the program ends.
    auto report = [this](const char* what) {
        if (closeRequested_)
            std::fprintf(stderr, "vornix: %s\n", what);
        else
            context_->ui.Error(nullptr, UiText(what));
    };
    if (closeRequested_)
        settings_.SetWarningCallback(
            [](const std::string& text) { std::fprintf(stderr, "vornix: %s\n", text.c_str()); });
    // The threads that read the run stop before it goes.
    if (ngrams_) ngrams_->Clear();
    if (collocates_) collocates_->Clear();
    // The record file goes with the run. A failure to delete it is reported, and the
    // settings are still written: the user's choices have nothing to do with it.
    try {
        run_->Store().DeleteWordFile();
    } catch (const FileError& e) {
        report(e.what());
    }
    if (!OpenDir().isEmpty()) settings_.IniPut("OpenDir", Path(OpenDir()));
    if (!SavePath().isEmpty()) settings_.IniPut("SavePath", Path(SavePath()));
    if (!commonList_->CustomDatName().isEmpty()) settings_.IniPut("CustomDat", Path(commonList_->CustomDatName()));
    settings_.IniPutFlag("ReadCommon", item("ReadCommonWordList1")->isChecked());
    settings_.IniPutFlag("ShowCommon", item("ShowCommonWords1")->isChecked());
    settings_.IniPutFlag("ShowNum", item("ShowNumbers1")->isChecked());
    settings_.IniPutFlag("FreqOrder", item("FrequencyList1")->isChecked());
    settings_.IniPutFlag("AlphaOrder", item("AlphabeticalList1")->isChecked());
    settings_.IniPutFlag("LengthOrder", item("WordLengthList1")->isChecked());
    settings_.IniPutFlag("LowerCase", item("LowerCase1")->isChecked());
    SaveWindow(settings_, QStringLiteral("Main"), this);
    // After the older keys, so that their lines stay where earlier files had them.
    settings_.IniPutFlag(ShowRelFreqKey, item("ShowRelFreq1")->isChecked());
    settings_.IniPutFlag(ShowDispersionKey, item("ShowDispersion1")->isChecked());
    documents_->SaveRecent();
    try {
        settings_.IniSave();
    } catch (const FileError& e) {
        report(e.what());
    }
}

void TVornixMain::BuildWidgets() {
    central_ = new QWidget(this);
    central_->setObjectName(QStringLiteral("Client"));
    central_->setAutoFillBackground(true);
    setCentralWidget(central_);
    auto* layout = new QVBoxLayout(central_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Each controller puts its widgets in place, top to bottom.
    documents_ = new DocumentController(*context_, central_);
    results_ = new ResultController(*context_, central_);
    commonList_ = new CommonListController(*context_, central_);
    output_ = new OutputController(*context_);
    help_ = new HelpController(*context_);
    keywords_ = new KeywordsController(*context_);
    ngrams_ = new NGramsController(*context_);
    collocates_ = new CollocatesController(*context_);
    counts_ = new CountsController(*context_);

    layout->addStretch(0);

    HandOverNote = new QLabel(central_);
    HandOverNote->setObjectName(QStringLiteral("HandOverNote"));
    HandOverNote->setAlignment(Qt::AlignCenter);
    HandOverNote->setWordWrap(true);
    HandOverNote->setAutoFillBackground(true);
    HandOverNote->setBackgroundRole(QPalette::ToolTipBase);
    HandOverNote->setForegroundRole(QPalette::ToolTipText);
    HandOverNote->setContentsMargins(6, 3, 6, 3);
    HandOverNote->hide();
    layout->addWidget(HandOverNote);

    StatusPanel = new QFrame(central_);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    StatusPanel->setFixedHeight(29);
    StatusPanel->setAutoFillBackground(true);
    StatusPanel->setBackgroundRole(QPalette::Button);
    auto* panelLayout = new QHBoxLayout(StatusPanel);
    panelLayout->setContentsMargins(6, 0, 6, 0);
    StatusBar = new StatusLabel(StatusPanel);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setAlignment(Qt::AlignCenter);
    // The summary never widens the window: a long one is cut short and shown whole in
    // the tooltip.
    StatusBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panelLayout->addWidget(StatusBar, 1);
    panelLayout->addWidget(results_->MakeStatusNote(StatusPanel));
    commonList_->AddButtons(StatusPanel);
    layout->addWidget(StatusPanel);

    documents_->AddOpenButton(central_);

    SetResultsView(false);
}

void TVornixMain::Wire() {
    WindowContext& c = *context_;
    c.statusLine = [this](const QString& text) {
        StatusBar->setText(text);
        StatusBar->setToolTip(text);
        emit StatusShown(text);
    };
    c.setResultsView = [this](bool shown) { SetResultsView(shown); };
    c.formResize = [this] { FormResize(); };
    c.displayResults = [this] { results_->DisplayResults(); };
    c.recordStats = [this] { results_->RecordStats(); };
    c.enableDodgyOptions = [this](bool enable) { EnableDodgyOptions(enable); };
    c.displayOptions = [this] { return results_->CurrentDisplayOptions(); };
    c.editorMayGo = [this] { return commonList_->EditorMayGo(); };
    c.leaveEditor = [this] { commonList_->LeaveEditor(); };
    c.clearForRun = [this] {
        commonList_->ClearEditor();
        results_->ClearResults();
        keywords_->Clear();
        ngrams_->Clear();
        collocates_->Clear();
        counts_->Clear();
    };
    c.listToRead = [this] { return commonList_->ListToRead(); };
    c.currentCommonList = [this] { return commonList_->CurrentCommonList(); };
    c.showHelp = [this](const QString& topic) { help_->ShowHelp(topic); };
    c.resultsRefilled = [this] {
        keywords_->ResultsRefilled();
        ngrams_->ResultsRefilled();
        collocates_->ResultsRefilled();
        counts_->ResultsRefilled();
    };
    c.dispersionReady = [this] { return results_->DispersionReady(); };
    c.showInContext = [this](const std::string& stored, std::int32_t count) {
        results_->ShowWordInContext(stored, count);
    };
    c.showQueryInContext = [this](const ContextQuery& query, const QString& shown, std::int32_t count) {
        results_->ShowQueryInContext(query, shown, count);
    };
}

void TVornixMain::SetResultsView(bool shown) {
    results_->ShowResults(shown);
    QPalette palette = central_->palette();
    palette.setColor(QPalette::Window, shown ? QApplication::palette().color(QPalette::Button) : kIdleGreen);
    central_->setPalette(palette);
    documents_->ShowOpenButton(!shown && !commonList_->EditorOpen());
}

void TVornixMain::EnableDodgyOptions(bool enable) {
    for (const char* name : {"File1", "Edit1", "Display1", "Options1"})
        context_->Menu(name)->menuAction()->setVisible(enable);
    results_->SetEnabledForRun(enable);
    if (enable == !context_->busy) return;
    if (enable)
        QGuiApplication::restoreOverrideCursor();
    else
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    context_->Item("Break1")->setVisible(!enable);
    documents_->SetOpenButtonEnabled(enable);
    results_->SetTabsEnabled(enable);
    context_->busy = !enable;
    if (enable && closeRequested_) QTimer::singleShot(0, this, [this] { close(); });
    if (enable && !handedOver_.empty()) QTimer::singleShot(0, this, &TVornixMain::TakeHandedOver);
}

void TVornixMain::FormResize() {
    if (!central_ || !StatusPanel) return;
    const int cw = central_->width();
    const int ch = central_->height();
    results_->Layout(cw);
    documents_->Layout(cw, ch, StatusPanel->height());
    commonList_->Layout(cw, StatusPanel->height());
}

bool TVornixMain::FormKeyDown(int key) {
    if (results_->ResultsShown()) return results_->FormKeyDown(key);
    return documents_->FormKeyDown(key);
}

bool TVornixMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && watched->isWidgetType()) {
        // The window sees every key before the control it is meant for. A key it does
        // not take passes on (and may be offered again on its way up, which changes
        // nothing).
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this && !QApplication::activeModalWidget() &&
            FormKeyDown(static_cast<QKeyEvent*>(event)->key()))
            return true;
    } else if (documents_->FilterEvent(watched, event) || results_->FilterEvent(watched, event)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVornixMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TVornixMain::closeEvent(QCloseEvent* event) {
    // Closing during a run asks the run to stop first, as Break does.
    if (context_->busy) {
        run_->State().BreakRequested = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TVornixMain::Exit1Click() {
    close();
}

}  // namespace vornix
