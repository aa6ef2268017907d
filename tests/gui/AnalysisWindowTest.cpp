#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/ui/AnalysisWindow.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// Three words with counts and a score, as an analysis would give them.
class Scores : public AnalysisTable {
public:
    const std::vector<TableColumn>& Columns() const override { return columns_; }
    std::size_t Rows() const override { return 3; }
    std::string Text(std::size_t row, std::size_t) const override { return words_[row]; }
    double Number(std::size_t row, std::size_t column) const override {
        return column == 1 ? counts_[row] : scores_[row];
    }

private:
    std::vector<TableColumn> columns_{{"word", "Word", ColumnKind::Text},
                                      {"count", "Count", ColumnKind::Integer},
                                      {"score", "Score", ColumnKind::Real, 1}};
    const char* words_[3] = {"BEE", "ANT", "CAT"};
    int counts_[3] = {2, 10, 9};
    double scores_[3] = {1.25, -3.5, 20};
};

QString Column(QTableView* view, int column) {
    QStringList cells;
    for (int r = 0; r < view->model()->rowCount(); ++r) cells << view->model()->index(r, column).data().toString();
    return cells.join(QLatin1Char(' '));
}

}  // namespace

class AnalysisWindowTest : public GuiFixture {
protected:
    void SetUp() override {
        window_ = std::make_unique<AnalysisWindow>(QStringLiteral("Scores"), QStringLiteral("Scores"), ui, nullptr);
        window_->SetTable(std::make_shared<Scores>());
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    QTableView* View() { return window_->View; }
    void ClickHeader(int section) {
        QHeaderView* h = View()->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 5, 5));
    }
    std::unique_ptr<AnalysisWindow> window_;
};

TEST_F(AnalysisWindowTest, HeaderClicksSortNumbersByValueAndDoubleClicksNameTheTablesRow) {
    EXPECT_EQ(Column(View(), 0), "BEE ANT CAT");  // the analysis's own order first
    EXPECT_EQ(Column(View(), 2), "1.2 -3.5 20.0");
    ClickHeader(1);  // numbers: largest first
    EXPECT_EQ(Column(View(), 0), "ANT CAT BEE");
    ClickHeader(1);
    EXPECT_EQ(Column(View(), 0), "BEE CAT ANT");
    ClickHeader(2);  // by value, not as text ("-3.5" < "1.2" < "20.0" either way; 20 first)
    EXPECT_EQ(Column(View(), 0), "CAT BEE ANT");
    ClickHeader(0);  // words: A to Z
    EXPECT_EQ(Column(View(), 0), "ANT BEE CAT");
    ClickHeader(1);
    ClickHeader(1);  // counts from the lowest, then words: still A to Z first
    EXPECT_EQ(Column(View(), 0), "BEE CAT ANT");
    ClickHeader(0);
    EXPECT_EQ(Column(View(), 0), "ANT BEE CAT");
    EXPECT_EQ(View()->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);

    QSignalSpy activated(window_.get(), &AnalysisWindow::rowActivated);
    const QRect cell = View()->visualRect(View()->model()->index(2, 0));       // CAT, the table's row 2
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, cell.center());  // a click, then the second press
    QTest::mouseDClick(View()->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated[0][0].value<std::size_t>(), 2u);
}

TEST_F(AnalysisWindowTest, CopyAndSaveWriteTheRowsInTheShownOrder) {
    ClickHeader(1);  // ANT CAT BEE
    View()->selectRow(0);
    View()->selectionModel()->select(View()->model()->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window_->CopyItem->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ANT\t10\t-3.5\r\nBEE\t2\t1.2\r\n"));

    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"all.txt", "ANT\t10\t-3.5\r\nCAT\t9\t20.0\r\nBEE\t2\t1.2\r\n"},
        {"all.CSV", "rank,word,count,score\n1,ANT,10,-3.5\n2,CAT,9,20\n3,BEE,2,1.25\n"},
        {"all.json",
         "[\n{\"rank\":1,\"word\":\"ANT\",\"count\":10,\"score\":-3.5},\n{\"rank\":2,\"word\":\"CAT\",\"count\":9,"
         "\"score\":20},\n{\"rank\":3,\"word\":\"BEE\",\"count\":2,\"score\":1.25}\n]\n"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.path() + "/" + c.name;
        ui.saveFileAnswers.push_back(QString::fromStdString(path));
        window_->SaveButton->click();
        EXPECT_EQ(ReadFile(path), c.bytes) << c.name;  // every row, whatever is selected
    }
    // A file that cannot be written is reported, and nothing else happens.
    ui.saveFileAnswers.push_back(QString::fromStdString(dir.path() + "/missing/x.txt"));
    window_->SaveButton->click();
    EXPECT_EQ(ui.Texts("Error").size(), 1);
}

TEST_F(AnalysisWindowTest, EscapeClosesAndStopsAndProgressShowsBreak) {
    window_->SetProgress(QStringLiteral("Reading 2 of 5"));
    EXPECT_TRUE(window_->BreakButton->isVisible());
    QSignalSpy stop(window_.get(), &AnalysisWindow::stopRequested);
    window_->BreakButton->click();
    EXPECT_EQ(stop.size(), 1);
    window_->SetProgress(QString());
    EXPECT_FALSE(window_->BreakButton->isVisible());
    QTest::keyClick(View(), Qt::Key_Escape);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(stop.size(), 2);
}
