// The main window's menus and shortcuts: every item, and the one path a shortcut takes
// (the menu's opening handler first), kept apart from the window's life and wiring.
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
#include "gui/shell/VornixMain.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

QAction* TVornixMain::AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut) {
    auto* item = new QAction(caption, this);
    item->setObjectName(QLatin1String(name));
    menu->addAction(item);
    menuOf_[item] = menu;
    if (!shortcut.isEmpty()) AddShortcut(item, shortcut);
    return item;
}

void TVornixMain::AddShortcut(QAction* item, const QKeySequence& key) {
    // Each key has exactly one owner: the window's QShortcut, which goes through
    // RunShortcut so that the menu's enabling runs first however stale the item's state
    // is. The item only shows the key in its menu (the text after the tab); giving it
    // the key as well would make two owners, and after a menu was opened and closed
    // from the keyboard Qt finds both and runs neither.
    item->setText(item->text() + QLatin1Char('\t') + key.toString(QKeySequence::NativeText));
    auto* shortcut = new QShortcut(key, this);
    shortcut->setObjectName(QLatin1String("Key_") + item->objectName());
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, item] { RunShortcut(item); });
}

void TVornixMain::RunShortcut(QAction* item) {
    if (context_->busy) return;
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
    auto addMenu = [&](const char* name, const QString& title) {
        QMenu* menu = bar->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Item"));
        return menu;
    };

    QMenu* file = addMenu("File1", QStringLiteral("&File"));
    AddItem(file, "Open1", QStringLiteral("&Open document(s)"), QKeySequence(Qt::CTRL | Qt::Key_O));
    AddItem(file, "OpenClipboard1", QStringLiteral("Open &clipboard"), QKeySequence(Qt::CTRL | Qt::Key_Insert));
    AddItem(file, "SaveAnalysis1", QStringLiteral("&Save analysis"), QKeySequence(Qt::CTRL | Qt::Key_S));
    AddItem(file, "ExportTable1", QStringLiteral("&Export table\u2026"));
    // Filled by the File menu's opening handler.
    QMenu* recent = file->addMenu(QStringLiteral("Open &recent"));
    recent->setObjectName(QStringLiteral("OpenRecent1"));
    recent->menuAction()->setObjectName(QStringLiteral("OpenRecent1Item"));
    file->addSeparator();
    connect(AddItem(file, "Exit1", QStringLiteral("&Exit")), &QAction::triggered, this, &TVornixMain::Exit1Click);

    QMenu* edit = addMenu("Edit1", QStringLiteral("&Edit"));
    AddItem(edit, "Find1", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F));
    AddItem(edit, "FindNext1", QStringLiteral("Find &next"), QKeySequence(Qt::Key_F3));
    AddItem(edit, "CopytoClipboard1", QStringLiteral("&Copy to clipboard"), QKeySequence(Qt::Key_F2));
    AddItem(edit, "FilterWords1", QStringLiteral("Filter &words\u2026"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    // Ctrl+C belongs to the Edit menu's title: it only brings the menu's items up to date.
    auto* editKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this);
    connect(editKey, &QShortcut::activated, this, [this, edit] {
        if (!context_->busy && edit->menuAction()->isVisible()) emit edit->aboutToShow();
    });

    QMenu* display = addMenu("Display1", QStringLiteral("&Display"));
    QAction* checks[] = {
        AddItem(display, "ShowCommonWords1", QStringLiteral("&Show common words"), QKeySequence(Qt::CTRL | Qt::Key_W)),
        AddItem(display, "ShowNumbers1", QStringLiteral("Show &numbers"), QKeySequence(Qt::CTRL | Qt::Key_N)),
        AddItem(display, "LowerCase1", QStringLiteral("Lower &case")),
        AddItem(display, "ShowRelFreq1", QStringLiteral("Show &relative frequency")),
        AddItem(display, "ShowDispersion1", QStringLiteral("Show dis&persion")),
        (display->addSeparator(), AddItem(display, "AlphabeticalList1", QStringLiteral("&Alphabetical list"))),
        AddItem(display, "FrequencyList1", QStringLiteral("&Frequency list")),
        AddItem(display, "WordLengthList1", QStringLiteral("Word-&length List")),
    };
    display->addSeparator();
    AddItem(display, "Statistics1", QStringLiteral("S&tatistics"), QKeySequence(Qt::Key_F4));
    AddItem(display, "Charts1", QStringLiteral("C&harts"), QKeySequence(Qt::CTRL | Qt::Key_G));
    AddItem(display, "Keywords1", QStringLiteral("&Keywords"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    AddItem(display, "NGrams1", QStringLiteral("N-&grams"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    AddItem(display, "CountsPerDocument1", QStringLiteral("C&ounts per document\u2026"));
    AddItem(display, "AdditionalSettings1", QStringLiteral("A&dditional settings"), QKeySequence(Qt::Key_F5));
    for (QAction* item : checks) item->setCheckable(true);
    context_->Item("FrequencyList1")->setChecked(true);

    QMenu* options = addMenu("Options1", QStringLiteral("&Options"));
    QAction* readList = AddItem(options, "ReadCommonWordList1", QStringLiteral("Load common words list"));
    readList->setCheckable(true);
    readList->setChecked(true);
    AddItem(options, "EditCommonWordList1", QStringLiteral("Edit common words list"));
    AddItem(options, "Selectcustomlist1", QStringLiteral("Select custom word list"));
    AddItem(options, "RestoredefaultlistVornixdat1", QStringLiteral("Restore default list: Vornix.dat"));

    QAction* breakItem = bar->addAction(QStringLiteral("&Break"));
    breakItem->setObjectName(QStringLiteral("Break1"));
    breakItem->setVisible(false);

    QMenu* help = addMenu("Help1", QStringLiteral("&Help"));
    AddItem(help, "Contents1", QStringLiteral("&Contents"), QKeySequence(Qt::Key_F1));
    AddItem(help, "About1", QStringLiteral("&About"));

    // The grid's pop-up menu.
    auto* popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    AddItem(popup, "Add2Common1", QStringLiteral("No word selected"));
    AddItem(popup, "ShowInContext1", QStringLiteral("No word selected"), QKeySequence(Qt::CTRL | Qt::Key_K));
    AddItem(popup, "Collocates1", QStringLiteral("No word selected"));
    auto* threshold = new QAction(QStringLiteral("Set frequency threshold 0"), this);
    threshold->setObjectName(QStringLiteral("Setfrequencythreshold01"));
    threshold->setData(0);
    auto* defaultThreshold = new QAction(QStringLiteral("Set default threshold 1"), this);
    defaultThreshold->setObjectName(QStringLiteral("Setdefaultthreshold11"));
    defaultThreshold->setData(1);
    popup->addAction(threshold);
    popup->addAction(defaultThreshold);
}

}  // namespace vornix
