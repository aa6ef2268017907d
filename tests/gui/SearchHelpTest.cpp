#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>

#include "GuiTestSupport.h"
#include "gui/display/ResultModel.h"
#include "gui/display/SearchWindow.h"
#include "gui/shell/VornixMain.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/HelpWindow.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QUrl& url, std::ostream* out) {
    *out << url.toString().toStdString();
}

using namespace vornix;
using namespace vornix::test;

namespace {

// n distinct words, each once: BA, BB, ... in rank order (equal counts list
// alphabetically), none of them in the common words list.
std::string Letters(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::string{char('B' + i / 26), char('A' + i % 26), ' '};
    return text;
}

}  // namespace

class SearchWindowTest : public GuiFixture {
protected:
    void Load(const std::string& text) {
        OpenDocuments({QString::fromStdString(WriteText("doc.txt", text))});
        ASSERT_TRUE(Grid()->isVisible());
    }
    QPushButton* Button(SearchKind kind) {
        switch (kind) {
            case SearchKind::Ranking:
                return In<QPushButton>(SearchWin(), "RankBut");
            case SearchKind::Word:
                return In<QPushButton>(SearchWin(), "WordBut");
            default:
                return In<QPushButton>(SearchWin(), "FreqBut");
        }
    }
    // Find (Ctrl+F), then act inside the window; a window that act leaves open is
    // cancelled afterwards so that the test goes on.
    void InSearchWindow(const std::function<void()>& act) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = SearchWin().isVisible();
            if (shown) act();
            if (SearchWin().isVisible()) In<QPushButton>(SearchWin(), "BitBtn1")->click();
        });
        QTest::keyClick(Grid(), Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(shown) << "the search window did not open";
    }
    void Search(SearchKind kind, const QString& text) {
        InSearchWindow([&] {
            In<QLineEdit>(SearchWin(), "SearchText")->setText(text);
            Button(kind)->click();
        });
    }
    void FindNext() { QTest::keyClick(Grid(), Qt::Key_F3); }
    void Home() { QTest::keyClick(Grid(), Qt::Key_Home); }
    void End() { QTest::keyClick(Grid(), Qt::Key_End); }
    // The current cell as (row, column), rows from 0 for the first word.
    std::pair<int, int> Current() {
        const QModelIndex at = Grid()->currentIndex();
        return {at.row(), at.column()};
    }
};

TEST_F(SearchWindowTest, RankSearchMovesToTheNextRankBeginningWithTheDigits) {
    Start();
    Load(Letters(30));
    // No search yet: Find next is off and F3 does nothing.
    OpenMenu("Edit1");
    EXPECT_TRUE(Act("Find1")->isEnabled());
    EXPECT_FALSE(Act("FindNext1")->isEnabled());
    FindNext();
    EXPECT_TRUE(ui.messages.empty());

    Search(SearchKind::Ranking, "2");
    EXPECT_EQ(Current(), std::make_pair(1, 0));  // rank 2
    OpenMenu("Edit1");
    EXPECT_TRUE(Act("FindNext1")->isEnabled());
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(19, 0));  // rank 20; 12 does not begin with 2
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(20, 0));  // rank 21
    Home();
    Search(SearchKind::Ranking, "1");
    EXPECT_EQ(Current(), std::make_pair(9, 0));  // rank 10: the first row is current, never tested
    EXPECT_TRUE(ui.messages.empty());

    // From the last row nothing is tested, and the search never wraps to the top.
    End();
    FindNext();
    EXPECT_EQ(ui.Texts("Information"), QStringList{"Search text \"1\" not found."});
    EXPECT_EQ(Current(), std::make_pair(29, 0));
}

TEST_F(SearchWindowTest, WordSearchLooksForTheWordsBeginningInTheCaseShown) {
    Start();
    // "the" is a common word and hidden; ATHENS holds THE but does not begin with it.
    Load("athens other them the theory zebra");
    ASSERT_EQ(Rows(), (std::vector<std::string>{"1|ATHENS|1", "2|OTHER|1", "3|THEM|1", "4|THEORY|1", "5|ZEBRA|1"}));
    Grid()->setCurrentIndex(Model()->index(0, 2));
    Search(SearchKind::Word, "tHe");
    EXPECT_EQ(Current(), std::make_pair(2, 1));  // THEM, and the word column becomes current
    EXPECT_EQ(SearchWin().LastSearchText(), "THE");
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(3, 1));
    FindNext();
    EXPECT_EQ(ui.Texts("Information"), QStringList{"Search text \"THE\" not found."});
    EXPECT_EQ(Current(), std::make_pair(3, 1));

    // With the table in lower case the remembered text follows it.
    Act("LowerCase1")->trigger();
    ASSERT_EQ(Model()->CellText(2, 1), "  them");
    Home();
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(2, 1));
    EXPECT_EQ(SearchWin().LastSearchText(), "the");
    End();
    FindNext();
    EXPECT_EQ(ui.Texts("Information").last(), "Search text \"the\" not found.");
    // The window kept the text as typed.
    InSearchWindow([&] { EXPECT_EQ(In<QLineEdit>(SearchWin(), "SearchText")->text(), "tHe"); });
}

TEST_F(SearchWindowTest, FrequencySearchFindsCountsAtOrBelowTheNumberAndEnterRunsIt) {
    Start();
    std::string text;
    for (auto [word, times] :
         std::vector<std::pair<std::string, int>>{{"xray", 9}, {"yak", 7}, {"zulu", 5}, {"wolf", 5}, {"vine", 2}})
        for (int i = 0; i < times; ++i) text += word + " ";
    Load(text);
    ASSERT_EQ(Rows(), (std::vector<std::string>{"1|XRAY|9", "2|YAK|7", "3|WOLF|5", "4|ZULU|5", "5|VINE|2"}));

    // Enter in the text field is the Frequency button.
    InSearchWindow([&] {
        EXPECT_EQ(SearchWin().focusWidget(), In<QLineEdit>(SearchWin(), "SearchText"));
        QTest::keyClicks(In<QLineEdit>(SearchWin(), "SearchText"), "5");
        QTest::keyClick(In<QLineEdit>(SearchWin(), "SearchText"), Qt::Key_Return);
        EXPECT_FALSE(SearchWin().isVisible());
    });
    EXPECT_EQ(SearchWin().LastSearchKind(), SearchKind::Frequency);
    EXPECT_EQ(Current(), std::make_pair(2, 2));
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(3, 2));
    FindNext();
    EXPECT_EQ(Current(), std::make_pair(4, 2));
    FindNext();  // the last row is current
    EXPECT_EQ(ui.Texts("Information"), QStringList{"Search text \"5 (or less)\" not found."});
    EXPECT_EQ(Current(), std::make_pair(4, 2));

    Home();
    Search(SearchKind::Frequency, "$7");
    EXPECT_EQ(Current(), std::make_pair(1, 2));
    Home();
    Search(SearchKind::Frequency, "1");
    EXPECT_EQ(Current(), std::make_pair(0, 0));  // nothing found: the cell stays
    EXPECT_EQ(ui.Texts("Information").last(), "Search text \"1 (or less)\" not found.");
}

TEST_F(SearchWindowTest, RefusedTextsKeepTheWindowOpenAndFindNextRefusesThemToo) {
    Start();
    Load(Letters(12));
    Search(SearchKind::Ranking, "1");
    ASSERT_EQ(Current(), std::make_pair(9, 0));
    InSearchWindow([&] {
        In<QLineEdit>(SearchWin(), "SearchText")->clear();
        In<QPushButton>(SearchWin(), "RankBut")->click();
        EXPECT_TRUE(SearchWin().isVisible());
        EXPECT_EQ(ui.Texts("Warning"), QStringList{"No search text given!"});
        In<QLineEdit>(SearchWin(), "SearchText")->setText("ten");
        In<QPushButton>(SearchWin(), "FreqBut")->click();
        EXPECT_TRUE(SearchWin().isVisible());
        In<QLineEdit>(SearchWin(), "SearchText")->setText("1 ");
        In<QPushButton>(SearchWin(), "RankBut")->click();
        EXPECT_TRUE(SearchWin().isVisible());
        In<QLineEdit>(SearchWin(), "SearchText")->setText("ten");
        In<QPushButton>(SearchWin(), "FreqBut")->click();
    });
    EXPECT_EQ(ui.Texts("Warning"),
              (QStringList{"No search text given!", "Ranking and frequency searches must be numbers.",
                           "Ranking and frequency searches must be numbers.",
                           "Ranking and frequency searches must be numbers."}));
    EXPECT_EQ(Current(), std::make_pair(9, 0));
    // The refused Frequency text is remembered; Find next refuses it again instead of
    // failing on it or moving the cell.
    Home();
    OpenMenu("Edit1");
    EXPECT_TRUE(Act("FindNext1")->isEnabled());
    FindNext();
    EXPECT_EQ(ui.Texts("Warning").size(), 5);
    EXPECT_EQ(ui.Texts("Warning").last(), "Ranking and frequency searches must be numbers.");
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
    EXPECT_TRUE(ui.Texts("Information").isEmpty());
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    // The same for a refused Ranking text, which would otherwise be searched as typed.
    InSearchWindow([&] {
        In<QLineEdit>(SearchWin(), "SearchText")->setText("1x");
        In<QPushButton>(SearchWin(), "RankBut")->click();
    });
    FindNext();
    EXPECT_EQ(ui.Texts("Warning").size(), 7);
    EXPECT_TRUE(ui.Texts("Information").isEmpty());
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    // An empty text refused last leaves nothing to repeat.
    InSearchWindow([&] {
        In<QLineEdit>(SearchWin(), "SearchText")->clear();
        In<QPushButton>(SearchWin(), "WordBut")->click();
    });
    OpenMenu("Edit1");
    EXPECT_FALSE(Act("FindNext1")->isEnabled());
}

TEST_F(SearchWindowTest, EscapeSearchesNothingAndThePlaceIsRemembered) {
    Start();
    Load(Letters(5));
    QPoint firstPlace;
    InSearchWindow([&] {
        firstPlace = SearchWin().pos();
        In<QLineEdit>(SearchWin(), "SearchText")->setText("2");
        QTest::keyClick(In<QLineEdit>(SearchWin(), "SearchText"), Qt::Key_Escape);
        EXPECT_FALSE(SearchWin().isVisible());
    });
    EXPECT_EQ(firstPlace, QPoint(327, 229));
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(SearchWin().LastSearchKind(), SearchKind::None);
    OpenMenu("Edit1");
    EXPECT_FALSE(Act("FindNext1")->isEnabled());
    // Every close stores the place; the next Find opens there.
    EXPECT_EQ(Settings().IniNumber("srchwinLeft", -1), 327);
    EXPECT_EQ(Settings().IniNumber("srchwinTop", -1), 229);
    Settings().IniPutNumber("srchwinLeft", 40);
    Settings().IniPutNumber("srchwinTop", 60);
    QPoint secondPlace;
    InSearchWindow([&] {
        secondPlace = SearchWin().pos();
        EXPECT_EQ(In<QLineEdit>(SearchWin(), "SearchText")->text(), "2");  // the text stays between showings
        In<QPushButton>(SearchWin(), "WordBut")->click();
    });
    EXPECT_EQ(secondPlace, QPoint(40, 60));
    // Word search "2" in a table of letters finds nothing.
    EXPECT_EQ(ui.Texts("Information"), QStringList{"Search text \"2\" not found."});
}

TEST_F(SearchWindowTest, NothingSearchesDuringARun) {
    Start();
    Load(Letters(12));
    Search(SearchKind::Ranking, "1");
    ASSERT_EQ(Current(), std::make_pair(9, 0));
    Home();
    const std::size_t messagesBefore = ui.messages.size();
    bool checked = false;
    bool windowOpened = false;
    auto status = Main().Run().Hooks().showStatus;
    Main().Run().Hooks().showStatus = [&](const std::string& s) {
        if (!checked && Main().Busy()) {
            checked = true;
            // Should the window open anyway, close it so the test ends.
            QTimer::singleShot(0, [&] {
                if (SearchWin().isVisible()) {
                    windowOpened = true;
                    SearchWin().reject();
                }
            });
            Act("Find1")->trigger();
            Act("FindNext1")->trigger();
            In<QLineEdit>(SearchWin(), "SearchText")->clear();
            In<QPushButton>(SearchWin(), "FreqBut")->click();
        }
        status(s);
    };
    Load(Letters(12));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(windowOpened);
    EXPECT_EQ(ui.messages.size(), messagesBefore);
    EXPECT_EQ(SearchWin().LastSearchKind(), SearchKind::Ranking);
    EXPECT_EQ(SearchWin().LastSearchText(), "1");
}

class HelpAboutTest : public GuiFixture {
protected:
    // The help pages as the build puts them beside the program.
    static std::filesystem::path BuiltHelp() { return std::filesystem::path(VORNIX_GUI_PATH).parent_path() / "help"; }
    static void CopyHelpInto(const std::string& folder) {
        std::filesystem::create_directories(folder);
        std::filesystem::copy(BuiltHelp(), folder + "help", std::filesystem::copy_options::recursive);
    }
    HelpWindow* Help() {
        const auto windows = Main().findChildren<HelpWindow*>();
        EXPECT_LE(windows.size(), 1) << "one help window serves every request";
        return windows.isEmpty() ? nullptr : windows.front();
    }
    static QUrl Page(const std::string& path, const QString& fragment = {}) {
        QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
        if (!fragment.isEmpty()) url.setFragment(fragment);
        return url;
    }
};

TEST_F(HelpAboutTest, F1OpensTheIndexAndTopicsOpenTheirPageAtTheAnchor) {
    CopyHelpInto(programFolder);
    Start();
    QTest::keyClick(&Main(), Qt::Key_F1);
    HelpWindow* help = Help();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser->source(), Page(programFolder + "help/index.htm"));
    EXPECT_TRUE(help->Browser->toPlainText().contains("Contents"));
    EXPECT_EQ(help->Browser->verticalScrollBar()->value(), 0);

    Main().ShowHelp("options.htm#editcomm");
    EXPECT_EQ(Help(), help);
    EXPECT_EQ(help->Browser->source(), Page(programFolder + "help/html/options.htm", "editcomm"));
    // The anchor lies below the first screen of the page: the view scrolled down to it.
    EXPECT_GT(help->Browser->verticalScrollBar()->value(), 0);
    const int atAnchor = help->Browser->verticalScrollBar()->value();
    help->Browser->verticalScrollBar()->setValue(0);
    Main().ShowHelp("options.htm");
    EXPECT_EQ(help->Browser->verticalScrollBar()->value(), 0);
    Main().ShowHelp("options.htm#editcomm");
    EXPECT_EQ(help->Browser->verticalScrollBar()->value(), atAnchor);

    // Contents goes back to the index page from a topic page.
    help->ContentsBut->click();
    EXPECT_EQ(help->Browser->source().adjusted(QUrl::RemoveFragment), Page(programFolder + "help/index.htm"));
    EXPECT_TRUE(help->BackBut->isEnabled());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HelpAboutTest, EveryLinkOfTheHelpLeadsToAPageAndAnchorThatExist) {
    CopyHelpInto(programFolder);
    Start();
    Main().ShowHelp(QString());
    QTextBrowser* browser = Help()->Browser;
    // Walk the index and every page it links to; each link must resolve.
    QStringList toVisit{QUrl::fromLocalFile(QString::fromStdString(programFolder + "help/index.htm")).toString()};
    QSet<QString> seen;
    int pages = 0;
    while (!toVisit.isEmpty()) {
        const QUrl url(toVisit.takeFirst());
        const QUrl file = url.adjusted(QUrl::RemoveFragment);
        ASSERT_TRUE(QFileInfo::exists(file.toLocalFile())) << url.toString().toStdString();
        browser->setSource(url);
        if (!url.fragment().isEmpty())
            EXPECT_TRUE(browser->document()->toHtml().contains("name=\"" + url.fragment() + "\""))
                << url.toString().toStdString();
        if (seen.contains(file.toString())) continue;
        seen.insert(file.toString());
        ++pages;
        for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString href = it.fragment().charFormat().anchorHref();
                if (href.isEmpty()) continue;
                const QUrl target = file.resolved(QUrl(href));
                if (target.scheme() == "file") toVisit << target.toString();
            }
    }
    EXPECT_GE(pages, 10);
    EXPECT_TRUE(seen.contains(Page(programFolder + "help/html/addset.htm").toString()));
}

TEST_F(HelpAboutTest, TheSettingsDialogsHelpOpensBesideItAndStaysUsable) {
    CopyHelpInto(programFolder);
    Start();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        In<QPushButton>(AddDlg(), "HelpBtn")->click();
        HelpWindow* help = Help();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(AddDlg().isVisible());  // the dialog stays open
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->Browser->source(), Page(programFolder + "help/html/addset.htm"));
        // The modal dialog does not shut the help window out: a click on its Contents
        // button, sent as the window system sends it, gets through.
        const QPoint contents = help->ContentsBut->mapTo(help, help->ContentsBut->rect().center());
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, Qt::NoModifier, contents);
        EXPECT_EQ(help->Browser->source(), Page(programFolder + "help/index.htm"));
        In<QPushButton>(AddDlg(), "CancelBut")->click();
    });
    Act("AdditionalSettings1")->trigger();
    ASSERT_TRUE(ran);
    // After the dialog the help window is still open, now the main window's again.
    HelpWindow* help = Help();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), &Main());
    EXPECT_EQ(help->Browser->source(), Page(programFolder + "help/index.htm"));
}

TEST_F(HelpAboutTest, TheSettingsPageNamesEveryCaptionOfTheDialog) {
    CopyHelpInto(programFolder);
    Start();
    Main().ShowHelp("addset.htm");
    ASSERT_NE(Help(), nullptr);
    const QString page = Help()->Browser->toPlainText().simplified();
    QStringList captions;
    for (QGroupBox* group : AddDlg().findChildren<QGroupBox*>()) captions << group->title();
    for (QAbstractButton* button : AddDlg().findChildren<QAbstractButton*>()) captions << button->text();
    for (QLabel* label : AddDlg().findChildren<QLabel*>()) captions << label->text();
    EXPECT_TRUE(captions.contains("Detect Unicode documents (UTF-8, UTF-16)"));
    for (QString caption : captions) {
        caption.remove(QLatin1Char('&'));
        if (!caption.isEmpty()) EXPECT_TRUE(page.contains(caption)) << caption.toStdString();
    }
}

TEST_F(HelpAboutTest, MissingHelpGivesTheWarningWithItsPath) {
    Start();  // the program folder holds no help
    bool ran = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        In<QPushButton>(AddDlg(), "HelpBtn")->click();
        EXPECT_TRUE(AddDlg().isVisible());
        In<QPushButton>(AddDlg(), "CancelBut")->click();
    });
    Act("AdditionalSettings1")->trigger();
    ASSERT_TRUE(ran);
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F1);
    EXPECT_EQ(
        ui.Texts("Warning"),
        (QStringList{
            QString::fromStdString(programFolder + "help/html/addset.htm") + "\n\nApplication Help file not found!",
            QString::fromStdString(programFolder + "help/index.htm") + "\n\nApplication Help file not found!"}));
    EXPECT_EQ(Help(), nullptr);
}

TEST_F(HelpAboutTest, InstalledHelpIsFoundInTheDataFolder) {
    // bin/vornix with share/vornix/help beside bin.
    programFolder = dir.path() + "/bin/";
    std::filesystem::create_directories(programFolder);
    CopyHelpInto(dir.path() + "/share/vornix/");
    Start();
    Main().ShowHelp("addset.htm");
    ASSERT_NE(Help(), nullptr);
    EXPECT_EQ(Help()->Browser->source(), Page(dir.path() + "/share/vornix/help/html/addset.htm"));
    // A page missing from the installed help is reported with its installed path.
    Main().ShowHelp("nosuch.htm");
    EXPECT_EQ(ui.Texts("Warning"),
              QStringList{QString::fromStdString(dir.path() + "/share/vornix/help/html/nosuch.htm") +
                          "\n\nApplication Help file not found!"});
}

TEST_F(HelpAboutTest, AboutNamesTheProgramAndTheListTheNextRunReads) {
    Start();
    Act("About1")->trigger();
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_EQ(ui.Texts("Information").size(), 1);
    QStringList lines = ui.Texts("Information").first().split('\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], "Vornix for Linux");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].startsWith("Version "));
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Program location");
    EXPECT_EQ(lines[5], program);
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "Common words list");
    EXPECT_EQ(lines[8].toStdString(), SettingsFolder() + "Vornix.dat");

    const QString custom = QString::fromStdString(WriteText("mine.dat", "ZEBRA\r\n"));
    ui.openFileAnswers.push_back(custom);
    Act("Selectcustomlist1")->trigger();
    // Whether or not the list is loaded, About names it.
    Act("ReadCommonWordList1")->setChecked(false);
    Act("About1")->trigger();
    lines = ui.Texts("Information").last().split('\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[8], custom);
    EXPECT_FALSE(ui.Texts("Information").last().contains('\r'));
}
