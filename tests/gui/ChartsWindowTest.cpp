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
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>
#include <filesystem>

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
