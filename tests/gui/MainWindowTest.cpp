#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <csignal>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "core/engine/VocabularyStats.h"
#include "gui/charts/ChartsWindow.h"
#include "gui/context/ContextWindow.h"
#include "gui/display/ResultModel.h"
#include "gui/display/SearchWindow.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"

using namespace vornix;
using namespace vornix::test;
using Table = std::vector<std::string>;

namespace {

QStringList ComboItems(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// A document of many short words, large enough that a run takes a while.
std::string ManyWords(int words) {
    std::string text;
    text.reserve(static_cast<std::size_t>(words) * 6);
    for (int i = 0; i < words; ++i) {
        text += 'w';
        text += std::to_string(i % 1000);
        text += (i % 12 == 11) ? '\n' : ' ';
    }
    return text;
}

}  // namespace

class MainWindowTest : public GuiFixture {};

TEST_F(MainWindowTest, FirstStartShowsTheIdleFaceAndInstallsTheList) {
    Start();
    EXPECT_EQ(Main().windowTitle(), "Vornix");
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_FALSE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_EQ(Main().centralWidget()->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_TRUE(Act("ReadCommonWordList1")->isChecked());
    EXPECT_TRUE(Act("FrequencyList1")->isChecked());
    EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 1);
    EXPECT_EQ(ReadFile(SettingsFolder() + "Vornix.dat"), kMasterList);
    EXPECT_EQ(Main().CurrentCommonList().toStdString(), SettingsFolder() + "Vornix.dat");
    EXPECT_EQ(Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "  Ranking");
    EXPECT_EQ(Model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "  Frequency");
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "x");
    // Nothing to save before a run: Ctrl+S does nothing at all.
    OpenMenu("File1");
    EXPECT_FALSE(Act("SaveAnalysis1")->isEnabled());
    QTest::keyClick(&Main(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(ui.saveRequests.empty());
}

TEST_F(MainWindowTest, ThreeDocumentsGiveTheTableTheSummaryAndTheStatistics) {
    Start();
    const QString c = QString::fromStdString(WriteText("c.txt", "The cat and the dog."));
    const QString a = QString::fromStdString(WriteText("A.txt", "The dog, the DOG; 42 cats"));
    const QString b = QString::fromStdString(WriteText("b.txt", "a zebra"));
    QStringList status;
    auto original = Main().Run().Hooks().showStatus;
    Main().Run().Hooks().showStatus = [&](const std::string& s) {
        status << QString::fromStdString(s);
        original(s);
    };
    OpenDocuments({c, a, b});

    EXPECT_EQ(status,
              (QStringList{"Reading common words list ...", "Reading " + c + " (1 of 3)", "Reading " + a + " (2 of 3)",
                           "Reading " + b + " (3 of 3)", "Calculating word-frequency table ..."}));
    EXPECT_EQ(Rows(), (Table{"1|DOG|3", "2|CAT|1", "3|CATS|1", "4|ZEBRA|1"}));
    EXPECT_EQ(StatusLine(), "Frequency order. 8 words; 3 common (hidden); 1 numeric (hidden); showing 4.");
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_TRUE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_FALSE(Find<QLabel>("TopStatus")->isVisible());
    EXPECT_FALSE(Main().Busy());
    EXPECT_EQ(Grid()->currentIndex().row(), 0);
    EXPECT_EQ(Model()->CellText(0, 0), "       1");
    EXPECT_EQ(Model()->CellText(0, 1), "  DOG");

    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "3");
    EXPECT_EQ(In<QLabel>(StatsWin(), "DATwords")->text(), "4");
    EXPECT_EQ(In<QLabel>(StatsWin(), "DATfound")->text(), "3");
    EXPECT_EQ(In<QLabel>(StatsWin(), "DATunused")->text(), "1");
    EXPECT_EQ(In<QLabel>(StatsWin(), "TotWords")->text(), "13");
    EXPECT_EQ(In<QLabel>(StatsWin(), "UniqueWords")->text(), "8");
    EXPECT_EQ(In<QLabel>(StatsWin(), "UniqueWords2")->text(), "5");
    EXPECT_EQ(In<QLabel>(StatsWin(), "UniqueNums")->text(), "1");
    EXPECT_EQ(ComboItems(In<QComboBox>(StatsWin(), "FileList")), (QStringList{"A.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(In<QComboBox>(StatsWin(), "FileList")->currentText(), "A.txt");
    // The list takes no typed text: keys only move through the sorted names.
    auto* files = In<QComboBox>(StatsWin(), "FileList");
    EXPECT_FALSE(files->isEditable());
    QTest::keyClicks(files, "zz");
    EXPECT_EQ(ComboItems(files), (QStringList{"A.txt", "b.txt", "c.txt"}));
    EXPECT_NE(files->currentText(), "zz");
    // The open dialog starts next time in the folder of the first file chosen.
    EXPECT_EQ(Main().OpenDir().toStdString(), dir.path());
}

TEST_F(MainWindowTest, StatisticsWindowOpensOnlyAfterARunAndClosesOnEscRelease) {
    Start();
    Main().RunShortcut(Act("Statistics1"));
    EXPECT_FALSE(StatsWin().isVisible());
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "one two"))});
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(StatsWin().isVisible());
        QTest::keyPress(In<QPushButton>(StatsWin(), "OKButton"), Qt::Key_Escape);
        EXPECT_TRUE(StatsWin().isVisible());  // closes on release, not on press
        QTest::keyRelease(In<QPushButton>(StatsWin(), "OKButton"), Qt::Key_Escape);
    });
    Main().RunShortcut(Act("Statistics1"));
    EXPECT_FALSE(StatsWin().isVisible());
    EXPECT_TRUE(Settings().IniExists("statwinLeft"));
    EXPECT_EQ(Settings().IniSetting("statwinMax"), "n");
}

TEST_F(MainWindowTest, BreakAnsweredNoGoesOnAndYesStopsWithWhatWasRead) {
    Start();
    Act("ReadCommonWordList1")->setChecked(false);
    // One thread, so the run looks for Break every 100 words and the stop falls inside
    // the second document; threaded runs look after each chunk (tested in the core).
    Main().Run().SetThreads(1);
    const int perFile = 2'000'000;
    const QString first = QString::fromStdString(WriteText("first.txt", ManyWords(perFile)));
    const QString second = QString::fromStdString(WriteText("second.txt", ManyWords(perFile)));
    const QString third = QString::fromStdString(WriteText("third.txt", ManyWords(perFile)));
    // The user chooses Break during the second document, answers No, chooses Break
    // again and answers Yes.
    bool queued = false;
    auto progress = Main().Run().Hooks().showProgress;
    Main().Run().Hooks().showProgress = [&] {
        if (!queued && Main().Run().State().FilesRead == 2) {
            queued = true;
            QMetaObject::invokeMethod(Act("Break1"), "trigger", Qt::QueuedConnection);
        }
        progress();
    };
    ui.confirmAnswers = {false, true};
    int asked = 0;
    ui.onConfirm = [&] {
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
        if (++asked == 1) QMetaObject::invokeMethod(Act("Break1"), "trigger", Qt::QueuedConnection);
    };
    EXPECT_TRUE(Act("Break1")->isVisible() == false);
    OpenDocuments({first, second, third});

    EXPECT_EQ(ui.Texts("Confirm"), (QStringList{"Stop processing now?", "Stop processing now?"}));
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "2");
    const int total = In<QLabel>(StatsWin(), "TotWords")->text().toInt();
    EXPECT_GT(total, perFile);
    EXPECT_LT(total, 2 * perFile);
    EXPECT_EQ(ComboItems(In<QComboBox>(StatsWin(), "FileList")), (QStringList{"first.txt", "second.txt"}));
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_FALSE(Act("Break1")->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, BusyModeHidesTheMenusAndBlocksTheirShortcuts) {
    Start();
    const QString doc = QString::fromStdString(WriteText("doc.txt", ManyWords(300)));
    bool checked = false;
    auto progress = Main().Run().Hooks().showProgress;
    Main().Run().Hooks().showProgress = [&] {
        if (!checked) {
            checked = true;
            EXPECT_TRUE(Main().Busy());
            EXPECT_FALSE(Menu("File1")->menuAction()->isVisible());
            EXPECT_FALSE(Menu("Display1")->menuAction()->isVisible());
            EXPECT_TRUE(Menu("Help1")->menuAction()->isVisible());
            EXPECT_TRUE(Act("Break1")->isVisible());
            EXPECT_FALSE(Find<QPushButton>("OpenBut")->isEnabled());
            EXPECT_TRUE(Find<QLabel>("TopStatus")->isVisible());
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            // A shortcut that would start another run does nothing now.
            Main().RunShortcut(Act("Open1"));
            EXPECT_EQ(ui.openRequests.size(), 1u);
            // Escape while the progress line shows is Break.
            EXPECT_TRUE(KeyTaken(Qt::Key_Escape));
        }
        progress();
    };
    OpenDocuments({doc});
    EXPECT_TRUE(checked);
    EXPECT_EQ(ui.Texts("Confirm"), QStringList{"Stop processing now?"});
    EXPECT_TRUE(Menu("File1")->menuAction()->isVisible());
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isEnabled());
    EXPECT_EQ(Find<QLabel>("TopStatus")->text(), "Words 300 ... Unique 300");
}

TEST_F(MainWindowTest, ClipboardRunCutsAtTheFirstZeroAndIsNamedClipboard) {
    Start();
    QGuiApplication::clipboard()->setText(QString::fromUtf8("na\xC3\xAFve caf\xC3\xA9\nline\x00hidden", 26));
    QStringList status;
    QObject::connect(&Main(), &TVornixMain::StatusShown, [&](const QString& s) { status << s; });
    QTest::keyClick(&Main(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Rows(), (Table{"1|CAFE|1", "2|LINE|1", "3|NAIVE|1"}));
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "1");
    EXPECT_EQ(ComboItems(In<QComboBox>(StatsWin(), "FileList")), QStringList{"Clipboard"});
    EXPECT_TRUE(status.contains("Reading from clipboard"));

    // With no text on the clipboard neither Ctrl+Insert nor a right click runs.
    QGuiApplication::clipboard()->clear();
    const std::string before = In<QLabel>(StatsWin(), "TotWords")->text().toStdString();
    Main().RunShortcut(Act("OpenClipboard1"));
    Main().show();
    QTest::keyClick(&Main(), Qt::Key_Escape);  // back to the Open File button
    QTest::mouseClick(Find<QPushButton>("OpenBut"), Qt::RightButton);
    EXPECT_EQ(In<QLabel>(StatsWin(), "TotWords")->text().toStdString(), before);
    EXPECT_FALSE(Grid()->isVisible());

    // A right-button press on Open File analyses the clipboard.
    QGuiApplication::clipboard()->setText("right click");
    QTest::mousePress(Find<QPushButton>("OpenBut"), Qt::RightButton);
    EXPECT_EQ(Rows(), (Table{"1|CLICK|1", "2|RIGHT|1"}));
}

TEST_F(MainWindowTest, UnicodeClipboardAndTheDetectUnicodeChoice) {
    Start();
    // The clipboard is read by the Unicode rules: letters outside Windows-1252 fold,
    // other scripts separate and are counted.
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8("Z\xC3\xBCrich \xC5\x82\xC3\xB3"
                          "d\xC5\xBA "
                          "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 caf\xC3\xA9"));
    QTest::keyClick(&Main(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Rows(), (Table{"1|CAFE|1", "2|LODZ|1", "3|ZURICH|1"}));
    EXPECT_EQ(Main().Run().Stats().OtherScriptLetters, 6);

    // The check box decides how a UTF-8 document is read, and is kept in the settings.
    const QString doc = QString::fromStdString(WriteText("utf8.txt", "na\xC3\xAFve"));
    struct Case {
        bool detect;
        Table rows;  // byte by byte, C3 AF reads as A and a separator
        const char* stored;
    } cases[] = {{false, {"1|NAA|1", "2|VE|1"}, "n"}, {true, {"1|NAIVE|1"}, "y"}};
    for (const Case& c : cases) {
        QTimer::singleShot(0, [&] {
            In<QCheckBox>(AddDlg(), "DetectUnicode")->setChecked(c.detect);
            In<QPushButton>(AddDlg(), "OKBtn")->click();
        });
        Act("AdditionalSettings1")->trigger();
        EXPECT_EQ(Settings().IniSetting("DetectUnicode"), c.stored);
        OpenDocuments({doc});
        EXPECT_EQ(Rows(), c.rows) << c.stored;
    }
}

TEST_F(MainWindowTest, EscapeLeavesTheResultsViewAndHomeEndMove) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "b b b c c d e f g"))});
    Grid()->setCurrentIndex(Model()->index(2, 2));
    QTest::keyClick(Grid(), Qt::Key_End);
    EXPECT_EQ(Grid()->currentIndex().row(), 5);
    EXPECT_EQ(Grid()->currentIndex().column(), 0);
    Grid()->setCurrentIndex(Model()->index(3, 1));
    QTest::keyClick(Grid(), Qt::Key_Home);
    EXPECT_EQ(Grid()->currentIndex().row(), 0);
    EXPECT_EQ(Grid()->currentIndex().column(), 0);
    QTest::keyClick(Grid(), Qt::Key_Escape);
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_FALSE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_EQ(StatusLine(), "");
    EXPECT_EQ(Main().centralWidget()->palette().color(QPalette::Window), QColor(0, 128, 0));
    EXPECT_EQ(Main().Run().Store().WordCount(), 10);  // the store stays (four words come from the list)
}

TEST_F(MainWindowTest, UnopenableDocumentShowsTheErrorAndEndsTheRun) {
    Start();
    const QString good = QString::fromStdString(WriteText("good.txt", "alpha beta"));
    const QString missing = QString::fromStdString(dir.file("missing.txt"));
    OpenDocuments({good, missing, good});
    EXPECT_EQ(ui.Texts("Error"), QStringList{"Cannot open file " + missing + " (No such file or directory)"});
    EXPECT_FALSE(Main().Busy());
    EXPECT_TRUE(Menu("File1")->menuAction()->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(Rows(), (Table{"1|ALPHA|1", "2|BETA|1"}));
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "2");
}

TEST_F(MainWindowTest, NoWordPassingTheFilterShowsZeroRows) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "the and of 12"))});
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(StatusLine(), "Frequency order. 4 words; 3 common (hidden); 1 numeric (hidden); showing 0.");
}

TEST_F(MainWindowTest, EmptyRunAfterResultsShowsNoOldRows) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "words here"))});
    ASSERT_EQ(Model()->rowCount(), 2);
    Act("ReadCommonWordList1")->setChecked(false);
    OpenDocuments({QString::fromStdString(WriteText("empty.txt", ""))});
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isVisible());
}

TEST_F(MainWindowTest, SettingsAreWrittenAtShutDownAndRestoredAtTheNextStart) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "x"))});
    Act("ShowNumbers1")->trigger();
    Act("AlphabeticalList1")->trigger();
    Act("LowerCase1")->trigger();
    Main().move(100, 120);
    Main().resize(600, 400);
    Stop();
    const std::string ini = ReadFile(SettingsFolder() + "Vornix.ini");
    EXPECT_EQ(
        ini.rfind("OpenDir=" + dir.path() +
                      "\r\nReadCommon=y\r\nShowCommon=n\r\nShowNum=y\r\nFreqOrder=n\r\n"
                      "AlphaOrder=y\r\nLengthOrder=n\r\nLowerCase=y\r\nMainMax=n\r\nMainLeft=100\r\nMainTop=120\r\n"
                      "MainHeight=400\r\nMainWidth=600\r\n",
                  0),
        0u)
        << ini;
    for (const auto& entry : std::filesystem::directory_iterator(SettingsFolder()))
        EXPECT_NE(entry.path().extension(), ".$$$") << "record file left behind";

    Start();
    EXPECT_TRUE(Act("ShowNumbers1")->isChecked());
    EXPECT_TRUE(Act("AlphabeticalList1")->isChecked());
    EXPECT_FALSE(Act("FrequencyList1")->isChecked());
    EXPECT_TRUE(Act("LowerCase1")->isChecked());
    EXPECT_EQ(Find<QTabBar>("TabControl1")->currentIndex(), 0);
    EXPECT_EQ(Main().pos(), QPoint(100, 120));
    EXPECT_EQ(Main().size(), QSize(600, 400));
    EXPECT_EQ(Main().OpenDir().toStdString(), dir.path());
    Act("Open1")->trigger();
    EXPECT_EQ(ui.openRequests.back().folder.toStdString(), dir.path());
    EXPECT_EQ(ui.openRequests.back().title, "Open file(s) for Vornix analysis");
}

TEST_F(MainWindowTest, NoListAnywhereGreysTheListItems) {
    std::filesystem::remove(programFolder + "Vornix.dat");
    Start();
    EXPECT_FALSE(Act("ReadCommonWordList1")->isChecked());
    EXPECT_FALSE(Act("ReadCommonWordList1")->isEnabled());
    EXPECT_FALSE(Act("ShowCommonWords1")->isEnabled());
    EXPECT_FALSE(Act("EditCommonWordList1")->isEnabled());
    OpenDocuments({QString::fromStdString(WriteText("d.txt", "the cat"))});
    EXPECT_EQ(Rows(), (Table{"1|CAT|1", "2|THE|1"}));
}

TEST_F(MainWindowTest, UnreadableSettingsAreReportedAndKept) {
    std::filesystem::create_directories(SettingsFolder() + "Vornix.ini");  // a folder cannot be read as a file
    Start();
    ASSERT_EQ(ui.Texts("Error").size(), 1);
    EXPECT_TRUE(ui.Texts("Error")[0].startsWith(QString::fromStdString("Cannot open file " + SettingsFolder())));
    Stop();
    EXPECT_TRUE(std::filesystem::is_directory(SettingsFolder() + "Vornix.ini"));
    EXPECT_EQ(ui.Texts("Error").size(), 2);  // the save was refused and said so
}

namespace {

// Every key sequence the window answers, with the objects that own it, per window.
std::map<std::pair<QWidget*, QString>, QStringList> KeyOwners(QWidget& main) {
    std::map<std::pair<QWidget*, QString>, QStringList> owners;
    for (QAction* action : main.findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts()) {
            QWidget* parent = qobject_cast<QWidget*>(action->parent());
            owners[{parent ? parent->window() : &main, key.toString()}] << action->objectName();
        }
    for (QShortcut* shortcut : main.findChildren<QShortcut*>())
        for (const QKeySequence& key : shortcut->keys())
            owners[{qobject_cast<QWidget*>(shortcut->parent())->window(), key.toString()}] << shortcut->objectName();
    return owners;
}

}  // namespace

TEST_F(MainWindowTest, EveryKeySequenceHasOneOwner) {
    Start();
    const auto owners = KeyOwners(Main());
    EXPECT_GE(owners.size(), 10u);
    for (const auto& [key, names] : owners)
        EXPECT_EQ(names.size(), 1) << key.second.toStdString() << ": " << names.join(", ").toStdString();
}

TEST_F(MainWindowTest, ShortcutsWorkAfterAMenuWasOpenedAndClosedFromTheKeyboard) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("doc.txt", "one two two three three three"))});
    // Dialogs and windows a shortcut opens are closed again at once.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    closer.start(20);
    int acted = 0;
    for (QShortcut* shortcut : Main().findChildren<QShortcut*>()) {
        if (!shortcut->objectName().startsWith("Key_")) continue;
        QAction* item = Act(shortcut->objectName().mid(4).toLatin1().constData());
        ASSERT_NE(item, nullptr);
        for (const char* menuKey : {"F", "E", "D", "H"}) {
            QApplication::setActiveWindow(&Main());
            Main().activateWindow();
            Grid()->setFocus();
            // Alt+letter opens the menu, Escape closes it: the menu bar keeps the focus.
            QTest::keyClick(&Main(), menuKey[0], Qt::AltModifier);
            QWidget* popup = QApplication::activePopupWidget();
            ASSERT_NE(popup, nullptr) << menuKey;
            QTest::keyClick(popup, Qt::Key_Escape);
            ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
            // Whether the item may act now, as its menu decides when it opens.
            for (const char* menu : {"File1", "Edit1", "Display1", "Help1"}) emit Menu(menu)->aboutToShow();
            const bool enabled = item->isEnabled();
            int triggered = 0;
            const auto connection = QObject::connect(item, &QAction::triggered, [&] { ++triggered; });
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &Main();
            const QKeySequence key = shortcut->key();
            QTest::keyClick(focus, static_cast<Qt::Key>(key[0].key()), key[0].keyboardModifiers());
            QObject::disconnect(connection);
            EXPECT_EQ(triggered, enabled ? 1 : 0) << item->objectName().toStdString() << " after Alt+" << menuKey;
            acted += triggered;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window != &Main() && window->isVisible()) window->hide();
        }
    }
    EXPECT_GE(acted, 4 * 7);
}

TEST_F(MainWindowTest, StatusNoteTellsAPartialCountAndTheThreshold) {
    Start();
    QLabel* note = Find<QLabel>("StatusNote");
    const QString doc = QString::fromStdString(WriteText("doc.txt", ManyWords(3000)));
    OpenDocuments({doc});
    EXPECT_EQ(note->text(), "");
    EXPECT_FALSE(note->isVisible());

    // Break, answered Yes.
    auto progress = Main().Run().Hooks().showProgress;
    Main().Run().Hooks().showProgress = [&] {
        Main().Run().State().BreakRequested = true;
        progress();
    };
    ui.confirmAnswers.push_back(true);
    OpenDocuments({doc});
    Main().Run().Hooks().showProgress = progress;
    EXPECT_EQ(note->text(), "Partial: stopped by the user");
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(StatusLine().startsWith("Frequency order.")) << StatusLine().toStdString();

    // A threshold above 1 is named; a whole count again drops the partial note.
    In<QSpinBox>(AddDlg(), "Threshold")->setValue(3);
    OpenDocuments({doc});
    EXPECT_EQ(note->text(), "Threshold 3");
    In<QSpinBox>(AddDlg(), "Threshold")->setValue(1);
    OpenDocuments({doc});
    EXPECT_EQ(note->text(), "");
}

TEST_F(MainWindowTest, StatusNoteTellsTheWordLimit) {
    Start();
    std::string text;
    for (std::int32_t i = 0; i <= WordStore::DefaultMaxWords; ++i) {
        std::int32_t n = i;
        for (int d = 0; d < 5; ++d, n /= 26) text += static_cast<char>('a' + n % 26);
        text += ' ';
    }
    OpenDocuments({QString::fromStdString(WriteText("many.txt", text))});
    EXPECT_EQ(Find<QLabel>("StatusNote")->text(), "Partial: word limit reached");
}

TEST_F(MainWindowTest, TheStatusTextNeverWidensTheWindow) {
    Start();
    const int width = Main().width();
    Main().Run().Hooks().showStatus(std::string(400, 'x'));
    QApplication::processEvents();
    EXPECT_EQ(Main().width(), width);
    EXPECT_LE(Main().minimumSizeHint().width(), width);
}

TEST_F(MainWindowTest, StatisticsShowTheCoreRowsOtherScriptsAndVocabulary) {
    Start();
    const std::string a = WriteText("alpha.txt", "one two two \xCE\xB1\xCE\xB2\xCE\xB3 three");
    const std::string b = WriteText("beta.txt", "four");
    OpenDocuments({QString::fromStdString(a), QString::fromStdString(b)});
    // The captions are the run's own, in its order.
    QStringList captions;
    for (QLabel* label : StatsWin().findChildren<QLabel*>())
        if (label->objectName().isEmpty()) captions << label->text();
    for (const StatsRow& row : kStatsRows) EXPECT_TRUE(captions.contains(row.caption)) << row.caption;
    EXPECT_TRUE(captions.contains(kFilesReadCaption));
    EXPECT_TRUE(captions.contains(kOtherScriptsCaption));
    EXPECT_EQ(In<QLabel>(StatsWin(), "OtherScripts")->text(), QString::number(Main().Run().Stats().OtherScriptLetters));
    EXPECT_EQ(In<QLabel>(StatsWin(), "TotWords")->text(), "5");

    // The vocabulary rows are the core's, in its order, below the separator.
    const auto rows = VocabularyRows(Main().Run().Store(), Main().Run().Vocabulary(), false);
    ASSERT_FALSE(rows.empty());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(In<QLabel>(StatsWin(), QStringLiteral("VocabularyCaption%1").arg(i).toLatin1().constData())
                      ->text()
                      .toStdString(),
                  rows[i].first);
        EXPECT_EQ(In<QLabel>(StatsWin(), QStringLiteral("VocabularyValue%1").arg(i).toLatin1().constData())
                      ->text()
                      .toStdString(),
                  rows[i].second);
    }
    // Whole names in the list, each with its full path as the tooltip.
    auto* files = In<QComboBox>(StatsWin(), "FileList");
    ASSERT_EQ(files->count(), 2);
    EXPECT_EQ(files->itemText(0), "alpha.txt");
    EXPECT_EQ(files->itemData(0, Qt::ToolTipRole).toString().toStdString(), a);
    EXPECT_EQ(files->itemData(1, Qt::ToolTipRole).toString().toStdString(), b);
}

namespace {

// Every label and button of the window that is shown gets at least the room its text
// asks for (a label that wraps: the height for its width). A window the program places
// lies wholly on the screen.
void ExpectNothingClipped(QWidget& window, const std::string& what, bool placed = true) {
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget)))
            continue;
        const std::string name = what + " " + widget->objectName().toStdString();
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && label->wordWrap()) {
            EXPECT_GE(widget->height(), widget->heightForWidth(widget->width())) << name;
            continue;
        }
        QSize need = widget->sizeHint();
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // The caption with the style's margins; the style's minimum width for a
            // button with text (80 in Fusion) is a look, not a need.
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            need.setWidth(std::min(
                need.width(), button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() + 2 * margin));
        }
        EXPECT_GE(widget->width(), need.width()) << name;
        EXPECT_GE(widget->height(), need.height()) << name;
        // Nor does its parent cut it off.
        if (QWidget* parent = widget->parentWidget(); parent && !widget->isWindow())
            EXPECT_TRUE(parent->rect().contains(widget->geometry())) << name;
    }
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    if (placed)
        EXPECT_TRUE(area.contains(frame))
            << what << " at " << frame.x() << "," << frame.y() << ", " << frame.width() << "x" << frame.height();
}

}  // namespace

TEST_F(MainWindowTest, WindowsFitTheirTextAtTheDefaultAndALargeFont) {
    const QFont original = QApplication::font();
    // Each window as the user opens it, and how it goes away again.
    struct Window {
        const char* name;
        std::function<QWidget*()> open;
        std::function<void(QWidget*)> close = [](QWidget* w) { w->hide(); };
        bool placed = true;  // the main window keeps the place the user gave it
    };
    auto shown = [](QWidget* w) {
        w->show();
        return w;
    };
    const std::vector<Window> windows = {
        {"statistics", [&] { return shown(&StatsWin()); }},
        {"additional settings", [&] { return shown(&AddDlg()); }},
        {"search", [&] { return shown(&SearchWin()); }},
        {"word in context",
         [&]() -> QWidget* {
             Grid()->setCurrentIndex(Model()->index(0, 1));
             QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
             auto* window = Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow"));
             if (window) EXPECT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }));
             return window;
         }},
        {"charts",
         [&]() -> QWidget* {
             Act("Charts1")->trigger();
             return Main().findChild<ChartsWindow*>(QStringLiteral("ChartsWindow"));
         }},
        {"list editor",
         [&]() -> QWidget* {
             Act("EditCommonWordList1")->trigger();
             return Find<QPlainTextEdit>("Memo1")->isVisible() ? &Main() : nullptr;
         },
         [&](QWidget*) { QTest::mouseClick(Find<QPushButton>("CancelBut"), Qt::LeftButton); }, false},
    };
    for (const int points : {0, 14}) {
        if (points) {
            QFont large = original;
            large.setPointSize(points);
            QApplication::setFont(large);
        }
        const std::string font = points ? "14 pt" : "default";
        Start();
        OpenDocuments({QString::fromStdString(WriteText("a-rather-long-document-name-for-the-list.txt", "one two")),
                       QString::fromStdString(WriteText("b.txt", "three"))});
        for (const Window& w : windows) {
            QWidget* window = w.open();
            ASSERT_NE(window, nullptr) << w.name;
            QApplication::processEvents();
            ExpectNothingClipped(*window, w.name + (" " + font), w.placed);
            w.close(window);
        }

        // About: the program's real message box with the text of the About item.
        Act("About1")->trigger();
        ASSERT_EQ(ui.Texts("Information").size(), 1);
        bool checked = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box) return;
            checked = true;
            ExpectNothingClipped(*box, "about " + font);
            box->close();
        });
        QtUiServices().Information(&Main(), ui.Texts("Information")[0]);
        EXPECT_TRUE(checked);
        Stop();
        ui.messages.clear();
    }
    QApplication::setFont(original);
}

// The screenshots of the manual: run under Xvfb at 1366x768 with VORNIX_SCREENSHOTS
// naming the folder to write them to.
TEST_F(MainWindowTest, ScreenshotsAtALargeFont) {
    const QString folder = qEnvironmentVariable("VORNIX_SCREENSHOTS");
    if (folder.isEmpty()) GTEST_SKIP() << "VORNIX_SCREENSHOTS not set";
    const QFont original = QApplication::font();
    QFont large = original;
    large.setPointSize(14);
    QApplication::setFont(large);
    Start();
    // The documents come as a drop of three files from a file manager.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(
                         QString::fromStdString(WriteText("the-tale-of-two-cities-chapter-one.txt",
                                                          "It was the best of times, it was the worst of times, "
                                                          "it was the age of wisdom, it was the age of foolishness"))),
                     QUrl::fromLocalFile(QString::fromStdString(
                         WriteText("notes.txt", "wisdom and folly, wise words and worse words"))),
                     QUrl::fromLocalFile(QString::fromStdString(
                         WriteText("letters.txt", "Dear Sir, the weather was worse than wise")))});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject&>(Main()).event(&drop);
    ASSERT_TRUE(drop.isAccepted());
    auto save = [&](QWidget& window, const char* name) {
        window.show();
        QTest::qWait(300);
        EXPECT_TRUE(window.grab()
                        .scaledToWidth(std::min(window.width(), 900), Qt::SmoothTransformation)
                        .save(folder + "/" + name, "PNG", 9));
    };
    save(Main(), "after-drop-14pt.png");
    save(StatsWin(), "statistics-14pt.png");
    StatsWin().hide();
    save(AddDlg(), "additional-settings-14pt.png");
    AddDlg().hide();
    Main().resize(900, 520);  // as a user widens it on a 1366-pixel screen
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(Find<QLineEdit>("FilterBox"), "^w*s");
    QTest::qWait(400);
    save(Main(), "filter-14pt.png");
    // The filter kept into the next count, which it hides wholly.
    Find<QLineEdit>("FilterBox")->setText("^wis$");
    QTest::qWait(400);
    OpenDocuments({QString::fromStdString(WriteText("letters.txt", "Dear Sir, the weather was worse than wise"))});
    save(Main(), "filter-note-14pt.png");
    Stop();
    QApplication::setFont(original);
}

TEST_F(MainWindowTest, ATerminationSignalDuringACountStopsItWithoutAskingAndCloses) {
    Start();
    Main().WatchTerminationSignals();
    const QString doc = QString::fromStdString(WriteText("doc.txt", ManyWords(3000)));
    bool sent = false;
    auto progress = Main().Run().Hooks().showProgress;
    Main().Run().Hooks().showProgress = [&] {
        if (!sent) {
            sent = true;
            ::raise(SIGTERM);  // as a logout sends it; handled in the event loop, not here
            EXPECT_TRUE(Main().isVisible());
        }
        progress();
        // The run lets events in every so often; a short document must not outrun that.
        QCoreApplication::processEvents();
    };
    OpenDocuments({doc});
    QTRY_VERIFY(!Main().isVisible());
    EXPECT_TRUE(sent);
    EXPECT_TRUE(Main().Run().State().StopRun);   // stopped as after Break -> Yes ...
    EXPECT_TRUE(ui.Texts("Confirm").isEmpty());  // ... without a question nobody answers
    EXPECT_LT(Main().Run().State().TotalWords, 3000);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) std::signal(signal, SIG_DFL);
}

TEST_F(MainWindowTest, DocumentsNamedAtStartAreAnalysedAsIfChosen) {
    const std::string a = WriteText("a.txt", "alpha beta");
    WriteText("b.txt", "beta");
    const std::vector<std::string> arguments = {"id=7", a, "b.txt", "missing.txt"};
    // Relative names are taken from the current folder; the run id is no document.
    const QString here = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.path()));
    const QStringList files = DocumentsNamedAtStart(arguments);
    QDir::setCurrent(here);
    ASSERT_EQ(files, (QStringList{QString::fromStdString(a), QString::fromStdString(dir.path() + "/b.txt"),
                                  QString::fromStdString(dir.path() + "/missing.txt")}));
    Start();
    Main().OpenDocuments(files);
    // The missing one counts as a file taken up, as with the open dialog.
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "3");
    EXPECT_EQ(Rows(), (Table{"1|BETA|2", "2|ALPHA|1"}));
    ASSERT_EQ(ui.Texts("Error").size(), 1u);
    EXPECT_TRUE(ui.Texts("Error")[0].startsWith("Cannot open file"));
}

TEST_F(MainWindowTest, DroppedFilesAndTextAreAnalysed) {
    Start();
    auto drop = [this](QMimeData* data) {
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application object lets a drop through only while a drag runs.
        static_cast<QObject&>(Main()).event(&event);
        return event.isAccepted();
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(WriteText("a.txt", "alpha beta"))),
                   QUrl::fromLocalFile(QString::fromStdString(WriteText("b.txt", "beta")))});
    EXPECT_TRUE(drop(&files));
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "2");
    EXPECT_EQ(Rows(), (Table{"1|BETA|2", "2|ALPHA|1"}));
    QMimeData text;
    text.setText("gamma gamma delta");
    EXPECT_TRUE(drop(&text));
    EXPECT_EQ(Rows(), (Table{"1|GAMMA|2", "2|DELTA|1"}));
    QMimeData empty;
    EXPECT_FALSE(drop(&empty));
}

TEST_F(MainWindowTest, DocumentsHandedOverWaitUntilTheWindowIsIdle) {
    Start();
    const QString big = QString::fromStdString(WriteText("big.txt", ManyWords(300)));
    const QString a = QString::fromStdString(WriteText("a.txt", "alpha beta"));
    const QString b = QString::fromStdString(WriteText("b.txt", "beta"));
    auto fileCount = [this] { return In<QLabel>(StatsWin(), "FileCount")->text(); };

    // During a run: both sets are taken at once and analysed after it, in order.
    bool handed = false;
    auto progress = Main().Run().Hooks().showProgress;
    Main().Run().Hooks().showProgress = [&] {
        if (!handed) {
            handed = true;
            EXPECT_EQ(Main().AnalyseWhenIdle({a, b}), "");
            EXPECT_EQ(Main().AnalyseWhenIdle({b}), "");
        }
        progress();
    };
    OpenDocuments({big});
    ASSERT_TRUE(handed);
    QTest::qWait(200);
    EXPECT_EQ(fileCount(), "1");
    EXPECT_EQ(Rows(), (Table{"1|BETA|1"}));
    OpenMenu("File1");
    const QStringList sets = {In<QAction>(Main(), "Recent1")->toolTip(), In<QAction>(Main(), "Recent2")->toolTip(),
                              In<QAction>(Main(), "Recent3")->toolTip()};
    EXPECT_EQ(sets, (QStringList{b, a + "\n" + b, big}));

    // With the list editor open: nothing happens until it is closed, and its text stays.
    Act("EditCommonWordList1")->trigger();
    Find<QPlainTextEdit>("Memo1")->appendPlainText("unsaved");
    EXPECT_EQ(Main().AnalyseWhenIdle({a}), "");
    QTest::qWait(700);
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->isVisible());
    EXPECT_TRUE(Find<QPlainTextEdit>("Memo1")->toPlainText().contains("unsaved"));
    auto* note = Find<QLabel>("HandOverNote");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), "Documents are waiting to be analysed: close the list editor");
    // Whole, and under none of the editor's buttons, which take the status line's middle.
    EXPECT_GE(note->height(), note->heightForWidth(note->width()));
    const QRect noteArea(note->mapTo(&Main(), QPoint(0, 0)), note->size());
    for (const char* name : {"SaveBut", "SortBut", "CancelBut", "HelpBut"}) {
        auto* button = Find<QPushButton>(name);
        ASSERT_TRUE(button->isVisible()) << name;
        EXPECT_FALSE(QRect(button->mapTo(&Main(), QPoint(0, 0)), button->size()).intersects(noteArea)) << name;
    }
    ui.confirmAnswers = {true};  // leave without saving
    Find<QPushButton>("CancelBut")->click();
    QTest::qWait(700);
    EXPECT_EQ(Rows(), (Table{"1|ALPHA|1", "2|BETA|1"}));
    EXPECT_FALSE(note->isVisible());

    // With the additional settings dialog open: the note names it, and the documents
    // are counted once it is closed.
    bool seen = false;
    QTimer inDialog;
    inDialog.setSingleShot(true);
    QObject::connect(&inDialog, &QTimer::timeout, [&] {
        EXPECT_TRUE(AddDlg().isVisible());
        EXPECT_EQ(Main().AnalyseWhenIdle({b}), "");
        QTest::qWait(500);
        seen = note->isVisible() && note->text() == "Documents are waiting to be analysed: close the dialog";
        EXPECT_EQ(Rows(), (Table{"1|ALPHA|1", "2|BETA|1"}));  // not yet
        QTest::mouseClick(In<QPushButton>(AddDlg(), "OKBtn"), Qt::LeftButton);
    });
    inDialog.start(0);
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F5);
    EXPECT_TRUE(seen);
    QTest::qWait(700);
    EXPECT_EQ(Rows(), (Table{"1|BETA|1"}));
    EXPECT_FALSE(note->isVisible());
}
