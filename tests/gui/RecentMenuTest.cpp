#include <QAction>
#include <QLabel>
#include <QMenu>
#include <filesystem>

#include "GuiTestSupport.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// The recent items as "label|enabled", in menu order, with the closing item last.
QStringList RecentItems(QMenu* menu) {
    QStringList items;
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) continue;
        items << item->text() + (item->isEnabled() ? "" : "|grey");
    }
    return items;
}

}  // namespace

class RecentMenuTest : public GuiFixture {};

TEST_F(RecentMenuTest, KeepsTheLastEightSetsNewestFirstGreysMissingOnesAndClears) {
    Start();
    for (int i = 1; i <= 9; ++i)
        OpenDocuments(
            {QString::fromStdString(WriteText("d" + std::to_string(i) + ".txt", "word " + std::to_string(i)))});
    OpenDocuments(
        {QString::fromStdString(WriteText("p.txt", "one two")), QString::fromStdString(WriteText("q.txt", "three"))});
    // A set opened again moves to the top instead of showing twice.
    OpenDocuments({QString::fromStdString(dir.path() + "/d5.txt")});
    std::filesystem::remove(dir.path() + "/d8.txt");
    OpenMenu("File1");
    QMenu* recent = Menu("OpenRecent1");
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    EXPECT_TRUE(recent->menuAction()->shortcut().isEmpty());
    const QStringList expected = {"d5.txt", "p.txt and 1 more", "d9.txt", "d8.txt|grey", "d7.txt",
                                  "d6.txt", "d4.txt",           "d3.txt", "Clear list"};
    EXPECT_EQ(RecentItems(recent), expected);

    // Choosing a set analyses it again, all its files.
    Act("Recent2")->trigger();
    EXPECT_EQ(In<QLabel>(StatsWin(), "FileCount")->text(), "2");
    EXPECT_EQ(Rows().size(), 3u);

    // The list outlives the program.
    Stop();
    Start();
    OpenMenu("File1");
    EXPECT_EQ(RecentItems(Menu("OpenRecent1")).mid(0, 2), (QStringList{"p.txt and 1 more", "d5.txt"}));
    Act("ClearRecent1")->trigger();
    OpenMenu("File1");
    EXPECT_EQ(RecentItems(Menu("OpenRecent1")), (QStringList{"Clear list|grey"}));
    Stop();
    Start();
    OpenMenu("File1");
    EXPECT_EQ(RecentItems(Menu("OpenRecent1")), (QStringList{"Clear list|grey"}));
}
