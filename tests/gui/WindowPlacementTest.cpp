// Window placement kept in the settings, on the offscreen platform's primary screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "TestSupport.h"
#include "core/files/Settings.h"
#include "gui/ui/WindowPlacement.h"

using namespace vornix;

namespace {

struct Placement : ::testing::Test {
    test::TempDir dir;
    SettingsFile settings{dir.path() + "/"};
    QWidget window;
    QRect screen = QGuiApplication::primaryScreen()->geometry();

    Placement() { window.setGeometry(50, 60, 300, 200); }
    void Store(int left, int top, int width, int height, bool max = false) {
        settings.IniPutNumber("MainLeft", left);
        settings.IniPutNumber("MainTop", top);
        settings.IniPutNumber("MainWidth", width);
        settings.IniPutNumber("MainHeight", height);
        settings.IniPutFlag("MainMax", max);
    }
};

}  // namespace

TEST_F(Placement, RestoreBringsTheWindowOntoTheScreen) {
    const int w = screen.width(), h = screen.height();
    struct Case {
        int left, top, width, height;
        QRect expected;
    } cases[] = {
        {-500, 10, 5000, 100, QRect(0, 10, w - 20, 100)},
        {w + 100, h + 100, 200, h + 1, QRect(w - 20, h - 20, 200, h - 10)},
        {w - 20, h - 20, w, h, QRect(w - 20, h - 20, w, h)},  // exactly at the limits: kept
        {100, -1, 320, 240, QRect(100, 0, 320, 240)},
    };
    for (const Case& c : cases) {
        Store(c.left, c.top, c.width, c.height);
        RestoreWindow(settings, "Main", &window);
        EXPECT_EQ(QRect(window.pos(), window.size()), c.expected) << c.left << "," << c.top;
    }
}

TEST_F(Placement, MissingValuesKeepTheCurrentOnes) {
    settings.IniPutNumber("MainLeft", 70);
    RestoreWindow(settings, "Main", &window);
    EXPECT_EQ(QRect(window.pos(), window.size()), QRect(70, 60, 300, 200));
}

TEST_F(Placement, AMaximisedWindowIsRestoredMaximisedWithinTheScreen) {
    // A stored size of any magnitude must not make a window of gigabytes: the bounds it
    // gets back when restored are limited to the available screen.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        int left, top, width, height;
    } cases[] = {{-500, 10, 5000, 100}, {0, 0, 20000, 20000}, {2147483647, -2147483647, 2147483647, 2147483647}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        Store(c.left, c.top, c.width, c.height, true);
        RestoreWindow(settings, "Main", &window);
        EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        // Saving stores the flag and the normal bounds, not the screen-filling ones.
        SaveWindow(settings, "Main", &window);
        EXPECT_EQ(settings.IniSetting("MainMax"), "y");
        const QRect saved(settings.IniNumber("MainLeft", 0), settings.IniNumber("MainTop", 0),
                          settings.IniNumber("MainWidth", 0), settings.IniNumber("MainHeight", 0));
        EXPECT_EQ(saved.width(), std::min(c.width, area.width()));
        EXPECT_EQ(saved.height(), std::min(c.height, area.height()));
        EXPECT_TRUE(area.contains(saved)) << saved.x() << "," << saved.y();
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.windowState() & Qt::WindowMaximized);
    }
}

TEST_F(Placement, PositionOnlyOperationsTouchLeftAndTop) {
    settings.IniPutNumber("srchwinLeft", -40);
    settings.IniPutNumber("srchwinTop", 9000);
    settings.IniPutNumber("srchwinWidth", 1);
    RestoreWindowPos(settings, "srchwin", &window);
    // A stored place off the screen is moved back wholly inside it; the size stays.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_TRUE(area.contains(window.frameGeometry())) << window.x() << "," << window.y();
    EXPECT_EQ(window.x(), area.left());
    window.move(11, 12);
    SaveWindowPos(settings, "addwin", &window);
    EXPECT_EQ(settings.IniNumber("addwinLeft", 0), 11);
    EXPECT_EQ(settings.IniNumber("addwinTop", 0), 12);
    EXPECT_FALSE(settings.IniExists("addwinWidth"));
}

// Where a tool window opens, on the 1280 by 800 screen (a 30-pixel panel at the bottom)
// of a new user: beside the main window where there is room, else over it, always
// wholly on the screen.
TEST(ToolWindowPlace, BesideOrOverTheMainWindowInsideTheScreen) {
    const QRect area(0, 0, 1280, 770);
    const QRect main(318, 210, 504, 330);  // right edge 821
    struct Case {
        const char* what;
        QRect main;
        QSize size;
        int down;
        QRect expected;
    } cases[] = {
        {"room on the right", main, {300, 200}, 0, {830, 210, 300, 200}},
        {"right, lower", main, {300, 200}, 40, {830, 250, 300, 200}},
        {"room on the left only", {770, 100, 504, 330}, {300, 200}, 40, {462, 140, 300, 200}},
        {"no room: over it", main, {920, 420}, 0, {358, 250, 920, 420}},
        {"over it, ending at the panel", main, {760, 560}, 0, {358, 210, 760, 560}},
        {"bigger than the screen", main, {2000, 900}, 0, {0, 0, 1280, 770}},
        {"main hanging below the screen", {100, 600, 504, 330}, {300, 200}, 0, {612, 570, 300, 200}},
    };
    for (const Case& c : cases) {
        const QRect placed = ToolWindowPlace(c.size, c.main, area, c.down);
        EXPECT_EQ(placed, c.expected) << c.what;
        EXPECT_TRUE(area.contains(placed)) << c.what;
    }
    EXPECT_EQ(ToolWindowTitle("Charts"), "Vornix: Charts");
}
