// The conventions our own tool windows share: where they open, Escape to close, their
// titles, the layout of numbers in our own columns and the thousands separators in
// their prose.
#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QtCharts/QChartView>
#include <filesystem>

#include "GuiTestSupport.h"
#include "gui/charts/ChartsWindow.h"
#include "gui/context/ContextWindow.h"
#include "gui/display/ResultModel.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/WindowPlacement.h"

using namespace vornix;
using namespace vornix::test;

namespace {

// n distinct words of letters only ("BAAA", "CAAA", ...), none of them common.
std::string DistinctWords(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        std::string word = "Q";
        for (int v = i, k = 0; k < 3; ++k, v /= 26) word += static_cast<char>('a' + v % 26);
        text += word + ' ';
    }
    return text;
}

}  // namespace

class ToolWindowsTest : public GuiFixture {
protected:
    void OpenWith(const std::string& text) {
        std::filesystem::create_directories(programFolder);
        std::filesystem::copy(std::filesystem::path(VORNIX_GUI_PATH).parent_path() / "help", programFolder + "help",
                              std::filesystem::copy_options::recursive);
        Start();
        OpenDocuments({QString::fromStdString(WriteText("doc.txt", text))});
        ASSERT_TRUE(Grid()->isVisible());
        Grid()->setCurrentIndex(Grid()->model()->index(0, 1));
        QApplication::setActiveWindow(&Main());
    }
    template <class W>
    W* Opened(const char* what, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(&Main());
        QTest::keyClick(&Main(), key, modifiers);
        const auto found = Main().findChildren<W*>();
        EXPECT_EQ(found.size(), 1) << what;
        W* window = found.isEmpty() ? nullptr : found.front();
        EXPECT_TRUE(window && window->isVisible()) << what;
        return window && window->isVisible() ? window : nullptr;
    }
};

TEST_F(ToolWindowsTest, OpenByTheMainWindowOnTheScreenTitledAlikeAndCloseOnEscape) {
    // CAT 1,200 times: the prose groups its thousands, the table cells do not.
    std::string text;
    for (int i = 0; i < 1200; ++i) text += "cat ";
    OpenWith(text + DistinctWords(1000));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString title;
    } cases[] = {
        {"help", Qt::Key_F1, Qt::NoModifier, QStringLiteral("Vornix: Help")},
        {"context", Qt::Key_K, Qt::ControlModifier,
         QStringLiteral("Vornix: Word in context \u2014 CAT, 1,200 occurrences in 1 file")},
        {"charts", Qt::Key_G, Qt::ControlModifier, QStringLiteral("Vornix: Charts")},
    };
    for (const Case& c : cases) {
        QWidget* window = c.key == Qt::Key_K ? static_cast<QWidget*>(Opened<ContextWindow>(c.what, c.key, c.modifiers))
                          : c.key == Qt::Key_G ? static_cast<QWidget*>(Opened<ChartsWindow>(c.what, c.key, c.modifiers))
                                               : static_cast<QWidget*>(Opened<HelpWindow>(c.what, c.key, c.modifiers));
        ASSERT_NE(window, nullptr) << c.what;
        // The search first ends (Escape during it stops it), and the title tells its result.
        if (auto* context = qobject_cast<ContextWindow*>(window))
            EXPECT_TRUE(QTest::qWaitFor([&] { return context->BreakButton->isHidden(); }));
        EXPECT_EQ(window->windowTitle(), c.title) << c.what;
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << c.what;
        // Beside the main window (within the gap) or over it.
        EXPECT_TRUE(frame.adjusted(-8, 0, 8, 0).intersects(Main().frameGeometry())) << c.what;
        EXPECT_EQ(frame, ToolWindowPlace(frame.size(), Main().frameGeometry(), area)) << c.what;
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible()) << c.what;
    }
    // The charts' own prose groups thousands too.
    auto* charts = Main().findChild<ChartsWindow*>();
    ASSERT_NE(charts, nullptr);
    EXPECT_TRUE(In<QChartView>(*charts, "RankChart")->chart()->title().startsWith("Rank and frequency: 1,001 words"))
        << In<QChartView>(*charts, "RankChart")->chart()->title().toStdString();
    // The table's own figures are the plain ones the saved table holds.
    EXPECT_EQ(Rows().front(), "1|CAT|1200");
}

TEST_F(ToolWindowsTest, ThePerMillionColumnLinesUpAsTheCountColumn) {
    OpenWith("b a c c " + DistinctWords(5));
    Act("ShowRelFreq1")->trigger();
    ASSERT_EQ(Model()->columnCount(), 4);
    for (int row = 0; row < Model()->rowCount(); ++row) {
        const QString count = Model()->CellText(row, 2), share = Model()->CellText(row, 3);
        // Two blanks, then the figure right-aligned in a field of its own width; both
        // cells take the same alignment in the view.
        EXPECT_TRUE(count.startsWith("  ") && share.startsWith("  ")) << row;
        EXPECT_EQ(share.size(), 11) << share.toStdString();
        EXPECT_EQ(Model()->data(Model()->index(row, 3), Qt::TextAlignmentRole),
                  Model()->data(Model()->index(row, 2), Qt::TextAlignmentRole));
    }
}
