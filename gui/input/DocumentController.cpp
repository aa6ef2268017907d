#include "gui/input/DocumentController.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/dispersion/RunDispersion.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Errors.h"
#include "core/files/Settings.h"
#include "core/files/SettingsFolders.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"

namespace vornix {

namespace {

// Pending events run at most this often during a scan: the progress line still takes
// every hundredth word, but a big text is not slowed down by repainting.
constexpr qint64 kEventIntervalMs = 20;

}  // namespace

DocumentController::DocumentController(WindowContext& context, QWidget* client)
    : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("DocumentController"));
    TopStatus = new QLabel(client);
    TopStatus->setObjectName(QStringLiteral("TopStatus"));
    TopStatus->setAlignment(Qt::AlignCenter);
    TopStatus->setFrameStyle(QFrame::Panel | QFrame::Raised);
    TopStatus->setFixedHeight(25);
    TopStatus->hide();
    static_cast<QVBoxLayout*>(client->layout())->addWidget(TopStatus);

    context_.OnMenuOpening("File1", this, [this] { File1Click(); });
    context_.OnItem("Open1", this, [this] { Open1Click(); });
    context_.OnItem("OpenClipboard1", this, [this] { OpenClipboard1Click(); });
    connect(context_.Item("Break1"), &QAction::triggered, this, &DocumentController::Break1Click);
}

void DocumentController::AttachRunHooks() {
    RunHooks& hooks = context_.Run().Hooks();
    hooks.showStatus = [this](const std::string& text) { context_.ShowStatus(UiText(text)); };
    hooks.showProgress = [this] { ShowProgress(); };
}

void DocumentController::AddOpenButton(QWidget* client) {
    OpenBut = new QPushButton(QStringLiteral("Open File"), client);
    OpenBut->setObjectName(QStringLiteral("OpenBut"));
    OpenBut->resize(109, 39);
    connect(OpenBut, &QPushButton::clicked, this, &DocumentController::Open1Click);
}

bool DocumentController::ClipboardHasText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool DocumentController::StripPossessives() const {
    return context_.StripPossessives();
}

void DocumentController::File1Click() {
    FillRecentMenu();
    context_.Item("SaveAnalysis1")->setEnabled(context_.Run().Store().WordCount() > 0);
    context_.Item("ExportTable1")->setEnabled(context_.Run().Store().WordCount() > 0);
    context_.Item("OpenClipboard1")->setEnabled(ClipboardHasText());
}

void DocumentController::Open1Click() {
    context_.leaveEditor();
    OpenFilesRequest request;
    request.title = QStringLiteral("Open file(s) for Vornix analysis");
    request.folder = openDir_;
    request.filter = QStringLiteral("Text files (*.txt);;All files (*)");
    OpenDocuments(context_.ui.OpenFiles(&context_.window, request));
}

void DocumentController::OpenDocuments(const QStringList& files) {
    if (files.isEmpty() || context_.busy) return;
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(Path(file));
    if (!recentLoaded_) recent_.Load(context_.settings);
    recentLoaded_ = true;
    // Kept even when a document fails to open: the set is what the user asked for.
    recent_.Add(paths);
    RunAnalysis([&] {
        openDir_ = UiText(StartingFolder(FolderOfPath(paths.front())));
        context_.Run().ReadDocuments(paths, StripPossessives());
    });
}

void DocumentController::SaveRecent() {
    if (recentLoaded_) recent_.Save(context_.settings);
}

void DocumentController::FillRecentMenu() {
    QMenu* menu = context_.window.findChild<QMenu*>(QStringLiteral("OpenRecent1"));
    if (!menu) return;
    if (!recentLoaded_) recent_.Load(context_.settings);
    recentLoaded_ = true;
    menu->clear();
    int index = 0;
    for (const DocumentSet& set : recent_.Sets()) {
        QAction* item = menu->addAction(UiText(DocumentSetLabel(set)));
        item->setObjectName(QStringLiteral("Recent%1").arg(++index));
        QStringList files;
        for (const std::string& path : set) files << UiText(path);
        item->setToolTip(files.join(QLatin1Char('\n')));
        item->setEnabled(DocumentSetAvailable(set));
        connect(item, &QAction::triggered, this, [this, files] {
            context_.leaveEditor();
            OpenDocuments(files);
        });
    }
    if (index > 0) menu->addSeparator();
    QAction* clear = menu->addAction(QStringLiteral("Clear list"));
    clear->setObjectName(QStringLiteral("ClearRecent1"));
    clear->setEnabled(index > 0);
    connect(clear, &QAction::triggered, this, [this] { recent_.Clear(); });
    menu->menuAction()->setEnabled(true);
}

void DocumentController::OpenClipboard1Click() {
    // Taken only once the run starts: the common words list was read through the same buffer.
    ReadText([] { return QGuiApplication::clipboard()->text(); });
}

bool DocumentController::Drop(const QMimeData* data, bool apply) {
    if (!data || context_.busy) return false;
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (!files.isEmpty()) {
        if (apply) OpenDocuments(files);
        return true;
    }
    if (!data->hasText() || !data->urls().isEmpty()) return false;
    if (apply) {
        const QString text = data->text();
        ReadText([text] { return text; });
    }
    return true;
}

void DocumentController::ReadText(const std::function<QString()>& take) {
    context_.leaveEditor();
    RunAnalysis([&] {
        // The clipboard's text is Unicode: read by the Unicode rules (cut at its first
        // zero character), not squeezed into the 8-bit set first.
        const QString text = take();
        context_.ShowStatus(QStringLiteral("Reading from clipboard"));
        context_.Run().ReadUnicodeText(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())),
            "Clipboard", StripPossessives());
    });
}

void DocumentController::Break1Click() {
    context_.Run().State().BreakRequested = true;
}

void DocumentController::RunAnalysis(const std::function<void()>& readInputs) {
    try {
        GeneralInitialize();
        readInputs();
    } catch (const FileError& e) {
        // The run ends with what was read before the failure; the window never stays busy.
        context_.ShowErrorBox(UiText(e.what()));
    }
    GeneralClosedown();
}

void DocumentController::GeneralInitialize() {
    context_.enableDodgyOptions(false);
    context_.clearForRun();
    const std::string list = context_.listToRead();
    // The parts are recorded only for a dispersion display: they cost the count a third.
    if (context_.dispersion)
        context_.Run().SetObserver(context_.dispersion->BeginRun(context_.Item("ShowDispersion1")->isChecked()));
    context_.Run().SetAllScripts(AllScriptsSetting(context_.settings));
    context_.Run().SetMaxWords(MaxWordsSetting(context_.settings));
    context_.Run().GeneralInitialize(context_.RunCharacterSet(), list.empty() ? nullptr : &list,
                                     context_.RunEncoding());
    TopStatus->show();
}

void DocumentController::GeneralClosedown() {
    AnalysisRun& run = context_.Run();
    if (run.LimitReached()) {
        ShowProgress();
        context_.ShowErrorBox(UiText(LimitMessage(run.Store().MaxWords())));
    }
    QCoreApplication::processEvents();
    run.GeneralClosedown();
    if (context_.dispersion) {
        context_.dispersion->EndRun(run);
        run.SetObserver(nullptr);  // the recorder is spent
    }
    context_.recordStats();
    TopStatus->hide();
    if (run.Store().WordCount() == 0) context_.setResultsView(false);
    context_.displayResults();
    context_.enableDodgyOptions(true);
}

void DocumentController::ShowProgress() {
    TopStatus->setText(UiText(context_.Run().ProgressText()));
    if (context_.EventsDue(kEventIntervalMs)) {
        QCoreApplication::processEvents();
        context_.EventsRan();
    }
}

bool DocumentController::FormKeyDown(int key) {
    if (TopStatus->isVisible() && key == Qt::Key_Escape) {
        context_.Run().State().BreakRequested = true;
        return true;
    }
    return false;
}

bool DocumentController::FilterEvent(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || watched != OpenBut) return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::RightButton) return false;
    if (OpenBut->isEnabled() && ClipboardHasText()) OpenClipboard1Click();
    return true;
}

void DocumentController::ShowOpenButton(bool shown) {
    OpenBut->setVisible(shown);
}

void DocumentController::SetOpenButtonEnabled(bool enabled) {
    OpenBut->setEnabled(enabled);
}

void DocumentController::Layout(int clientWidth, int clientHeight, int panelHeight) {
    OpenBut->move((clientWidth - OpenBut->width()) / 2, (clientHeight - OpenBut->height() - panelHeight) / 2);
    OpenBut->raise();
}

}  // namespace vornix
