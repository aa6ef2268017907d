// The Display menu, the order tabs, the threshold (pop-up menu and settings dialog), the
// keys and the layout of the results view, driven as a user drives them.
#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <utility>

#include "GuiTestSupport.h"
#include "core/engine/WordStore.h"
#include "core/files/Settings.h"
#include "gui/display/ResultModel.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"

using namespace vornix;
using namespace vornix::test;
using Table = std::vector<std::string>;

namespace {

// Counts the refills of the grid: every refill ends by writing its summary line.
class RefillCounter {
public:
    explicit RefillCounter(TVornixMain& main) {
        connection_ = QObject::connect(&main, &TVornixMain::StatusShown, [this](const QString& text) {
            if (text.contains(QStringLiteral(" order. ")) && text.endsWith('.')) ++count_;
        });
    }
    ~RefillCounter() { QObject::disconnect(connection_); }
    // Refills since the last call.
    int Take() { return std::exchange(count_, 0); }

private:
    QMetaObject::Connection connection_;
    int count_ = 0;
};

// Seven distinct words, THE and A from the list, 7 a number; each order differs.
constexpr const char* kText = "the the the cat cat cat cat dog dog a 7 7 zebra ox ox ox";

}  // namespace

class DisplayControlsTest : public GuiFixture {
protected:
    void Analyse(const std::string& text = kText) {
        OpenDocuments({QString::fromStdString(WriteText("doc.txt", text))});
    }
    QModelIndex Current() const { return const_cast<DisplayControlsTest*>(this)->Grid()->currentIndex(); }
    void SetCurrent(int row, int column) { Grid()->setCurrentIndex(Model()->index(row, column)); }

    // Opens "Additional settings" with F5, lets act() work on the dialog, and leaves it
    // by the given way ("ok", "cancel", "escape", "close").
    void WithSettingsDialog(const std::function<void(TAddDlg&)>& act, const std::string& leave) {
        bool ran = false;
        QTimer answer;  // dies with this call, so it can never fire into a later test
        answer.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            TAddDlg& dlg = AddDlg();
            ASSERT_TRUE(dlg.isVisible());
            ran = true;
            act(dlg);
            if (leave == "ok")
                QTest::mouseClick(In<QPushButton>(dlg, "OKBtn"), Qt::LeftButton);
            else if (leave == "cancel")
                QTest::mouseClick(In<QPushButton>(dlg, "CancelBut"), Qt::LeftButton);
            else if (leave == "escape")
                QTest::keyClick(In<QPushButton>(dlg, "OKBtn"), Qt::Key_Escape);
            else
                dlg.close();
        });
        answer.start(0);
        // The window manager gives the main window back its focus after a dialog.
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), Qt::Key_F5);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(AddDlg().isVisible());
        QApplication::setActiveWindow(&Main());
    }

    // Right-click on a point of the grid as the window system delivers it: the press,
    // the pop-up menu it opens, and the release. Returns whether the menu opened.
    bool RightClickAt(const QPoint& inViewport) {
        QWindow* window = Main().windowHandle();
        const QPoint at = window->mapFromGlobal(Grid()->viewport()->mapToGlobal(inViewport));
        QTest::mousePress(window, Qt::RightButton, {}, at);
        const bool opened = Menu("PopupMenu1")->isVisible();
        Menu("PopupMenu1")->hide();
        QTest::mouseRelease(window, Qt::RightButton, {}, at);
        return opened;
    }
    bool RightClick(int row, int column) {
        return RightClickAt(Grid()->visualRect(Model()->index(row, column)).center());
    }
    // Opens the grid's pop-up menu as the right button's context-menu event does.
    void OpenPopup() {
        const QPoint at = Grid()->visualRect(Current()).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(Grid()->viewport(), &event);
        ASSERT_TRUE(Menu("PopupMenu1")->isVisible());
    }
    void ClickPopupItem(QAction* item) {
        QTest::mouseClick(Menu("PopupMenu1"), Qt::LeftButton, {}, Menu("PopupMenu1")->actionGeometry(item).center());
        EXPECT_FALSE(Menu("PopupMenu1")->isVisible());
    }
    void WriteSettings(const std::string& lines) {
        std::filesystem::create_directories(SettingsFolder());
        WriteText(".config/Korvane/Vornix/Vornix.ini", lines);
    }
};

TEST_F(DisplayControlsTest, OrdersRefillOnlyWhenNeededAndTheTabFollows) {
    Start();
    RefillCounter refills(Main());
    // Before any run an order only moves the check mark and the tab.
    Act("WordLengthList1")->trigger();
    EXPECT_TRUE(Act("WordLengthList1")->isChecked());
    EXPECT_FALSE(Act("FrequencyList1")->isChecked());
    EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 2);
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_EQ(StatusLine(), "");
    Act("FrequencyList1")->trigger();

    Analyse();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|DOG|2", "4|ZEBRA|1"}));

    // The order already checked while the grid shows: nothing at all.
    SetCurrent(3, 2);
    Act("FrequencyList1")->trigger();
    EXPECT_EQ(refills.Take(), 0);
    EXPECT_EQ(Current().row(), 3);
    EXPECT_TRUE(Act("FrequencyList1")->isChecked());

    // Another order: the same rows renumbered, the first row current in the same column,
    // exactly one order checked and the tab on it.
    Act("AlphabeticalList1")->trigger();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|DOG|2", "3|OX|3", "4|ZEBRA|1"}));
    EXPECT_EQ(Current().row(), 0);
    EXPECT_EQ(Current().column(), 2);
    Act("WordLengthList1")->trigger();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|ZEBRA|1", "2|CAT|4", "3|DOG|2", "4|OX|3"}));
    EXPECT_EQ(StatusLine(), "Word-length order. 7 words; 2 common (hidden); 1 numeric (hidden); showing 4.");
    EXPECT_FALSE(Act("AlphabeticalList1")->isChecked());
    EXPECT_FALSE(Act("FrequencyList1")->isChecked());
    EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 2);

    // After Escape the checked order refills and brings the results back.
    QTest::keyClick(Grid(), Qt::Key_Escape);
    Act("WordLengthList1")->trigger();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_TRUE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("OpenBut")->isVisible());
}

TEST_F(DisplayControlsTest, OneOrderIsCheckedWhateverTheSettingsSay) {
    for (const char* lines :
         {"FreqOrder=y\r\nAlphaOrder=y\r\nLengthOrder=n\r\n", "FreqOrder=n\r\nAlphaOrder=n\r\nLengthOrder=n\r\n"}) {
        WriteSettings(lines);
        Start();
        EXPECT_TRUE(Act("FrequencyList1")->isChecked()) << lines;
        EXPECT_FALSE(Act("AlphabeticalList1")->isChecked()) << lines;
        EXPECT_FALSE(Act("WordLengthList1")->isChecked()) << lines;
        EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 1) << lines;
        Analyse();
        EXPECT_TRUE(StatusLine().startsWith("Frequency order. ")) << lines;
        Stop();
    }
    WriteSettings("FreqOrder=n\r\nAlphaOrder=y\r\nLengthOrder=y\r\n");
    Start();
    EXPECT_TRUE(Act("AlphabeticalList1")->isChecked());
    EXPECT_FALSE(Act("WordLengthList1")->isChecked());
    EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 0);
}

TEST_F(DisplayControlsTest, TogglesRefillExactlyWhenTheyShould) {
    Start();
    RefillCounter refills(Main());
    // No results yet: the toggles only move their marks.
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(Act("ShowNumbers1")->isChecked());
    EXPECT_EQ(refills.Take(), 0);
    EXPECT_FALSE(Grid()->isVisible());
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(Act("ShowNumbers1")->isChecked());

    Analyse();
    refills.Take();
    // Showing common words renumbers every rank after them.
    QTest::keyClick(&Main(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(Act("ShowCommonWords1")->isChecked());
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|THE|3", "4|DOG|2", "5|A|1", "6|ZEBRA|1"}));
    EXPECT_EQ(StatusLine(), "Frequency order. 7 words; 2 common; 1 numeric (hidden); showing 6.");
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|THE|3", "4|7|2", "5|DOG|2", "6|A|1", "7|ZEBRA|1"}));
    Act("ShowCommonWords1")->trigger();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|7|2", "4|DOG|2", "5|ZEBRA|1"}));

    Act("LowerCase1")->trigger();
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Model()->CellText(0, 1), "  cat");

    // With the results view left, Lower case only moves its mark; Show numbers brings
    // the results back with the new setting.
    QTest::keyClick(Grid(), Qt::Key_Escape);
    Act("LowerCase1")->trigger();
    EXPECT_FALSE(Act("LowerCase1")->isChecked());
    EXPECT_EQ(refills.Take(), 0);
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_EQ(StatusLine(), "");
    QTest::keyClick(&Main(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|DOG|2", "4|ZEBRA|1"}));
}

TEST_F(DisplayControlsTest, OnlyTheUsersTabChoiceRunsTheOrderHandler) {
    Start();
    Analyse();
    RefillCounter refills(Main());
    QTabBar* tabs = Find<QTabBar>("TabControl1");
    EXPECT_EQ(tabs->tabText(0), "Alphabetical");
    EXPECT_EQ(tabs->tabText(2), "Word Length");

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(Act("AlphabeticalList1")->isChecked());
    EXPECT_FALSE(Act("FrequencyList1")->isChecked());
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|DOG|2", "3|OX|3", "4|ZEBRA|1"}));
    EXPECT_TRUE(StatusLine().startsWith("Alphabetical order. "));
    // The tab already chosen: nothing.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(refills.Take(), 0);

    // The program setting the tab runs no handler.
    tabs->setCurrentIndex(2);
    EXPECT_TRUE(Act("AlphabeticalList1")->isChecked());
    EXPECT_FALSE(Act("WordLengthList1")->isChecked());
    EXPECT_EQ(refills.Take(), 0);
    tabs->setCurrentIndex(0);

    // The wheel over the tabs must not leave a tab that disagrees with the order shown.
    const QPoint at = tabs->tabRect(1).center();
    QWheelEvent wheel(at, tabs->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(tabs, &wheel);
    const int tab = tabs->currentIndex();
    const QAction* checked[] = {Act("AlphabeticalList1"), Act("FrequencyList1"), Act("WordLengthList1")};
    EXPECT_TRUE(checked[tab]->isChecked()) << "tab " << tab;
}

TEST_F(DisplayControlsTest, RightClickMovesTheCurrentCellAndThePopupSetsTheThreshold) {
    Start();
    std::string text;
    for (int i = 1; i <= 14; ++i)  // w1 once ... w14 fourteen times
        for (int n = 0; n < i; ++n) text += "w" + std::to_string(i) + " ";
    Analyse(text);
    ASSERT_EQ(Model()->rowCount(), 14);
    Main().resize(600, 700);  // every row in view
    QApplication::processEvents();

    // Rank column of row 12 while column 2 is current: the row moves, the column stays.
    SetCurrent(0, 2);
    EXPECT_TRUE(RightClick(11, 0));
    EXPECT_EQ(Current().row(), 11);
    EXPECT_EQ(Current().column(), 2);
    // The word column moves both.
    EXPECT_TRUE(RightClick(4, 1));
    EXPECT_EQ(Current().row(), 4);
    EXPECT_EQ(Current().column(), 1);
    // Below the last row nothing moves.
    const QPoint below(10, Grid()->visualRect(Model()->index(13, 0)).bottom() + 30);
    ASSERT_LT(below.y(), Grid()->viewport()->height());
    RightClickAt(below);
    EXPECT_EQ(Current().row(), 4);
    EXPECT_EQ(Current().column(), 1);

    // Row 5 (w10, ten times): the items name its word and frequency.
    OpenPopup();
    EXPECT_EQ(Act("Setfrequencythreshold01")->text(), "Set frequency threshold 10");
    EXPECT_EQ(Act("Setfrequencythreshold01")->data().toInt(), 10);
    EXPECT_EQ(Act("Add2Common1")->text(), "Add W10 to common words list");
    EXPECT_EQ(Act("Setdefaultthreshold11")->text(), "Set default threshold 1");
    ClickPopupItem(Act("Setfrequencythreshold01"));
    EXPECT_EQ(Main().ActiveThreshold(), 10);
    EXPECT_EQ(In<QSpinBox>(AddDlg(), "Threshold")->value(), 10);
    EXPECT_EQ(Settings().IniNumber("Threshold", -1), 10);
    EXPECT_EQ(Model()->rowCount(), 5);
    EXPECT_EQ(Rows().back(), "5|W10|10");
    EXPECT_EQ(StatusLine(), "Frequency order. 14 words; 0 common; 0 numeric; showing 5.");

    // Another row replaces the number, not appends to it; the default item restores 1.
    SetCurrent(1, 0);
    OpenPopup();
    EXPECT_EQ(Act("Setfrequencythreshold01")->text(), "Set frequency threshold 13");
    ClickPopupItem(Act("Setdefaultthreshold11"));
    EXPECT_EQ(Main().ActiveThreshold(), 1);
    EXPECT_EQ(Settings().IniNumber("Threshold", -1), 1);
    EXPECT_EQ(Model()->rowCount(), 14);

    // No row shown: there is no frequency to offer, the default item still works.
    Act("Setfrequencythreshold01")->setData(100);
    Act("Setfrequencythreshold01")->trigger();
    ASSERT_EQ(Model()->rowCount(), 0);
    Menu("PopupMenu1")->popup(Grid()->viewport()->mapToGlobal(QPoint(20, 20)));
    EXPECT_EQ(Act("Add2Common1")->text(), "No word selected");
    EXPECT_FALSE(Act("Setfrequencythreshold01")->isEnabled());
    ClickPopupItem(Act("Setdefaultthreshold11"));
    EXPECT_EQ(Model()->rowCount(), 14);

    // With lower case shown, the add item still names the stored word.
    Act("LowerCase1")->trigger();
    SetCurrent(2, 1);
    OpenPopup();
    EXPECT_EQ(Act("Add2Common1")->text(), "Add W12 to common words list");
    Menu("PopupMenu1")->hide();
}

TEST_F(DisplayControlsTest, SettingsDialogRefillsOnlyWhenTheThresholdChanged) {
    Start();
    // A fresh user's values.
    EXPECT_EQ(AddDlg().windowTitle(), "Vornix: Additional Settings");
    EXPECT_EQ(In<QSpinBox>(AddDlg(), "Threshold")->value(), 1);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Separator")->checkedId(), 1);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "CharacterSet")->checkedId(), 0);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Possessive")->checkedId(), 0);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Separator")->button(0)->text(), "Space");
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Possessive")->button(1)->text(), "As CAT");

    Analyse();
    RefillCounter refills(Main());
    WithSettingsDialog([](TAddDlg& d) { d.Threshold->setValue(2); }, "ok");
    EXPECT_EQ(refills.Take(), 1);
    EXPECT_EQ(Rows(), (Table{"1|CAT|4", "2|OX|3", "3|DOG|2"}));
    EXPECT_EQ(Settings().IniNumber("Threshold", -1), 2);
    EXPECT_EQ(Settings().IniNumber("SepIndex", -1), 1);

    // OK with the threshold as it was, other settings changed: no refill.
    WithSettingsDialog([](TAddDlg& d) { d.Separator->button(2)->setChecked(true); }, "ok");
    EXPECT_EQ(refills.Take(), 0);
    EXPECT_EQ(Settings().IniNumber("SepIndex", -1), 2);

    // Cancel, Escape and the close box each bring back the stored values; a threshold
    // that went back to what it was refills nothing.
    for (const char* leave : {"cancel", "escape", "close"}) {
        WithSettingsDialog(
            [](TAddDlg& d) {
                d.Threshold->setValue(9);
                d.Separator->button(0)->setChecked(true);
                d.CharacterSet->button(1)->setChecked(true);
                d.Possessive->button(1)->setChecked(true);
            },
            leave);
        EXPECT_EQ(In<QSpinBox>(AddDlg(), "Threshold")->value(), 2) << leave;
        EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Separator")->checkedId(), 2) << leave;
        EXPECT_EQ(In<QButtonGroup>(AddDlg(), "CharacterSet")->checkedId(), 0) << leave;
        EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Possessive")->checkedId(), 0) << leave;
        EXPECT_EQ(refills.Take(), 0) << leave;
        EXPECT_EQ(Settings().IniNumber("Possess", -1), 0) << leave;
    }
    EXPECT_EQ(Rows().size(), 3u);

    // A threshold text that is no whole number is stored as 0 and is the one in force.
    WithSettingsDialog(
        [](TAddDlg& d) {
            d.Threshold->setFocus();
            d.Threshold->selectAll();
            QTest::keyClick(d.Threshold, Qt::Key_Minus);
            ASSERT_EQ(d.Threshold->text(), "-");
        },
        "ok");
    EXPECT_EQ(Settings().IniNumber("Threshold", -1), 0);
    EXPECT_EQ(AddDlg().ThresholdValue(), 0);
    EXPECT_EQ(Main().ActiveThreshold(), 0);
    EXPECT_EQ(refills.Take(), 1);

    // The dialog opens where it was left.
    Settings().IniPutNumber("addwinLeft", 40);
    Settings().IniPutNumber("addwinTop", 50);
    WithSettingsDialog([](TAddDlg& d) { EXPECT_EQ(d.pos(), QPoint(40, 50)); }, "cancel");
}

TEST_F(DisplayControlsTest, StoredValuesOutOfRangeAreReadSafely) {
    WriteSettings("Threshold=many\r\nSepIndex=7\r\nCharIndex=-5\r\nPossess=-1\r\n");
    Start();
    EXPECT_EQ(In<QSpinBox>(AddDlg(), "Threshold")->value(), 1);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Separator")->checkedId(), 2);  // above the last: the last
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "CharacterSet")->checkedId(), -1);
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Possessive")->checkedId(), -1);
    // Groups without a choice read as their defaults, and OK stores those.
    EXPECT_EQ(AddDlg().CharIndex(), 0);
    EXPECT_EQ(AddDlg().PossessIndex(), 0);
    WithSettingsDialog([](TAddDlg&) {}, "ok");
    EXPECT_EQ(Settings().IniNumber("Threshold", -9), 1);
    EXPECT_EQ(Settings().IniNumber("SepIndex", -9), 2);
    EXPECT_EQ(Settings().IniNumber("CharIndex", -9), 0);
    EXPECT_EQ(Settings().IniNumber("Possess", -9), 0);

    // A separator group left without a choice copies with a tab.
    Stop();
    WriteSettings("SepIndex=-3\r\n");
    Start();
    EXPECT_EQ(In<QButtonGroup>(AddDlg(), "Separator")->checkedId(), -1);
    Analyse("one two two");
    QTest::keyClick(&Main(), Qt::Key_F2);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "TWO\t2\r\nONE\t1\r\n");
}

TEST_F(DisplayControlsTest, KeysOfTheResultsView) {
    Start();
    // Before any run F4 opens nothing, F3 finds nothing, Home and End pass on.
    QTimer guard;
    bool statsOpened = false;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (StatsWin().isVisible()) {
            statsOpened = true;
            StatsWin().reject();
        }
    });
    guard.start(10);
    QTest::keyClick(&Main(), Qt::Key_F4);
    QTest::qWait(30);
    EXPECT_FALSE(statsOpened);
    QTest::keyClick(&Main(), Qt::Key_F3);
    EXPECT_FALSE(KeyTaken(Qt::Key_Home));
    EXPECT_FALSE(KeyTaken(Qt::Key_Escape));
    EXPECT_TRUE(ui.messages.empty());

    Analyse();
    // F3 before any search: the current cell stays.
    SetCurrent(2, 1);
    QTest::keyClick(&Main(), Qt::Key_F3);
    EXPECT_EQ(Current().row(), 2);
    EXPECT_TRUE(ui.messages.empty());

    // End and Home take column 0 whatever column was current; other keys reach the grid.
    SetCurrent(1, 2);
    QTest::keyClick(Grid(), Qt::Key_End);
    EXPECT_EQ(Current().row(), 3);
    EXPECT_EQ(Current().column(), 0);
    QTest::keyClick(Grid(), Qt::Key_Up);
    EXPECT_EQ(Current().row(), 2);
    SetCurrent(2, 2);
    QTest::keyClick(Grid(), Qt::Key_Home);
    EXPECT_EQ(Current().row(), 0);
    EXPECT_EQ(Current().column(), 0);

    // F4 now shows the statistics.
    QTest::keyClick(&Main(), Qt::Key_F4);
    QTest::qWait(30);
    EXPECT_TRUE(statsOpened);
    guard.stop();

    // Escape keeps the store and the marks; the next refill starts at the top again.
    QTest::keyClick(Grid(), Qt::Key_Escape);
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_EQ(Main().centralWidget()->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_TRUE(Act("FrequencyList1")->isChecked());
    EXPECT_FALSE(KeyTaken(Qt::Key_End));
    Act("FrequencyList1")->trigger();
    EXPECT_EQ(Rows().size(), 4u);
    EXPECT_EQ(Current().row(), 0);
}

TEST_F(DisplayControlsTest, LayoutFollowsTheClientSize) {
    Start();
    QWidget* client = Main().centralWidget();
    auto resizeClient = [&](int width, int height) {
        Main().resize(width, height + (Main().height() - client->height()));
        QApplication::processEvents();
        ASSERT_EQ(client->size(), QSize(width, height));
    };
    resizeClient(504, 289);
    EXPECT_EQ(Find<QPushButton>("OpenBut")->geometry(), QRect(197, 110, 109, 39));
    EXPECT_EQ(Find<QPushButton>("SaveBut")->x(), 102);
    EXPECT_EQ(Find<QPushButton>("SortBut")->x(), 177);
    EXPECT_EQ(Find<QPushButton>("CancelBut")->x(), 252);
    EXPECT_EQ(Find<QPushButton>("HelpBut")->x(), 327);

    Analyse();  // four rows: no scroll bar
    ASSERT_FALSE(Grid()->verticalScrollBar()->isVisible());
    EXPECT_EQ(Grid()->columnWidth(0), 124);
    EXPECT_EQ(Grid()->columnWidth(1), 248);
    EXPECT_EQ(Grid()->columnWidth(2), 124);
    EXPECT_EQ(Find<QTabBar>("TabControl1")->tabRect(0).width(), 167);
    EXPECT_EQ(Find<QTabBar>("TabControl1")->tabRect(2).width(), 167);

    std::string many;
    for (int i = 0; i < 60; ++i) many += "word" + std::string(1, char('a' + i % 26)) + std::to_string(i) + " ";
    Analyse(many);
    ASSERT_TRUE(Grid()->verticalScrollBar()->isVisible());
    EXPECT_EQ(Grid()->columnWidth(0), 119);
    EXPECT_EQ(Grid()->columnWidth(1), 238);
    EXPECT_EQ(Grid()->columnWidth(2), 119);

    // End shows the last row; a refill shows the list from its top again.
    QTest::keyClick(Grid(), Qt::Key_End);
    EXPECT_EQ(Current().row(), 59);
    EXPECT_GT(Grid()->verticalScrollBar()->value(), 0);
    Act("AlphabeticalList1")->trigger();
    EXPECT_EQ(Current().row(), 0);
    EXPECT_EQ(Grid()->verticalScrollBar()->value(), 0);

    // Growing the window until every row fits takes the scroll bar's room back.
    resizeClient(800, 1500);
    ASSERT_FALSE(Grid()->verticalScrollBar()->isVisible());
    EXPECT_EQ(Grid()->columnWidth(1), 2 * (800 / 4 - 2));
    EXPECT_EQ(Find<QTabBar>("TabControl1")->tabRect(1).width(), (800 - 3) / 3);
    resizeClient(504, 289);
    ASSERT_TRUE(Grid()->verticalScrollBar()->isVisible());
    EXPECT_EQ(Grid()->columnWidth(0), 119);
}

TEST_F(DisplayControlsTest, TheResultModelKeepsItsContractAndReadingItChangesNothing) {
    Start();
    QAbstractItemModelTester tester(Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Analyse();
    for (const char* item : {"AlphabeticalList1", "WordLengthList1", "ShowCommonWords1", "ShowNumbers1", "LowerCase1"})
        Act(item)->trigger();
    QTest::keyClick(Grid(), Qt::Key_Escape);
    Analyse("one two two");
    ASSERT_EQ(Rows().size(), 2u);

    // Painting reads every cell; the store's current record, which a read-then-write
    // relies on, stays as it was.
    WordStore& store = Main().Run().Store();
    store.ReadWordRecord(Model()->RecordAt(Model()->rowCount() - 1));  // not row 0, read last
    const std::string before(store.CurrentRec.Text());
    for (int row = Model()->rowCount() - 1; row >= 0; --row)
        for (int column = 0; column < 3; ++column) Model()->data(Model()->index(row, column), Qt::DisplayRole);
    EXPECT_EQ(std::string(store.CurrentRec.Text()), before);

    // The pop-up item carries the record of the row it was opened on, whatever the
    // caption says.
    SetCurrent(1, 1);
    OpenPopup();
    EXPECT_EQ(Act("Add2Common1")->data().toInt(), Model()->RecordAt(1));
    Menu("PopupMenu1")->hide();
}

TEST_F(DisplayControlsTest, HeaderClicksChooseTheOrderAsTheDisplayMenuDoes) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("doc.txt", "bee ant ant cat cat cat"))});
    QHeaderView* header = Grid()->horizontalHeader();
    auto click = [&](int column) {
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    struct Step {
        int column;
        const char* checked;
        int tab;
        std::vector<std::string> rows;
    } steps[] = {
        {1, "AlphabeticalList1", 0, {"1|ANT|2", "2|BEE|1", "3|CAT|3"}},
        {2, "FrequencyList1", 1, {"1|CAT|3", "2|ANT|2", "3|BEE|1"}},
        {1, "AlphabeticalList1", 0, {"1|ANT|2", "2|BEE|1", "3|CAT|3"}},
        {0, "FrequencyList1", 1, {"1|CAT|3", "2|ANT|2", "3|BEE|1"}},
    };
    for (const Step& step : steps) {
        click(step.column);
        EXPECT_EQ(Rows(), step.rows) << step.column;
        for (const char* order : {"AlphabeticalList1", "FrequencyList1", "WordLengthList1"})
            EXPECT_EQ(Act(order)->isChecked(), std::string(order) == step.checked) << step.column << order;
        EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), step.tab);
    }
}

TEST_F(DisplayControlsTest, MostDistinctWordsIsStoredAndLimitsTheNextRun) {
    // Stored values: in bounds they are read as they are; out of bounds, or no number,
    // as the default.
    const std::pair<const char*, int> stored[] = {{"", 500000},
                                                  {"MaxWords=1000\r\n", 1000},
                                                  {"MaxWords=999\r\n", 500000},
                                                  {"MaxWords=100000001\r\n", 500000},
                                                  {"MaxWords=-3\r\n", 500000},
                                                  {"MaxWords=lots\r\n", 500000},
                                                  {"MaxWords=100000000\r\n", 100000000}};
    for (const auto& [lines, value] : stored) {
        SCOPED_TRACE(lines);
        WriteSettings(lines);
        Start();
        EXPECT_EQ(In<QSpinBox>(AddDlg(), "MaxWords")->value(), value);
        EXPECT_EQ(MaxWordsSetting(Settings()), value);
        Stop();
    }

    WriteSettings("");
    Start();
    std::string text;
    for (int i = 0; i < 1200; ++i) text += "w" + std::to_string(i) + " ";
    // Cancel keeps the stored limit; OK stores the new one, which the next run obeys.
    WithSettingsDialog([](TAddDlg& d) { d.MaxWords->setValue(2000); }, "cancel");
    EXPECT_EQ(In<QSpinBox>(AddDlg(), "MaxWords")->value(), 500000);
    EXPECT_FALSE(Settings().IniExists("MaxWords"));
    WithSettingsDialog(
        [](TAddDlg& d) {
            // Typed as a user types it; the box keeps the value within its bounds.
            d.MaxWords->setFocus();
            d.MaxWords->selectAll();
            QTest::keyClicks(d.MaxWords, "1000");
        },
        "ok");
    EXPECT_EQ(Settings().IniNumber("MaxWords", -1), 1000);
    Analyse(text);
    EXPECT_EQ(ui.Texts("Error"), QStringList{"Reached unique-words limit 1000: cannot read more."});
    // The words of the common words list hold places too (and are hidden).
    EXPECT_EQ(Rows().size(), static_cast<std::size_t>(1000 - Main().Run().Stats().CommonWords));
    EXPECT_EQ(Main().Run().Store().WordCount(), 1000);
    EXPECT_EQ(Main().Run().Store().MaxWords(), 1000);
    // The field's bounds are the option's.
    EXPECT_EQ(AddDlg().MaxWords->minimum(), 1000);
    EXPECT_EQ(AddDlg().MaxWords->maximum(), 100000000);
}
