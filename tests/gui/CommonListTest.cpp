// The common words list: which list is current and how it is provided, the editor
// with Sort and Save, and adding a word of the table from the grid's pop-up menu.
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "gui/display/ResultModel.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"

using namespace vornix;
using namespace vornix::test;
using Table = std::vector<std::string>;

namespace {

const QString kAbandon = QStringLiteral("Text was changed! Abandon changes?");

}  // namespace

class CommonListTest : public GuiFixture {
protected:
    // Sorting follows the user's language; the tests pin it instead of taking the
    // machine's.
    void SetUp() override {
        savedLocale_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(savedLocale_); }

    std::string ListFile() const { return SettingsFolder() + "Vornix.dat"; }
    // The per-user list as it is before the program starts.
    void WriteUserList(const std::string& bytes) {
        std::filesystem::create_directories(SettingsFolder());
        WriteText(".config/Korvane/Vornix/Vornix.dat", bytes);
    }
    void Analyse(const std::string& text) { OpenDocuments({QString::fromStdString(WriteText("doc.txt", text))}); }

    bool EditorShown() { return Find<QPlainTextEdit>("Memo1")->isVisible(); }
    QString MemoText() { return Find<QPlainTextEdit>("Memo1")->toPlainText(); }
    bool Changed() { return Find<QPlainTextEdit>("Memo1")->document()->isModified(); }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Chooses the add item of the grid's pop-up menu on a row, as the mouse does.
    void AddFromRow(int row) {
        Grid()->setCurrentIndex(Model()->index(row, 1));
        const QPoint at = Grid()->visualRect(Grid()->currentIndex()).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(Grid()->viewport(), &event);
        ASSERT_TRUE(Menu("PopupMenu1")->isVisible());
        QTest::mouseClick(Menu("PopupMenu1"), Qt::LeftButton, {},
                          Menu("PopupMenu1")->actionGeometry(Act("Add2Common1")).center());
        EXPECT_FALSE(Menu("PopupMenu1")->isVisible());
    }
    // Statistics figures: common words, common found, unique non-common, unused.
    std::vector<std::string> CommonFigures() {
        return {In<QLabel>(StatsWin(), "DATwords")->text().toStdString(),
                In<QLabel>(StatsWin(), "DATfound")->text().toStdString(),
                In<QLabel>(StatsWin(), "UniqueWords2")->text().toStdString(),
                In<QLabel>(StatsWin(), "DATunused")->text().toStdString()};
    }

private:
    QLocale savedLocale_;
};

TEST_F(CommonListTest, TheMasterListIsInstalledOnceAndNeverReplaced) {
    Start();
    EXPECT_EQ(ReadFile(ListFile()), kMasterList);
    EXPECT_TRUE(Act("ReadCommonWordList1")->isChecked());
    EXPECT_TRUE(Act("ReadCommonWordList1")->isEnabled());
    EXPECT_TRUE(Act("EditCommonWordList1")->isEnabled());
    EXPECT_TRUE(Act("ShowCommonWords1")->isEnabled());
    Stop();

    // The user's own list stays, also when the master copy is newer.
    WriteUserList("MINE\r\n");
    dir.write("prog/Vornix.dat", "NEWER\r\nMASTER\r\n");
    std::filesystem::last_write_time(programFolder + "Vornix.dat",
                                     std::filesystem::last_write_time(ListFile()) + std::chrono::hours(1));
    Start();
    EXPECT_EQ(ReadFile(ListFile()), "MINE\r\n");
    Analyse("mine master");
    EXPECT_EQ(Rows(), Table{"1|MASTER|1"});
}

TEST_F(CommonListTest, AMasterListThatCannotBeCopiedGreysTheListItems) {
    // The master "file" cannot be read, so no copy can be made.
    std::filesystem::remove(programFolder + "Vornix.dat");
    std::filesystem::create_directory(programFolder + "Vornix.dat");
    Start();
    EXPECT_FALSE(FileExists(ListFile()));
    EXPECT_FALSE(Act("ReadCommonWordList1")->isChecked());
    EXPECT_FALSE(Act("ReadCommonWordList1")->isEnabled());
    EXPECT_FALSE(Act("ShowCommonWords1")->isEnabled());
    EXPECT_FALSE(Act("EditCommonWordList1")->isEnabled());
    Stop();
    EXPECT_EQ(Settings().IniSetting("ReadCommon"), "n");

    // With a list there again, the item is offered but stays unchecked as stored.
    WriteUserList("THE\r\n");
    Start();
    EXPECT_TRUE(Act("ReadCommonWordList1")->isEnabled());
    EXPECT_FALSE(Act("ReadCommonWordList1")->isChecked());
    EXPECT_FALSE(Act("EditCommonWordList1")->isEnabled());
}

TEST_F(CommonListTest, RestoreIsOfferedOnlyForAListOtherThanTheDefault) {
    Start();
    auto restoreOffered = [&] {
        emit Menu("Options1")->aboutToShow();
        return Act("RestoredefaultlistVornixdat1")->isEnabled();
    };
    EXPECT_FALSE(restoreOffered());
    // The default list chosen under another letter case still counts as the default.
    ui.openFileAnswers.push_back(Main().DefaultCommonList().toUpper());
    Act("Selectcustomlist1")->trigger();
    EXPECT_EQ(Main().CurrentCommonList(), Main().DefaultCommonList().toUpper());
    EXPECT_FALSE(restoreOffered());

    const QString custom = QString::fromStdString(WriteText("custom.dat", "CAT\r\n"));
    ui.openFileAnswers.push_back(custom);
    Act("Selectcustomlist1")->trigger();
    EXPECT_TRUE(restoreOffered());
    Act("RestoredefaultlistVornixdat1")->trigger();
    EXPECT_EQ(Main().CurrentCommonList(), Main().DefaultCommonList());
    EXPECT_FALSE(restoreOffered());
}

TEST_F(CommonListTest, ACustomListServesTheNextRunAndIsForgottenAtRestart) {
    std::filesystem::create_directory(dir.file("lists"));
    const QString custom = QString::fromStdString(WriteText("lists/animals.txt", "cat DOG\r\n"));
    Start();
    ui.openFileAnswers.push_back(custom);
    Act("Selectcustomlist1")->trigger();
    EXPECT_EQ(ui.openRequests.back().folder.toStdString(), SettingsFolder().substr(0, SettingsFolder().size() - 1));
    // Nothing runs until the user asks; the next run reads the custom list only.
    EXPECT_FALSE(Grid()->isVisible());
    Analyse("the cat and the dog");
    EXPECT_EQ(Rows(), (Table{"1|THE|2", "2|AND|1"}));
    Stop();
    EXPECT_EQ(Settings().IniSetting("CustomDat"), custom.toStdString());

    Start();
    EXPECT_EQ(Main().CurrentCommonList(), Main().DefaultCommonList());
    // The dialog opens at the custom list's folder with its name filled in; cancelling
    // keeps the default list and the preset.
    Act("Selectcustomlist1")->trigger();
    EXPECT_EQ(ui.openRequests.back().folder.toStdString(), dir.file("lists"));
    EXPECT_EQ(ui.openRequests.back().fileName, custom);
    EXPECT_EQ(Main().CurrentCommonList(), Main().DefaultCommonList());
    Stop();
    EXPECT_EQ(Settings().IniSetting("CustomDat"), custom.toStdString());
}

TEST_F(CommonListTest, TheEditorOpensInTheCaseFormInPlaceOfTheTable) {
    WriteUserList("The\r\nCaf\xC9s\r\nof\r\n");
    Start();
    Analyse("cat dog");
    ASSERT_TRUE(Grid()->isVisible());
    Act("LowerCase1")->trigger();
    Act("EditCommonWordList1")->trigger();

    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(MemoText(), QString::fromLatin1("the\ncaf\xC9s\nof\n"));
    EXPECT_FALSE(Changed());
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_FALSE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_EQ(StatusLine(), "");
    EXPECT_EQ(Main().centralWidget()->palette().color(QPalette::Window), QColor(0, 128, 0));
    // The four buttons stand side by side, centred in the bottom panel.
    const int half = Main().centralWidget()->width() / 2;
    EXPECT_EQ(Find<QPushButton>("SaveBut")->geometry().right() + 1, half - 75);
    EXPECT_EQ(Find<QPushButton>("SortBut")->x(), half - 75);
    EXPECT_EQ(Find<QPushButton>("CancelBut")->x(), half);
    EXPECT_EQ(Find<QPushButton>("HelpBut")->x(), half + 75);
    for (QPushButton* b : {Find<QPushButton>("SaveBut"), Find<QPushButton>("SortBut"), Find<QPushButton>("CancelBut"),
                           Find<QPushButton>("HelpBut")}) {
        EXPECT_TRUE(b->isVisible());
        EXPECT_EQ(b->width(), 75);
    }

    // Escape does nothing while the editor is open, and Cancel right after opening asks
    // nothing, since the case form is no change.
    QTest::keyClick(Find<QPlainTextEdit>("Memo1"), Qt::Key_Escape);
    EXPECT_TRUE(EditorShown());
    EXPECT_FALSE(Changed());
    Click(Find<QPushButton>("CancelBut"));
    EXPECT_TRUE(ui.Texts("Confirm").isEmpty());
    EXPECT_FALSE(EditorShown());
    EXPECT_FALSE(Find<QPushButton>("SaveBut")->isVisible());
    EXPECT_EQ(MemoText(), "");
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_EQ(ReadFile(ListFile()), "The\r\nCaf\xC9s\r\nof\r\n");

    // The table of the last run comes back unchanged with the next order command.
    Act("FrequencyList1")->trigger();
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_EQ(Rows(), (Table{"1|cat|1", "2|dog|1"}));
}

TEST_F(CommonListTest, SortGroupsTheWordsAndSaveWritesTheTextAsItStands) {
    WriteUserList("the cat, the dog. a bee");
    Start();
    Act("EditCommonWordList1")->trigger();
    Click(Find<QPushButton>("SortBut"));
    EXPECT_EQ(MemoText(), "A \n\nBEE \n\nCAT \n\nDOG \n\nTHE THE ");
    EXPECT_EQ(QApplication::focusWidget(), Find<QPlainTextEdit>("Memo1"));
    EXPECT_EQ(ReadFile(ListFile()), "the cat, the dog. a bee");  // Sort does not write

    Click(Find<QPushButton>("SaveBut"));
    EXPECT_EQ(ReadFile(ListFile()), "A \r\n\r\nBEE \r\n\r\nCAT \r\n\r\nDOG \r\n\r\nTHE THE ");
    EXPECT_FALSE(EditorShown());
    EXPECT_TRUE(Find<QPushButton>("OpenBut")->isVisible());
    EXPECT_TRUE(ui.messages.empty());

    Act("EditCommonWordList1")->trigger();
    EXPECT_EQ(MemoText(), "A \n\nBEE \n\nCAT \n\nDOG \n\nTHE THE ");
    EXPECT_FALSE(Changed());
}

TEST_F(CommonListTest, SortFollowsTheLanguageNotTheByteOrder) {
    // Digits first; an apostrophe is passed over unless it alone tells two words apart;
    // a hyphen and a letter above 127 split words; the last word has no line break.
    WriteUserList("zoo 'tis can't\r\ncant tab 42 Well-known caf\xE9s 7up\r\n\r\ntis");
    Start();
    Act("LowerCase1")->trigger();
    Act("EditCommonWordList1")->trigger();
    Click(Find<QPushButton>("SortBut"));
    EXPECT_EQ(MemoText(), "42 7up \n\ncaf can't cant \n\nknown \n\ns \n\ntab 'tis tis \n\nwell \n\nzoo ");
    // The sorted text is a change: Cancel asks before it is lost, and No keeps it.
    EXPECT_TRUE(Changed());
    Click(Find<QPushButton>("CancelBut"));
    EXPECT_EQ(ui.Texts("Confirm"), QStringList{kAbandon});
    EXPECT_TRUE(EditorShown());
    EXPECT_TRUE(MemoText().startsWith("42 7up "));

    // An empty editor stays empty.
    Find<QPlainTextEdit>("Memo1")->clear();
    Click(Find<QPushButton>("SortBut"));
    EXPECT_EQ(MemoText(), "");
}

TEST_F(CommonListTest, AUnicodeListIsShownAsItsCharactersAndSavedInItsOwnEncoding) {
    // The editor shows the letters; Save writes the edit in the list's encoding, with
    // its mark or without.
    auto utf8 = [](const QString& text) { return text.toStdString(); };
    auto utf16le = [](const QString& text) {
        std::string bytes;
        for (QChar c : text) {
            bytes += static_cast<char>(c.unicode() & 0xFF);
            bytes += static_cast<char>(c.unicode() >> 8);
        }
        return bytes;
    };
    struct Case {
        const char* what;
        std::string mark;
        std::function<std::string(const QString&)> encode;
    };
    const std::vector<Case> cases = {
        {"UTF-8 with a mark", "\xEF\xBB\xBF", utf8},
        {"UTF-8 without a mark", "", utf8},
        {"UTF-16 LE with a mark", "\xFF\xFE", utf16le},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteUserList(c.mark + c.encode(QStringLiteral("CAFÉ\r\nZÜRICH\r\n")));
        Start();
        Act("EditCommonWordList1")->trigger();
        EXPECT_EQ(MemoText(), QStringLiteral("CAFÉ\nZÜRICH\n"));
        Find<QPlainTextEdit>("Memo1")->moveCursor(QTextCursor::End);
        // Typed as a keyboard with these letters does: key events carrying the text.
        for (QChar letter : QStringLiteral("ŁÓDŹ")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
            QApplication::sendEvent(Find<QPlainTextEdit>("Memo1"), &press);
        }
        EXPECT_TRUE(Changed());
        Click(Find<QPushButton>("SaveBut"));
        EXPECT_EQ(ReadFile(ListFile()), c.mark + c.encode(QStringLiteral("CAFÉ\r\nZÜRICH\r\nŁÓDŹ")));
        Stop();
    }
}

TEST_F(CommonListTest, LettersThe8BitSetLacksMoveTheListToUtf8OnlyWhenTheUserAgrees) {
    WriteUserList("CAF\xC9\r\nTHE\r\n");
    Start();
    Act("EditCommonWordList1")->trigger();
    Find<QPlainTextEdit>("Memo1")->moveCursor(QTextCursor::End);
    for (QChar letter : QStringLiteral("ŁÓDŹ")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
        QApplication::sendEvent(Find<QPlainTextEdit>("Memo1"), &press);
    }
    // No: nothing is written and the editor keeps the text.
    ui.confirmAnswers = {false};
    Click(Find<QPushButton>("SaveBut"));
    ASSERT_EQ(ui.Texts("Confirm").size(), 1);
    EXPECT_TRUE(ui.Texts("Confirm")[0].contains("Save it as UTF-8?"));
    EXPECT_EQ(ReadFile(ListFile()), "CAF\xC9\r\nTHE\r\n");
    EXPECT_TRUE(EditorShown());
    // Yes: every letter is kept, and the next run reads the list.
    ui.confirmAnswers = {true};
    Click(Find<QPushButton>("SaveBut"));
    EXPECT_EQ(ReadFile(ListFile()), "\xEF\xBB\xBF" + QStringLiteral("CAFÉ\r\nTHE\r\nŁÓDŹ").toStdString());
    EXPECT_FALSE(EditorShown());
    Analyse("café łódź the cat");
    EXPECT_EQ(Rows(), Table{"1|CAT|1"});
    // A list the 8-bit set holds is saved as it was, without a question.
    WriteUserList("CAF\xC9\r\n");
    Act("EditCommonWordList1")->trigger();
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "X");
    Click(Find<QPushButton>("SaveBut"));
    EXPECT_EQ(ui.Texts("Confirm").size(), 2);
    EXPECT_EQ(ReadFile(ListFile()), "XCAF\xC9\r\n");
}

TEST_F(CommonListTest, SortKeepsEveryLetterOfAUnicodeListWhole) {
    WriteUserList("ΕΛΛΆΔΑ ŁÓDŹ\r\nCAFÉ, THE");
    Start();
    Act("EditCommonWordList1")->trigger();
    Click(Find<QPushButton>("SortBut"));
    // Ordered as a run matches the words: CAFÉ as CAFE, ŁÓDŹ as LODZ; Greek, which a run
    // reads no word of, last.
    EXPECT_EQ(MemoText(), QString::fromUtf8("CAFÉ \n\nŁÓDŹ \n\nTHE \n\nΕΛΛΆΔΑ "));
    Click(Find<QPushButton>("SaveBut"));
    EXPECT_EQ(ReadFile(ListFile()), "CAFÉ \r\n\r\nŁÓDŹ \r\n\r\nTHE \r\n\r\nΕΛΛΆΔΑ ");

    // The next run finds the sorted words in the text, in any case.
    Analyse("café łódź the cat");
    EXPECT_EQ(Rows(), Table{"1|CAT|1"});
}

TEST_F(CommonListTest, CancelAsksOnlyAfterTypingAndNoKeepsTheText) {
    Start();
    Act("EditCommonWordList1")->trigger();
    Find<QPlainTextEdit>("Memo1")->moveCursor(QTextCursor::End);
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "ZEBRA");
    EXPECT_TRUE(Changed());
    Click(Find<QPushButton>("CancelBut"));
    EXPECT_EQ(ui.Texts("Confirm"), QStringList{kAbandon});
    EXPECT_TRUE(EditorShown());
    EXPECT_TRUE(MemoText().endsWith("AND\nZEBRA"));

    // Opening the editor again does not drop the typing without asking either.
    Act("EditCommonWordList1")->trigger();
    EXPECT_EQ(ui.Texts("Confirm").size(), 2);
    EXPECT_TRUE(MemoText().endsWith("AND\nZEBRA"));

    ui.confirmAnswers = {true};
    Click(Find<QPushButton>("CancelBut"));
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(ReadFile(ListFile()), kMasterList);
}

TEST_F(CommonListTest, ADisplayCommandLeavesTheEditorOnlyWhenTheTextMayGo) {
    Start();
    Analyse("cat dog dog the");
    Act("EditCommonWordList1")->trigger();
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "OX ");
    Act("AlphabeticalList1")->trigger();
    // Answered No: the editor and its text stay in front; the order is taken.
    EXPECT_EQ(ui.Texts("Confirm"), QStringList{kAbandon});
    EXPECT_TRUE(EditorShown());
    EXPECT_FALSE(Grid()->isVisible());
    EXPECT_TRUE(MemoText().startsWith("OX "));
    EXPECT_TRUE(Act("AlphabeticalList1")->isChecked());

    ui.confirmAnswers = {true};
    Act("FrequencyList1")->trigger();
    EXPECT_FALSE(EditorShown());
    EXPECT_FALSE(Find<QPushButton>("SaveBut")->isVisible());
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_TRUE(Find<QTabBar>("TabControl1")->isVisible());
    EXPECT_EQ(Rows(), (Table{"1|DOG|2", "2|CAT|1"}));
    EXPECT_EQ(ReadFile(ListFile()), kMasterList);

    // An unchanged editor simply gives way.
    Act("EditCommonWordList1")->trigger();
    Act("ShowCommonWords1")->trigger();
    EXPECT_EQ(ui.Texts("Confirm").size(), 2);  // the two answers above only
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Rows(), (Table{"1|DOG|2", "2|CAT|1", "3|THE|1"}));
}

TEST_F(CommonListTest, AFailedSaveKeepsTheEditorTheTextAndTheOldList) {
    std::filesystem::create_directory(dir.file("lists"));
    const QString custom = QString::fromStdString(WriteText("lists/custom.dat", "OLD\r\n"));
    Start();
    ui.openFileAnswers.push_back(custom);
    Act("Selectcustomlist1")->trigger();
    Act("EditCommonWordList1")->trigger();
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "NEW ");

    // The list's folder is gone and a plain file stands in its place.
    std::filesystem::rename(dir.file("lists"), dir.file("moved"));
    WriteText("lists", "a file, not a folder");
    Click(Find<QPushButton>("SaveBut"));
    ASSERT_EQ(ui.Texts("Error").size(), 1);
    EXPECT_TRUE(ui.Texts("Error")[0].startsWith("Cannot create file " + custom)) << ui.Texts("Error")[0].toStdString();
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(MemoText(), "NEW OLD\n");
    EXPECT_EQ(ReadFile(dir.file("moved/custom.dat")), "OLD\r\n");
    EXPECT_EQ(ReadFile(dir.file("lists")), "a file, not a folder");

    // Once the folder is back, the same Save succeeds.
    std::filesystem::remove(dir.file("lists"));
    std::filesystem::rename(dir.file("moved"), dir.file("lists"));
    Click(Find<QPushButton>("SaveBut"));
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(ReadFile(custom.toStdString()), "NEW OLD\r\n");
}

TEST_F(CommonListTest, SaveWritesTheListTheEditorWasOpenedOn) {
    const QString other = QString::fromStdString(WriteText("other.dat", "KEEP\r\n"));
    Start();
    Act("EditCommonWordList1")->trigger();
    QTest::keyClicks(Find<QPlainTextEdit>("Memo1"), "OX");
    QTest::keyClick(Find<QPlainTextEdit>("Memo1"), Qt::Key_Return);
    // Another list is chosen while the editor is open: it is the next run's list, but
    // the editor's text still belongs to the default one.
    ui.openFileAnswers.push_back(other);
    Act("Selectcustomlist1")->trigger();
    Click(Find<QPushButton>("SaveBut"));
    EXPECT_EQ(ReadFile(ListFile()), std::string("OX\r\n") + kMasterList);
    EXPECT_EQ(ReadFile(other.toStdString()), "KEEP\r\n");
    EXPECT_EQ(Main().CurrentCommonList(), other);
}

TEST_F(CommonListTest, AListThatCannotBeOpenedLeavesTheWindowAsItWas) {
    Start();
    Analyse("cat dog");
    const QString missing = QString::fromStdString(dir.file("missing.dat"));
    ui.openFileAnswers.push_back(missing);
    Act("Selectcustomlist1")->trigger();
    Act("EditCommonWordList1")->trigger();
    EXPECT_EQ(ui.Texts("Error"), QStringList{"Cannot open file " + missing + " (No such file or directory)"});
    EXPECT_FALSE(EditorShown());
    EXPECT_FALSE(Find<QPushButton>("SaveBut")->isVisible());
    EXPECT_TRUE(Grid()->isVisible());
    EXPECT_EQ(Rows(), (Table{"1|CAT|1", "2|DOG|1"}));
}

TEST_F(CommonListTest, HelpOpensTheEditorsTopicAndReturnsToTheText) {
    Start();
    Act("EditCommonWordList1")->trigger();
    Click(Find<QPushButton>("HelpBut"));
    // No help pages lie beside the test's program: the warning names the page asked for.
    ASSERT_EQ(ui.Texts("Warning").size(), 1);
    EXPECT_TRUE(ui.Texts("Warning")[0].contains("html/options.htm")) << ui.Texts("Warning")[0].toStdString();
    EXPECT_TRUE(EditorShown());
    EXPECT_EQ(QApplication::focusWidget(), Find<QPlainTextEdit>("Memo1"));
}

TEST_F(CommonListTest, AddingAWordHidesItAtOnceAndCountsItCommon) {
    WriteUserList("A\r\nOF\n");
    Start();
    Analyse("the the the cat cat dog a");
    ASSERT_EQ(Rows(), (Table{"1|THE|3", "2|CAT|2", "3|DOG|1"}));
    EXPECT_EQ(CommonFigures(), (std::vector<std::string>{"2", "1", "3", "1"}));
    // The grid shows the word in lower case; the stored word is added.
    Act("LowerCase1")->trigger();
    QStringList status;
    QObject::connect(&Main(), &TVornixMain::StatusShown, [&](const QString& s) { status << s; });
    AddFromRow(0);

    EXPECT_EQ(ReadFile(ListFile()), "THE\r\nA\r\nOF\r\n");
    EXPECT_EQ(Rows(), (Table{"1|cat|2", "2|dog|1"}));
    // One more common word, one more found in the text, one fewer non-common word.
    EXPECT_EQ(CommonFigures(), (std::vector<std::string>{"3", "2", "2", "1"}));
    ASSERT_GE(status.size(), 2);
    EXPECT_EQ(status[0], "THE added to common words list");
    EXPECT_EQ(StatusLine(), "Frequency order. 4 words; 2 common (hidden); 0 numeric; showing 2.");
    EXPECT_TRUE(ui.messages.empty());

    // The next run reads THE from the list and shows the same.
    const std::vector<std::string> figures = CommonFigures();
    Analyse("the the the cat cat dog a");
    EXPECT_EQ(Rows(), (Table{"1|cat|2", "2|dog|1"}));
    EXPECT_EQ(CommonFigures(), figures);
}

TEST_F(CommonListTest, AWordAlreadyCommonIsNotAddedAgain) {
    Start();
    Act("ShowCommonWords1")->setChecked(true);
    Analyse("the the cat");
    ASSERT_EQ(Rows()[0], "1|THE|2");
    const std::vector<std::string> figures = CommonFigures();
    AddFromRow(0);
    EXPECT_EQ(StatusLine(), "THE is already in the common words list");
    EXPECT_EQ(ReadFile(ListFile()), kMasterList);
    EXPECT_EQ(CommonFigures(), figures);
    EXPECT_EQ(Main().Run().State().CommonWords, 4);

    // A word of the full 40 characters is added whole.
    const std::string longest(40, 'Q');
    Analyse(longest + " the");
    AddFromRow(0);
    EXPECT_EQ(Main().Run().State().CommonWords, 5);
    EXPECT_EQ(ReadFile(ListFile()), longest + "\r\n" + kMasterList);
}

TEST_F(CommonListTest, AListThatVanishedOrIsReadOnlyRefusesTheAddWithoutLoss) {
    Start();
    Analyse("cat dog dog");
    const std::vector<std::string> figures = CommonFigures();

    // Removed between the start and the add: nothing is created, nothing changes.
    std::filesystem::remove(ListFile());
    AddFromRow(0);
    EXPECT_EQ(ui.Texts("Error"),
              QStringList{QString::fromStdString("Cannot open file " + ListFile() + " (No such file or directory)")});
    EXPECT_FALSE(FileExists(ListFile()));
    EXPECT_EQ(Rows(), (Table{"1|DOG|2", "2|CAT|1"}));
    EXPECT_EQ(CommonFigures(), figures);

    if (IgnoresPermissions()) GTEST_SKIP() << kRootSkip;
    WriteUserList("A\r\n");
    ::chmod(ListFile().c_str(), 0444);
    AddFromRow(0);
    ASSERT_EQ(ui.Texts("Error").size(), 2);
    EXPECT_TRUE(ui.Texts("Error")[1].startsWith(QString::fromStdString("Cannot create file " + ListFile())));
    EXPECT_EQ(ReadFile(ListFile()), "A\r\n");
    EXPECT_EQ(Rows(), (Table{"1|DOG|2", "2|CAT|1"}));
    EXPECT_EQ(CommonFigures(), figures);
}

// With words of every script the word goes into the list in the list's own encoding; an
// 8-bit list that cannot hold it moves to UTF-8 only when the user agrees.
TEST_F(CommonListTest, AWordOfAnotherScriptIsAddedInTheListsEncoding) {
    const std::string greek = "\xCE\x9F\xCE\x94\xCE\x8C\xCE\xA3";  // ΟΔΌΣ
    struct Case {
        const char* what;
        std::string list;
        int row;  // of the table: 0 ΟΔΌΣ, 1 CAT
        std::deque<bool> answers;
        std::string written;  // "" : the list is left as it was
        int asked;
    } cases[] = {
        {"8-bit list, Latin word", "CAF\xC9\r\nTHE\r\n", 1, {}, "CAT\r\nCAF\xC9\r\nTHE\r\n", 0},
        {"8-bit list, Greek word, No", "CAF\xC9\r\nTHE\r\n", 0, {false}, "", 1},
        {"8-bit list, Greek word, Yes",
         "CAF\xC9\r\nTHE\r\n",
         0,
         {true},
         "\xEF\xBB\xBF" + greek + "\r\nCAF\xC3\x89\r\nTHE\r\n",
         1},
        {"UTF-8 list, Greek word", "\xD0\x98\r\nTHE\r\n", 0, {}, greek + "\r\n\xD0\x98\r\nTHE\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteUserList(c.list);
        Start();
        QTimer::singleShot(0, [&] {
            In<QCheckBox>(AddDlg(), "AllScripts")->setChecked(true);
            In<QPushButton>(AddDlg(), "OKBtn")->click();
        });
        Act("AdditionalSettings1")->trigger();
        Analyse("\xCE\xBF\xCE\xB4\xCF\x8C\xCF\x82 cat \xCE\xBF\xCE\xB4\xCF\x8C\xCF\x82 the");  // οδός
        ASSERT_EQ(Rows(), (Table{"1|" + greek + "|2", "2|CAT|1"}));
        ui.messages.clear();
        ui.confirmAnswers = c.answers;
        AddFromRow(c.row);
        ASSERT_EQ(ui.Texts("Confirm").size(), static_cast<qsizetype>(c.asked));
        if (c.asked) EXPECT_TRUE(ui.Texts("Confirm")[0].contains("Save it as UTF-8?"));
        EXPECT_EQ(ReadFile(ListFile()), c.written.empty() ? c.list : c.written);
        // Added: hidden at once, and the next run reads it back from the list.
        const Table left = c.written.empty() ? Table{"1|" + greek + "|2", "2|CAT|1"}
                                             : Table{c.row == 0 ? "1|CAT|1" : "1|" + greek + "|2"};
        EXPECT_EQ(Rows(), left);
        Analyse("\xCE\xBF\xCE\xB4\xCF\x8C\xCF\x82 cat \xCE\xBF\xCE\xB4\xCF\x8C\xCF\x82");
        EXPECT_EQ(Rows(), left);
        Stop();
    }
}
