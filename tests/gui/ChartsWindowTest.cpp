// The Charts window as a user opens it: Ctrl+G, the points for the table's filter, a
// redraw after a filter change, and the image export.
#include <QApplication>
#include <QDomDocument>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>

#include "GuiTestSupport.h"
#include "display/ChartsWindow.h"

using namespace vornix;
using namespace vornix::test;

class ChartsWindowTest : public GuiFixture {
protected:
    TVornixCharts* Charts() { return Main().findChild<TVornixCharts*>(QStringLiteral("ChartsWindow")); }
    int ScatterPoints() {
        auto* view = In<QChartView>(*Charts(), "RankChart");
        auto* points = qobject_cast<QScatterSeries*>(view->chart()->series().value(0));
        return points ? static_cast<int>(points->count()) : -1;
    }
};

TEST_F(ChartsWindowTest, OpensWithTheShownWordsAndFollowsTheFilter) {
    Start();
    // THE and A are common words: hidden by default.
    OpenDocuments({QString::fromStdString(WriteText("doc.txt", "the the the a cat cat dog 42 42"))});
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_NE(Charts(), nullptr);
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
    Start();
    OpenDocuments({QString::fromStdString(WriteText("doc.txt", "one two two three three three"))});
    QApplication::setActiveWindow(&Main());
    QTest::keyClick(&Main(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_NE(Charts(), nullptr);
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
    EXPECT_TRUE(ui.Texts("Error").isEmpty());
}
