// The commands that start an analysis (documents, clipboard), Break, and the window's
// half of a run: busy mode, the status lines and the statistics.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>

#include "display/ResultModel.h"
#include "display/StatsWindow.h"
#include "engine/Errors.h"
#include "input/Cp1252.h"
#include "shell/AddDlg.h"
#include "shell/Settings.h"
#include "shell/SettingsFolders.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"

namespace vornix {

namespace {

// Pending events run at most this often during a scan: the progress line still takes
// every hundredth word, but a big text is not slowed down by repainting.
constexpr qint64 kEventIntervalMs = 20;

}  // namespace

bool TVornixMain::ClipboardHasText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool TVornixMain::StripPossessives() const {
    return settings_.IniNumber("Possess", 0) == 1;
}

void TVornixMain::File1Click() {
    SaveAnalysis1->setEnabled(run_->Store().WordCount() > 0);
    OpenClipboard1->setEnabled(ClipboardHasText());
}

void TVornixMain::Open1Click() {
    LeaveEditor();
    OpenFilesRequest request;
    request.title = QStringLiteral("Open file(s) for Vornix analysis");
    request.folder = openDir_;
    request.filter = QStringLiteral("Text files (*.txt);;All files (*)");
    const QStringList files = ui_.OpenFiles(this, request);
    if (files.isEmpty()) return;
    RunAnalysis([&] {
        std::vector<std::string> paths;
        for (const QString& file : files) paths.push_back(Path(file));
        openDir_ = UiText(StartingFolder(FolderOfPath(paths.front())));
        run_->ReadDocuments(paths, StripPossessives());
    });
}

void TVornixMain::OpenClipboard1Click() {
    LeaveEditor();
    RunAnalysis([&] {
        // Taken only now: the common words list was read through the same buffer.
        const QString text = QGuiApplication::clipboard()->text();
        const std::string bytes = Cp1252FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                                      static_cast<std::size_t>(text.size())));
        ShowStatus(QStringLiteral("Reading from clipboard"));
        run_->State().FilesRead = 1;
        run_->VornixText(bytes, "Clipboard", StripPossessives());
    });
}

void TVornixMain::Break1Click() {
    run_->State().BreakRequested = true;
}

void TVornixMain::RunAnalysis(const std::function<void()>& readInputs) {
    try {
        GeneralInitialize();
        readInputs();
    } catch (const FileError& e) {
        // The run ends with what was read before the failure; the window never stays busy.
        ShowErrorBox(UiText(e.what()));
    }
    GeneralClosedown();
}

void TVornixMain::ShowErrorBox(const QString& text) {
    const bool hourglass = QGuiApplication::overrideCursor() != nullptr;
    if (hourglass) QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
    ui_.Error(this, text);
    if (hourglass) QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
}

void TVornixMain::GeneralInitialize() {
    EnableDodgyOptions(false);
    Memo1->clear();
    model_->SetResults(nullptr, {}, false);
    if (stats_) stats_->ClearFileList();
    const std::string list = Path(currentCommonList_);
    const CharacterSet set = CharacterSetFromIndex(addDlg_ ? addDlg_->CharIndex() : 0);
    run_->GeneralInitialize(set, ReadCommonWordList1->isChecked() ? &list : nullptr);
    TopStatus->show();
}

void TVornixMain::GeneralClosedown() {
    if (run_->LimitReached()) {
        ShowProgress();
        ShowErrorBox(UiText(LimitMessage()));
    }
    QCoreApplication::processEvents();
    run_->GeneralClosedown();
    RecordStats();
    TopStatus->hide();
    if (run_->Store().WordCount() == 0) SetResultsView(false);
    DisplayResults();
    EnableDodgyOptions(true);
}

void TVornixMain::EnableDodgyOptions(bool enable) {
    for (QMenu* menu : {File1, Edit1, Display1, Options1}) menu->menuAction()->setVisible(enable);
    // The grid comes back only with results: an empty run must not show the rows of an
    // earlier one.
    Grid->setVisible(enable && run_->Store().WordCount() > 0);
    if (enable == !busy_) return;
    if (enable)
        QGuiApplication::restoreOverrideCursor();
    else
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Break1->setVisible(!enable);
    OpenBut->setEnabled(enable);
    TabControl1->setEnabled(enable);
    busy_ = !enable;
}

void TVornixMain::ShowStatus(const QString& text) {
    StatusBar->setText(text);
    emit StatusShown(text);
    QCoreApplication::processEvents();
    sinceEvents_->restart();
}

void TVornixMain::ShowProgress() {
    TopStatus->setText(UiText(run_->ProgressText()));
    if (sinceEvents_->elapsed() >= kEventIntervalMs) {
        QCoreApplication::processEvents();
        sinceEvents_->restart();
    }
}

void TVornixMain::RecordStats() {
    if (!stats_) return;
    stats_->SetFileList(run_->FileList());
    stats_->SetValues(run_->Stats());
}

}  // namespace vornix
