#include "shell/VornixMain.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include "display/ResultModel.h"
#include "display/SearchWindow.h"
#include "engine/Errors.h"
#include "engine/WordFileName.h"
#include "shell/AtomicFile.h"
#include "shell/Settings.h"
#include "shell/SettingsFolders.h"
#include "shell/UiServices.h"
#include "shell/WindowPlacement.h"

namespace vornix {

namespace {

const QColor kIdleGreen(0, 128, 0);

}  // namespace

TVornixMain::TVornixMain(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments)
    : ui_(ui), settings_(settings), sinceEvents_(std::make_unique<QElapsedTimer>()) {
    setObjectName(QStringLiteral("VornixMain"));
    setWindowTitle(QStringLiteral("Vornix"));
    BuildWidgets();
    BuildMenus();
    // The designed placement, with a client area of 504 by 289 below the menu bar.
    move(318, 210);
    resize(504, 289 + menuBar()->sizeHint().height());

    // FormCreate, in order.
    settings_.SetWarningCallback([this](const std::string& text) { ui_.Warning(this, UiText(text)); });
    const bool found = settings_.IniSetup("Vornix.ini", arguments, SettingsEnvironment::FromProcess());
    if (!settings_.SetupError().empty()) ui_.Error(this, UiText(settings_.SetupError()));
    if (found) {
        ReadCommonWordList1->setChecked(settings_.IniFlag("ReadCommon"));
        ShowCommonWords1->setChecked(settings_.IniFlag("ShowCommon"));
        ShowNumbers1->setChecked(settings_.IniFlag("ShowNum"));
        FrequencyList1->setChecked(settings_.IniFlag("FreqOrder"));
        AlphabeticalList1->setChecked(settings_.IniFlag("AlphaOrder"));
        WordLengthList1->setChecked(settings_.IniFlag("LengthOrder"));
        LowerCase1->setChecked(settings_.IniFlag("LowerCase"));
        auto folder = [&](const char* key) {
            const std::string value = settings_.IniExists(key) ? settings_.IniSetting(key) : std::string();
            const QString text = value.empty() ? DocumentsFolder() : UiText(value);
            return text.isEmpty() ? text : UiText(StartingFolder(Path(text)));
        };
        openDir_ = folder("OpenDir");
        savePath_ = folder("SavePath");
        RestoreWindow(settings_, QStringLiteral("Main"), this);
    }
    // Exactly one order is checked and the tab names it, also when a settings file
    // checks several or none: the one kept is the order the table, the saved file and
    // the copy use (the first checked of frequency, alphabetical, word length).
    const ResultOrder order =
        OrderFromChecks(FrequencyList1->isChecked(), AlphabeticalList1->isChecked(), WordLengthList1->isChecked());
    FrequencyList1->setChecked(order == ResultOrder::Frequency);
    AlphabeticalList1->setChecked(order == ResultOrder::Alphabetical);
    WordLengthList1->setChecked(order == ResultOrder::WordLength);
    TabControl1->setCurrentIndex(order == ResultOrder::Alphabetical ? 0 : order == ResultOrder::Frequency ? 1 : 2);

    const std::string settingsFolder = settings_.SettingsFolder();
    defaultCommonList_ = UiText((settingsFolder + "Vornix.dat"));
    currentCommonList_ = defaultCommonList_;
    if (!PathExists(Path(defaultCommonList_))) {
        // The master copy beside the program, else the installed one.
        bool provided = false;
        const std::string program = settings_.ProgramFolder();
        for (const std::string& master : {program + "Vornix.dat", program + "../share/vornix/Vornix.dat"}) {
            if (program.empty() || !PathExists(master)) continue;
            try {
                WriteFileAtomically(Path(defaultCommonList_), ReadWholeFile(master), false);
                provided = true;
            } catch (const FileError&) {
                // A failed copy counts as no copy: the item is disabled below.
            }
            break;
        }
        if (!provided) {
            ReadCommonWordList1->setChecked(false);
            ReadCommonWordList1->setEnabled(false);
        }
    }
    ShowCommonWords1->setEnabled(ReadCommonWordList1->isChecked());
    EditCommonWordList1->setEnabled(ReadCommonWordList1->isChecked());

    FormResize();
    // The record file lives beside the settings; when that folder cannot be written
    // (it could not be created, or is read-only) runs still work from the temporary
    // folder instead of failing one by one.
    std::string recordFolder = settingsFolder;
    if (recordFolder.empty() || ::access(recordFolder.c_str(), W_OK | X_OK) != 0)
        recordFolder = Path(QDir::tempPath()) + "/";
    RemoveStaleWordFiles(recordFolder);
    run_ = std::make_unique<AnalysisRun>(WordFilePathFor(recordFolder, QCoreApplication::applicationPid()));
    run_->Hooks().showStatus = [this](const std::string& text) { ShowStatus(UiText(text)); };
    run_->Hooks().showProgress = [this] { ShowProgress(); };
    run_->Hooks().confirmStop = [this] {
        QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
        const bool stop = ui_.Confirm(this, QStringLiteral("Stop processing now?"));
        if (!stop) QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        return stop;
    };
    sinceEvents_->start();
    qApp->installEventFilter(this);
}

TVornixMain::~TVornixMain() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TVornixMain::AttachWindows(TVornixStats* stats, TAddDlg* addDlg, TVornixSearch* search) {
    stats_ = stats;
    addDlg_ = addDlg;
    search_ = search;
    if (search_) search_->SetTarget({Grid, [this] { return busy_; }, [this] { return LowerCase1->isChecked(); }});
}

void TVornixMain::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // The record file goes with the run. A failure to delete it is reported, and the
    // settings are still written: the user's choices have nothing to do with it.
    try {
        run_->Store().DeleteWordFile();
    } catch (const FileError& e) {
        ui_.Error(nullptr, UiText(e.what()));
    }
    if (!openDir_.isEmpty()) settings_.IniPut("OpenDir", Path(openDir_));
    if (!savePath_.isEmpty()) settings_.IniPut("SavePath", Path(savePath_));
    if (!customDatName_.isEmpty()) settings_.IniPut("CustomDat", Path(customDatName_));
    settings_.IniPutFlag("ReadCommon", ReadCommonWordList1->isChecked());
    settings_.IniPutFlag("ShowCommon", ShowCommonWords1->isChecked());
    settings_.IniPutFlag("ShowNum", ShowNumbers1->isChecked());
    settings_.IniPutFlag("FreqOrder", FrequencyList1->isChecked());
    settings_.IniPutFlag("AlphaOrder", AlphabeticalList1->isChecked());
    settings_.IniPutFlag("LengthOrder", WordLengthList1->isChecked());
    settings_.IniPutFlag("LowerCase", LowerCase1->isChecked());
    SaveWindow(settings_, QStringLiteral("Main"), this);
    try {
        settings_.IniSave();
    } catch (const FileError& e) {
        ui_.Error(nullptr, UiText(e.what()));
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

    TopStatus = new QLabel(central_);
    TopStatus->setObjectName(QStringLiteral("TopStatus"));
    TopStatus->setAlignment(Qt::AlignCenter);
    TopStatus->setFrameStyle(QFrame::Panel | QFrame::Raised);
    TopStatus->setFixedHeight(25);
    TopStatus->hide();
    layout->addWidget(TopStatus);

    TabControl1 = new QTabBar(central_);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->addTab(QStringLiteral("Alphabetical"));
    TabControl1->addTab(QStringLiteral("Frequency"));
    TabControl1->addTab(QStringLiteral("Word Length"));
    TabControl1->setExpanding(false);
    TabControl1->hide();
    // Only a choice by the user runs the handler; the program sets the tab quietly. The
    // tab changes by a click only: a tab moved by the wheel or the arrow keys would no
    // longer name the order shown (see eventFilter).
    TabControl1->setFocusPolicy(Qt::NoFocus);
    connect(TabControl1, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0) TabControl1Change(index);
    });
    layout->addWidget(TabControl1);

    model_ = new ResultModel(this);
    Grid = new QTableView(central_);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(model_);
    Grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(22);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Grid->horizontalHeader()->setSectionsClickable(false);
    Grid->horizontalHeader()->setDefaultSectionSize(120);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setWordWrap(false);
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    Grid->hide();
    layout->addWidget(Grid, 1);

    Memo1 = new QPlainTextEdit(central_);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    QFont memoFont = QApplication::font();  // the list is read as prose, not as a table
    memoFont.setPixelSize(13);
    Memo1->setFont(memoFont);
    Memo1->hide();
    layout->addWidget(Memo1, 1);

    layout->addStretch(0);

    StatusPanel = new QFrame(central_);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    StatusPanel->setFixedHeight(29);
    StatusPanel->setAutoFillBackground(true);
    StatusPanel->setBackgroundRole(QPalette::Button);
    auto* panelLayout = new QHBoxLayout(StatusPanel);
    panelLayout->setContentsMargins(6, 0, 6, 0);
    StatusBar = new QLabel(StatusPanel);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setAlignment(Qt::AlignCenter);
    panelLayout->addWidget(StatusBar);
    auto editorButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, StatusPanel);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(75, 29);
        button->hide();
        return button;
    };
    SaveBut = editorButton("SaveBut", QStringLiteral("Save"));
    SortBut = editorButton("SortBut", QStringLiteral("Sort"));
    CancelBut = editorButton("CancelBut", QStringLiteral("Cancel"));
    HelpBut = editorButton("HelpBut", QStringLiteral("&Help"));
    connect(SaveBut, &QPushButton::clicked, this, &TVornixMain::SaveButClick);
    connect(SortBut, &QPushButton::clicked, this, &TVornixMain::SortButClick);
    connect(CancelBut, &QPushButton::clicked, this, &TVornixMain::CancelButClick);
    connect(HelpBut, &QPushButton::clicked, this, &TVornixMain::HelpButClick);
    layout->addWidget(StatusPanel);

    OpenBut = new QPushButton(QStringLiteral("Open File"), central_);
    OpenBut->setObjectName(QStringLiteral("OpenBut"));
    OpenBut->resize(109, 39);
    connect(OpenBut, &QPushButton::clicked, this, &TVornixMain::Open1Click);

    SetResultsView(false);
}

QAction* TVornixMain::AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                              void (TVornixMain::*handler)()) {
    auto* item = new QAction(caption, this);
    item->setObjectName(QLatin1String(name));
    menu->addAction(item);
    menuOf_[item] = menu;
    // A check item's handler inverts its own mark, as a direct call would; undo the
    // toggle Qt made on the way.
    connect(item, &QAction::triggered, this, [this, item, handler] {
        if (item->isCheckable()) item->setChecked(!item->isChecked());
        (this->*handler)();
    });
    if (!shortcut.isEmpty()) AddShortcut(item, shortcut);
    return item;
}

void TVornixMain::AddShortcut(QAction* item, const QKeySequence& key) {
    // The item shows its key in the menu, but the key itself goes through RunShortcut,
    // so that the menu's enabling runs first however stale the item's state is.
    item->setShortcut(key);
    item->setShortcutContext(Qt::WidgetShortcut);
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, item] { RunShortcut(item); });
}

void TVornixMain::RunShortcut(QAction* item) {
    if (busy_) return;
    auto found = menuOf_.find(item);
    if (found != menuOf_.end() && found->second) {
        QMenu* menu = found->second;
        if (!menu->menuAction()->isVisible()) return;
        emit menu->aboutToShow();
    }
    if (item->isEnabled() && item->isVisible()) item->trigger();
}

void TVornixMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto addMenu = [&](const char* name, const QString& title, void (TVornixMain::*opening)()) {
        QMenu* menu = bar->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Item"));
        if (opening) connect(menu, &QMenu::aboutToShow, this, [this, opening] { (this->*opening)(); });
        return menu;
    };
    using M = TVornixMain;

    File1 = addMenu("File1", QStringLiteral("&File"), &M::File1Click);
    Open1 = AddItem(File1, "Open1", QStringLiteral("&Open document(s)"), QKeySequence(Qt::CTRL | Qt::Key_O),
                    &M::Open1Click);
    OpenClipboard1 = AddItem(File1, "OpenClipboard1", QStringLiteral("Open &clipboard"),
                             QKeySequence(Qt::CTRL | Qt::Key_Insert), &M::OpenClipboard1Click);
    SaveAnalysis1 = AddItem(File1, "SaveAnalysis1", QStringLiteral("&Save analysis"),
                            QKeySequence(Qt::CTRL | Qt::Key_S), &M::SaveAnalysis1Click);
    File1->addSeparator();
    Exit1 = AddItem(File1, "Exit1", QStringLiteral("&Exit"), {}, &M::Exit1Click);

    Edit1 = addMenu("Edit1", QStringLiteral("&Edit"), &M::Edit1Click);
    Find1 = AddItem(Edit1, "Find1", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F), &M::Find1Click);
    FindNext1 = AddItem(Edit1, "FindNext1", QStringLiteral("Find &next"), QKeySequence(Qt::Key_F3), &M::FindNext1Click);
    CopytoClipboard1 = AddItem(Edit1, "CopytoClipboard1", QStringLiteral("&Copy to clipboard"),
                               QKeySequence(Qt::Key_F2), &M::CopytoClipboard1Click);
    // Ctrl+C belongs to the Edit menu's title: it only brings the menu's items up to date.
    auto* editKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this);
    connect(editKey, &QShortcut::activated, this, [this] {
        if (!busy_ && Edit1->menuAction()->isVisible()) Edit1Click();
    });

    Display1 = addMenu("Display1", QStringLiteral("&Display"), &M::Display1Click);
    ShowCommonWords1 = AddItem(Display1, "ShowCommonWords1", QStringLiteral("&Show common words"),
                               QKeySequence(Qt::CTRL | Qt::Key_W), &M::ShowCommonWords1Click);
    ShowNumbers1 = AddItem(Display1, "ShowNumbers1", QStringLiteral("Show &numbers"),
                           QKeySequence(Qt::CTRL | Qt::Key_N), &M::ShowNumbers1Click);
    LowerCase1 = AddItem(Display1, "LowerCase1", QStringLiteral("Lower &case"), {}, &M::LowerCase1Click);
    Display1->addSeparator();
    AlphabeticalList1 =
        AddItem(Display1, "AlphabeticalList1", QStringLiteral("&Alphabetical list"), {}, &M::AlphabeticalList1Click);
    FrequencyList1 =
        AddItem(Display1, "FrequencyList1", QStringLiteral("&Frequency list"), {}, &M::FrequencyList1Click);
    WordLengthList1 =
        AddItem(Display1, "WordLengthList1", QStringLiteral("Word-&length List"), {}, &M::WordLengthList1Click);
    Display1->addSeparator();
    Statistics1 =
        AddItem(Display1, "Statistics1", QStringLiteral("S&tatistics"), QKeySequence(Qt::Key_F4), &M::Statistics1Click);
    AdditionalSettings1 = AddItem(Display1, "AdditionalSettings1", QStringLiteral("A&dditional settings"),
                                  QKeySequence(Qt::Key_F5), &M::AdditionalSettings1Click);
    for (QAction* item :
         {ShowCommonWords1, ShowNumbers1, LowerCase1, AlphabeticalList1, FrequencyList1, WordLengthList1})
        item->setCheckable(true);
    FrequencyList1->setChecked(true);

    Options1 = addMenu("Options1", QStringLiteral("&Options"), &M::Options1Click);
    ReadCommonWordList1 = AddItem(Options1, "ReadCommonWordList1", QStringLiteral("Load common words list"), {},
                                  &M::ReadCommonWordList1Click);
    ReadCommonWordList1->setCheckable(true);
    ReadCommonWordList1->setChecked(true);
    EditCommonWordList1 = AddItem(Options1, "EditCommonWordList1", QStringLiteral("Edit common words list"), {},
                                  &M::EditCommonWordList1Click);
    Selectcustomlist1 = AddItem(Options1, "Selectcustomlist1", QStringLiteral("Select custom word list"), {},
                                &M::Selectcustomlist1Click);
    RestoredefaultlistVornixdat1 =
        AddItem(Options1, "RestoredefaultlistVornixdat1", QStringLiteral("Restore default list: Vornix.dat"), {},
                &M::RestoredefaultlistVornixdat1Click);

    Break1 = bar->addAction(QStringLiteral("&Break"));
    Break1->setObjectName(QStringLiteral("Break1"));
    Break1->setVisible(false);
    connect(Break1, &QAction::triggered, this, &M::Break1Click);

    Help1 = addMenu("Help1", QStringLiteral("&Help"), nullptr);
    Contents1 = AddItem(Help1, "Contents1", QStringLiteral("&Contents"), QKeySequence(Qt::Key_F1), &M::Contents1Click);
    About1 = AddItem(Help1, "About1", QStringLiteral("&About"), {}, &M::About1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Add2Common1 = AddItem(PopupMenu1, "Add2Common1", QStringLiteral("No word selected"), {}, &M::Add2Common1Click);
    Setfrequencythreshold01 = new QAction(QStringLiteral("Set frequency threshold 0"), this);
    Setfrequencythreshold01->setObjectName(QStringLiteral("Setfrequencythreshold01"));
    Setfrequencythreshold01->setData(0);
    Setdefaultthreshold11 = new QAction(QStringLiteral("Set default threshold 1"), this);
    Setdefaultthreshold11->setObjectName(QStringLiteral("Setdefaultthreshold11"));
    Setdefaultthreshold11->setData(1);
    for (QAction* item : {Setfrequencythreshold01, Setdefaultthreshold11}) {
        PopupMenu1->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { Setfrequencythreshold01Click(item); });
    }
    connect(PopupMenu1, &QMenu::aboutToShow, this, &M::PopupMenu1Popup);
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!busy_) PopupMenu1->popup(Grid->viewport()->mapToGlobal(at));
    });
}

void TVornixMain::SetResultsView(bool shown) {
    Grid->setVisible(shown);
    TabControl1->setVisible(shown);
    QPalette palette = central_->palette();
    palette.setColor(QPalette::Window, shown ? QApplication::palette().color(QPalette::Button) : kIdleGreen);
    central_->setPalette(palette);
    OpenBut->setVisible(!shown && !EditorOpen());
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
    } else if (type == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == OpenBut && mouse->button() == Qt::RightButton) {
            if (OpenBut->isEnabled() && ClipboardHasText()) OpenClipboard1Click();
            return true;
        }
        if (watched == Grid->viewport()) {
            GridMouseDown(mouse->position().toPoint(), mouse->buttons());
            // The view would make the clicked cell current; a right click has already
            // moved the current cell as it should (the rank column keeps the column).
            if (mouse->button() == Qt::RightButton) return true;
        }
    } else if (type == QEvent::Wheel && watched == TabControl1) {
        return true;
    } else if ((type == QEvent::Show || type == QEvent::Hide) && watched == Grid->verticalScrollBar()) {
        // The columns make room for the scroll bar, which comes and goes after a resize.
        FormResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVornixMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TVornixMain::closeEvent(QCloseEvent* event) {
    // Closing during a run asks the run to stop first, as Break does.
    if (busy_) {
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
