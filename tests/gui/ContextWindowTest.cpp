#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "gui/context/ContextWindow.h"
#include "gui/display/ResultModel.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// CAT three times, on three lines, with different neighbours on each side.
const char* const kText = "zoo CAT one\nbee cat two\r\nant Cat three\n";

}  // namespace

class ContextWindowTest : public GuiFixture {
protected:
    void SetUp() override {
        Start();
        path_ = WriteText("doc.txt", kText);
        OpenDocuments({QString::fromStdString(path_)});
        ASSERT_TRUE(Grid()->isVisible());
    }
    // Makes the row of a word current, as a click on it does.
    void SelectWord(const std::string& word) {
        const std::vector<std::string> rows = Rows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].find("|" + word + "|") != std::string::npos) {
                Grid()->setCurrentIndex(Grid()->model()->index(static_cast<int>(i), 1));
                return;
            }
        }
        FAIL() << "no row " << word;
    }
    ContextWindow* Window() { return Main().findChild<ContextWindow*>(QStringLiteral("ContextWindow")); }
    // Waits for the search to end; the model gets its checker on first sight.
    ContextWindow* Opened() {
        ContextWindow* window = Window();
        EXPECT_NE(window, nullptr);
        if (!window) return nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->BreakButton->isHidden(); }));
        if (!tester_)
            tester_ = std::make_unique<QAbstractItemModelTester>(window->Table->model(),
                                                                 QAbstractItemModelTester::FailureReportingMode::Fatal);
        return window;
    }
    // The line numbers of the rows, in the order shown.
    std::vector<int> LineColumn(ContextWindow* window) {
        std::vector<int> lines;
        QAbstractItemModel* model = window->Table->model();
        for (int r = 0; r < model->rowCount(); ++r) lines.push_back(model->index(r, 4).data().toInt());
        return lines;
    }
    void ClickHeader(ContextWindow* window, int section) {
        QHeaderView* header = window->Table->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    std::string path_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(ContextWindowTest, PopupItemNamesTheWordOrIsGreyed) {
    SelectWord("CAT");
    OpenMenu("PopupMenu1");
    EXPECT_EQ(Act("ShowInContext1")->text(), QStringLiteral("Show CAT in context"));
    EXPECT_TRUE(Act("ShowInContext1")->isEnabled());
    Grid()->setCurrentIndex(QModelIndex());
    OpenMenu("PopupMenu1");
    EXPECT_EQ(Act("ShowInContext1")->text(), QStringLiteral("No word selected"));
    EXPECT_FALSE(Act("ShowInContext1")->isEnabled());
    // The key does nothing without a word.
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(Window(), nullptr);
}

TEST_F(ContextWindowTest, CtrlKAndDoubleClickOpenTheCurrentRowsWord) {
    SelectWord("CAT");
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vornix: Word in context \u2014 CAT, 3 occurrences in 1 file"));
    EXPECT_EQ(LineColumn(window), (std::vector<int>{1, 2, 3}));
    QAbstractItemModel* model = window->Table->model();
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("cat"));  // as written
    EXPECT_TRUE(model->index(1, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("zoo CAT one bee"));
    EXPECT_EQ(model->index(1, 3).data().toString(), QStringLiteral("doc.txt"));

    // Another word replaces the lines in the same window.
    SelectWord("BEE");
    const QRect cell = Grid()->visualRect(Grid()->currentIndex());
    // A double click, as a user makes it: a click, then the second press.
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Opened(), window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vornix: Word in context \u2014 BEE, 1 occurrence in 1 file"));
    EXPECT_EQ(LineColumn(window), (std::vector<int>{2}));
}

TEST_F(ContextWindowTest, HeaderClicksSortByTheWordsAround) {
    SelectWord("CAT");
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    struct Case {
        int section;
        const char* sortShown;
        std::vector<int> lines;
    };
    // 1L: ant, bee, zoo. 1R: one, three, two. 2L: left of the neighbour (none first).
    const Case cases[] = {
        {0, "1L", {3, 2, 1}}, {2, "1R", {1, 3, 2}}, {0, "1L", {3, 2, 1}}, {0, "2L", {1, 2, 3}}, {1, "text", {1, 2, 3}},
    };
    for (const Case& c : cases) {
        ClickHeader(window, c.section);
        EXPECT_EQ(window->SortBox->currentData().toString(), QLatin1String(c.sortShown));
        EXPECT_EQ(LineColumn(window), c.lines) << c.sortShown;
    }
}

TEST_F(ContextWindowTest, CopyPutsTheSelectedLinesOnTheClipboard) {
    SelectWord("CAT");
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    window->Table->selectRow(0);
    QTest::keyClick(window->Table, Qt::Key_Down, Qt::ShiftModifier);
    window->CopyItem->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("doc.txt\t1\tzoo\tCAT\tone bee cat two ant Cat three\n"
                             "doc.txt\t2\tzoo CAT one bee\tcat\ttwo ant Cat three\n"));

    // The width is a setting of its own, kept for the next session.
    window->Width->setValue(12);
    EXPECT_EQ(Settings().IniNumber("ContextWidth", 0), 12);
}

TEST_F(ContextWindowTest, AChangedFileIsReportedInTheWindow) {
    SelectWord("CAT");
    WriteText("doc.txt", std::string(kText) + "more text\n");
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Problems->isVisible());
    EXPECT_TRUE(window->Problems->text().contains(QStringLiteral("has changed since it was counted")))
        << window->Problems->text().toStdString();
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}

TEST_F(ContextWindowTest, AVanishedFileGivesTheUsualMessage) {
    SelectWord("CAT");
    std::remove(path_.c_str());
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Table->model()->rowCount(), 0);
    EXPECT_TRUE(window->Problems->isVisible());
    // The table stays usable.
    EXPECT_TRUE(Grid()->isVisible());
}

TEST_F(ContextWindowTest, ANewRunEmptiesAndClosesTheWindow) {
    SelectWord("CAT");
    QTest::keyClick(Grid(), Qt::Key_K, Qt::ControlModifier);
    ContextWindow* window = Opened();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->Table->model()->rowCount(), 3);
    OpenDocuments({QString::fromStdString(WriteText("other.txt", "dog dog"))});
    EXPECT_EQ(window->Table->model()->rowCount(), 0);
    EXPECT_FALSE(window->isVisible());
}
