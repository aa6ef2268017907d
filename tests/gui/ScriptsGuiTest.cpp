// Words of every script in the window: the setting, the table in both cases, the
// common words list and the summary line's note.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <set>

#include "GuiTestSupport.h"
#include "core/keywords/Keywords.h"
#include "gui/context/ContextWindow.h"
#include "gui/display/ResultModel.h"
#include "gui/display/SearchWindow.h"
#include "gui/keywords/KeywordsWindow.h"
#include "gui/ui/AddDlg.h"

using namespace vornix;
using namespace vornix::test;

namespace {

using Table = std::vector<std::string>;

class ScriptsGuiTest : public GuiFixture {
protected:
    void SetAllScripts(bool on) {
        QTimer::singleShot(0, [&] {
            In<QCheckBox>(AddDlg(), "AllScripts")->setChecked(on);
            In<QPushButton>(AddDlg(), "OKBtn")->click();
        });
        Act("AdditionalSettings1")->trigger();
    }
};

}  // namespace

TEST_F(ScriptsGuiTest, TheSettingCountsGreekFromTheClipboardInBothCasesAndIsKept) {
    Start();
    QGuiApplication::clipboard()->setText(QString::fromUtf8("Η οδός, ΟΔΟΣ οδος."));
    // Off (missing from the settings): no word, and the summary line names the setting.
    EXPECT_FALSE(In<QCheckBox>(AddDlg(), "AllScripts")->isChecked());
    QTest::keyClick(&Main(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(StatusLine().contains("13 letters of other scripts were not counted")) << StatusLine().toStdString();
    EXPECT_TRUE(StatusLine().contains("\"Count words of every script\" in Additional settings"));

    SetAllScripts(true);
    EXPECT_EQ(Settings().IniSetting("AllScripts"), "y");
    Act("OpenClipboard1")->trigger();
    EXPECT_EQ(Rows(), (Table{"1|ΟΔΟΣ|2", "2|Η|1", "3|ΟΔΌΣ|1"}));
    EXPECT_FALSE(StatusLine().contains("not counted"));
    Act("LowerCase1")->trigger();
    EXPECT_EQ(Rows(), (Table{"1|οδος|2", "2|η|1", "3|οδός|1"}));  // the final sigma

    // Kept in the settings file across a restart.
    Stop();
    Start();
    EXPECT_TRUE(In<QCheckBox>(AddDlg(), "AllScripts")->isChecked());
    SetAllScripts(false);
    EXPECT_EQ(Settings().IniSetting("AllScripts"), "n");
}

TEST_F(ScriptsGuiTest, ARussianCommonWordsListHidesItsWords) {
    // The master list, which a fresh user's default list is made from.
    WriteText("prog/Vornix.dat", "и\r\nне\r\nв\r\n");
    Start();
    SetAllScripts(true);
    OpenDocuments({QString::fromStdString(WriteText("ru.txt", "Я не знаю, и ты не знаешь. В лесу."))});
    EXPECT_EQ(Rows(), (Table{"1|ЗНАЕШЬ|1", "2|ЗНАЮ|1", "3|ЛЕСУ|1", "4|ТЫ|1", "5|Я|1"}));
    Act("ShowCommonWords1")->trigger();
    EXPECT_EQ(Rows(), (Table{"1|НЕ|2", "2|В|1", "3|ЗНАЕШЬ|1", "4|ЗНАЮ|1", "5|И|1", "6|ЛЕСУ|1", "7|ТЫ|1", "8|Я|1"}));
}

TEST_F(ScriptsGuiTest, TheContextOfAChineseWord) {
    Start();
    SetAllScripts(true);
    OpenDocuments({QString::fromStdString(WriteText("zh.txt", "我们学习中文。\n他们也学习中文！\n"))});
    const std::vector<std::string> rows = Rows();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [](const std::string& r) { return r.find("|中文|") != std::string::npos; });
    ASSERT_NE(row, rows.end());
    Grid()->setCurrentIndex(Grid()->model()->index(static_cast<int>(row - rows.begin()), 1));
    Act("ShowInContext1")->trigger();
    auto* window = Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }));
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Vornix: Word in context \u2014 中文, 2 occurrences in 1 file"));
    QAbstractItemModel* model = window->Table->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 1).data().toString(), QString::fromUtf8("中文"));
    EXPECT_EQ(model->index(0, 4).data().toInt(), 1);
    EXPECT_EQ(model->index(1, 4).data().toInt(), 2);
}

TEST_F(ScriptsGuiTest, KeywordReferenceDocumentsAreCountedByTheTextsChoice) {
    Start();
    SetAllScripts(true);
    OpenDocuments({QString::fromStdString(WriteText("text.txt", "Мы читаем книгу, и мы пишем книгу."))});
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    auto* window = Main().findChild<KeywordsWindow*>(QStringLiteral("Keywords"));
    ASSERT_NE(window, nullptr);
    window->CutoffBox->setCurrentIndex(window->CutoffBox->findData(1.0));  // every word
    window->NegativeBox->setChecked(true);
    ui.openFilesAnswers.push_back({QString::fromStdString(WriteText("ref.txt", "Книгу мы знаем. Мы пишем!"))});
    QTest::mouseClick(window->DocumentsButton, Qt::LeftButton);
    auto rows = [&] {
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }, 20000));
        std::set<std::string> out;
        const auto* table = dynamic_cast<const KeywordTable*>(window->Table());
        for (std::size_t i = 0; table && i < table->Rows(); ++i) {
            const KeywordRow& r = table->Row(i);
            out.insert(r.word + "|" + std::to_string(r.count) + "|" + std::to_string(r.referenceCount));
        }
        return out;
    };
    // By hand: МЫ 2 and 2, КНИГУ 2 and 1, ПИШЕМ 1 and 1, ЧИТАЕМ and И only in the text,
    // ЗНАЕМ only in the reference.
    EXPECT_EQ(rows(), (std::set<std::string>{"МЫ|2|2", "КНИГУ|2|1", "ПИШЕМ|1|1", "ЧИТАЕМ|1|0", "И|1|0", "ЗНАЕМ|0|1"}));
    // Lower case as the word table shows it.
    Act("LowerCase1")->trigger();
    EXPECT_EQ(rows(), (std::set<std::string>{"мы|2|2", "книгу|2|1", "пишем|1|1", "читаем|1|0", "и|1|0", "знаем|0|1"}));
}

TEST_F(ScriptsGuiTest, TheFilterAndSearchBoxesTakeTypedWordsOfEveryScript) {
    Start();
    SetAllScripts(true);
    OpenDocuments({QString::fromStdString(WriteText("el.txt", "Η οδός, ο δρόμος και η ΟΔΟΣ. Αθήνα"))});
    ASSERT_EQ(Rows(), (Table{"1|Η|2", "2|ΑΘΉΝΑ|1", "3|ΔΡΌΜΟΣ|1", "4|ΚΑΙ|1", "5|Ο|1", "6|ΟΔΌΣ|1", "7|ΟΔΟΣ|1"}));
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* box = Find<QLineEdit>("FilterBox");
    ASSERT_NE(box, nullptr);
    struct Case {
        QString typed;
        Table rows;
    } cases[] = {
        {QString::fromUtf8("οδ"), {"6|ΟΔΌΣ|1", "7|ΟΔΟΣ|1"}},
        {QString::fromUtf8("^ο?ο"), {"7|ΟΔΟΣ|1"}},               // one character of any script; Ό is not Ο
        {QString::fromUtf8("ος$"), {"3|ΔΡΌΜΟΣ|1", "7|ΟΔΟΣ|1"}},  // the final sigma in capitals
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        box->setText(c.typed);
        QTest::qWait(400);  // the pause after typing
        EXPECT_EQ(Rows(), c.rows);
    }
    box->clear();
    QTest::qWait(400);
    // The search window takes a word typed in lower case to the table's case, and back.
    auto search = [&](const QString& text) {
        QTimer::singleShot(0, [&] {
            In<QLineEdit>(SearchWin(), "SearchText")->setText(text);
            In<QPushButton>(SearchWin(), "WordBut")->click();
        });
        QTest::keyClick(Grid(), Qt::Key_F, Qt::ControlModifier);
        return Grid()->currentIndex().row();
    };
    Grid()->setCurrentIndex(Model()->index(0, 1));
    EXPECT_EQ(search(QString::fromUtf8("δρό")), 2);
    EXPECT_EQ(search(QString::fromUtf8("οδός")), 5);
    Act("LowerCase1")->trigger();
    Grid()->setCurrentIndex(Model()->index(0, 1));
    EXPECT_EQ(search(QString::fromUtf8("ΑΘΉ")), 1);
    EXPECT_TRUE(ui.messages.empty());
}
