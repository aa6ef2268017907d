// The Charts window as a user opens it: Ctrl+G, the points for the table's filter, a
// redraw after a filter change, and the image export.
#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <filesystem>
#include <map>

#include "GuiTestSupport.h"
#include "gui/charts/ChartsWindow.h"

using namespace vornix;
using namespace vornix::test;

class ChartsWindowTest : public GuiFixture {
protected:
    ChartsWindow* Charts() { return Main().findChild<ChartsWindow*>(QStringLiteral("ChartsWindow")); }
    int ScatterPoints() {
        auto* view = In<QChartView>(*Charts(), "RankChart");
        auto* points = qobject_cast<QScatterSeries*>(view->chart()->series().constLast());
        return points ? static_cast<int>(points->count()) : -1;
    }
    // Starts the program, counts the document and opens the charts with Ctrl+G.
    ChartsWindow* OpenChartsOn(const QString& document) {
        Start();
        OpenDocuments({document});
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), Qt::Key_G, Qt::ControlModifier);
        EXPECT_NE(Charts(), nullptr);
        return Charts();
    }
    ChartsWindow* OpenChartsOn(const char* text) {
        return OpenChartsOn(QString::fromStdString(WriteText("doc.txt", text)));
    }
};

TEST_F(ChartsWindowTest, OpensWithTheShownWordsAndFollowsTheFilter) {
    // THE and A are common words: hidden by default.
    ASSERT_NE(OpenChartsOn("the the the a cat cat dog 42 42"), nullptr);
    ASSERT_TRUE(Charts()->isVisible());
    EXPECT_EQ(Charts()->RankData().ShownWords, 2);  // CAT, DOG
    EXPECT_EQ(ScatterPoints(), 2);
    Act("ShowCommonWords1")->trigger();
    EXPECT_EQ(ScatterPoints(), 4);
    Act("ShowNumbers1")->trigger();
    EXPECT_EQ(ScatterPoints(), 5);
    ASSERT_EQ(Charts()->RankData().Points.front().Count, 3);  // THE comes first
}

TEST_F(ChartsWindowTest, SaveImageWritesAValidPngAndSvg) {
    ASSERT_NE(OpenChartsOn("one two two three three three"), nullptr);
    for (const char* name : {"rank.png", "rank.svg"}) {
        const std::string path = dir.write(name, "an older image");
        ui.saveFileAnswers.push_back(QString::fromStdString(path));
        QTest::mouseClick(In<QPushButton>(*Charts(), "SaveImageBtn"), Qt::LeftButton);
        const std::string bytes = ReadFile(path);
        if (std::string(name).ends_with(".png")) {
            EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        } else {
            QDomDocument doc;
            EXPECT_TRUE(static_cast<bool>(doc.setContent(QByteArray::fromStdString(bytes))));
            EXPECT_EQ(doc.documentElement().tagName(), "svg");
        }
    }
    // Through a symbolic link: the link stays and its file gets the image.
    const std::string target = dir.write("target.png", "old");
    const std::string link = dir.path() + "/link.png";
    std::filesystem::create_symlink(target, link);
    ui.saveFileAnswers.push_back(QString::fromStdString(link));
    QTest::mouseClick(In<QPushButton>(*Charts(), "SaveImageBtn"), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(target).substr(0, 4), "\x89PNG");
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}

TEST_F(ChartsWindowTest, HoveringAPointNamesItsWordRankAndCount) {
    ASSERT_NE(OpenChartsOn("one two two three three three"), nullptr);
    auto* view = In<QChartView>(*Charts(), "RankChart");
    auto* points = qobject_cast<QScatterSeries*>(view->chart()->series().constLast());
    ASSERT_NE(points, nullptr);
    // The mouse near each point in turn (a few pixels off, as a hand aims), then away.
    const struct {
        int rank;
        QPoint off;
        const char* text;
    } cases[] = {{3, {3, -2}, "ONE\nrank 3, count 1"},
                 {1, {0, 4}, "THREE\nrank 1, count 3"},
                 {2, {-2, 2}, "TWO\nrank 2, count 2"},
                 {2, {0, 40}, ""}};
    for (const auto& c : cases) {
        const QPoint at = view->mapFromScene(view->chart()->mapToPosition(points->at(c.rank - 1), points)) + c.off;
        // Straight to the chart: the test driver's own mouse moves are dropped on this platform.
        QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        auto shown = [] { return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string(); };
        for (int i = 0; i < 50 && shown() != c.text; ++i) QTest::qWait(20);  // a tooltip fades in and out
        EXPECT_EQ(shown(), c.text) << c.rank;
    }
}

// The fitted line stays inside the plot, however poor the fit: 30 words counted 20
// times and 3 once give a fit whose rank-1 end (about 36) lies above the count axis.
TEST_F(ChartsWindowTest, TheFitLineIsCutToThePlot) {
    std::string text;
    for (int w = 0; w < 33; ++w) {
        const std::string word = std::string("Q") + static_cast<char>('a' + w % 26) + static_cast<char>('a' + w / 26);
        for (int i = 0; i < (w < 30 ? 20 : 1); ++i) text += word + ' ';
    }
    ASSERT_NE(OpenChartsOn(text.c_str()), nullptr);
    QChart* chart = In<QChartView>(*Charts(), "RankChart")->chart();
    auto* line = qobject_cast<QLineSeries*>(chart->series().constFirst());
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->count(), 2);
    auto* x = qobject_cast<QLogValueAxis*>(chart->axes(Qt::Horizontal).constFirst());
    auto* y = qobject_cast<QLogValueAxis*>(chart->axes(Qt::Vertical).constFirst());
    ASSERT_TRUE(x && y);
    EXPECT_DOUBLE_EQ(y->max(), 30);  // the highest count, 20, times 1.5
    for (const QPointF& p : line->points()) {
        EXPECT_TRUE(p.x() >= x->min() && p.x() <= x->max()) << p.x();
        EXPECT_TRUE(p.y() >= y->min() && p.y() <= y->max() + 1e-9) << p.y();
    }
    // Cut at the top: the line now starts at the axis's top, right of rank 1.
    EXPECT_NEAR(line->at(0).y(), 30, 1e-6);
    EXPECT_GT(line->at(0).x(), 1);
}

// Distinct words get an axis of their own, and the length axis ends at the longest
// word shown.
TEST_F(ChartsWindowTest, DistinctWordsHaveTheirOwnAxisAndLengthsEndAtTheLongest) {
    std::string text;
    for (int i = 0; i < 200; ++i) text += "ab ";
    text += "abc abd abe qqqqqqq";
    ASSERT_NE(OpenChartsOn(text.c_str()), nullptr);
    QChart* chart = In<QChartView>(*Charts(), "LengthChart")->chart();
    auto* lengths = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).constFirst());
    ASSERT_NE(lengths, nullptr);
    EXPECT_DOUBLE_EQ(lengths->max(), 6.5);  // bar 6 is length 7, the longest
    // Each set's bars against the axis they are drawn on: the distinct words' axis is
    // scaled to them (at most 3), not to the 200 occurrences.
    std::map<QString, std::pair<double, double>> tallest;  // set: (its top value, its axis's top)
    for (QAbstractSeries* series : chart->series()) {
        auto* bars = qobject_cast<QBarSeries*>(series);
        ASSERT_NE(bars, nullptr);
        const auto vertical = series->attachedAxes();
        auto* axis = qobject_cast<QValueAxis*>(*std::find_if(
            vertical.begin(), vertical.end(), [](QAbstractAxis* a) { return a->orientation() == Qt::Vertical; }));
        ASSERT_NE(axis, nullptr);
        for (QBarSet* set : bars->barSets()) {
            double top = 0;
            for (int i = 0; i < set->count(); ++i) top = std::max(top, set->at(i));
            if (!set->label().isEmpty()) tallest[set->label()] = {top, axis->max()};
            EXPECT_EQ(set->count(), 7);
        }
    }
    ASSERT_EQ(tallest.size(), 2u);
    EXPECT_EQ(tallest["Occurrences"].first, 200);
    EXPECT_EQ(tallest["Distinct words"].first, 3);
    EXPECT_GE(tallest["Occurrences"].second, 200);
    EXPECT_GE(tallest["Distinct words"].second, 3);
    EXPECT_LE(tallest["Distinct words"].second, 5);
}

TEST_F(ChartsWindowTest, ScreenshotsOfANovel) {
    const QString folder = qEnvironmentVariable("VORNIX_SCREENSHOTS");
    const QString novel = qEnvironmentVariable("VORNIX_NOVEL");
    if (folder.isEmpty() || novel.isEmpty()) GTEST_SKIP() << "VORNIX_SCREENSHOTS and VORNIX_NOVEL not set";
    ASSERT_NE(OpenChartsOn(novel), nullptr);
    auto* tabs = In<QTabWidget>(*Charts(), "ChartTabs");
    for (const auto& [tab, name] : {std::pair{0, "charts-rank.png"}, std::pair{1, "charts-lengths.png"}}) {
        tabs->setCurrentIndex(tab);
        QTest::qWait(300);
        EXPECT_TRUE(Charts()->grab().save(folder + "/" + name, "PNG", 9));
    }
}
