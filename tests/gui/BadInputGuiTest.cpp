// Bad inputs through the window: each ends the run cleanly (never busy), says what went
// wrong where something did, and loses nothing.
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QUrl>
#include <filesystem>

#include "GuiTestSupport.h"
#include "gui/display/ResultModel.h"
#include "gui/display/StatsWindow.h"
#include "gui/shell/VornixMain.h"

using namespace vornix;
using namespace vornix::test;
using Table = std::vector<std::string>;

class BadInputGui : public GuiFixture {
protected:
    // The window is idle and usable again after a run.
    void ExpectIdle() {
        EXPECT_FALSE(Main().Busy());
        EXPECT_TRUE(Menu("File1")->menuAction()->isVisible());
        EXPECT_FALSE(Act("Break1")->isVisible());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
};

TEST_F(BadInputGui, FilesThatAreNotTextOrNotFiles) {
    Start();
    Act("ReadCommonWordList1")->setChecked(false);

    // A folder, a device and a pipe nobody writes to (which would block open() for ever,
    // here and in a hand-over): each refused at once, by the open dialog's path and by a drop.
    const std::string pipe = dir.file("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {dir.path(), std::string("/dev/zero"), pipe}) {
        ui.messages.clear();
        OpenDocuments({QString::fromStdString(path)});
        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject&>(Main()).event(&drop);
        const QString refused = QString::fromStdString("Cannot open file " + path + " (not a regular file)");
        EXPECT_EQ(ui.Texts("Error"), (QStringList{refused, refused}));
        ExpectIdle();
    }
    ui.messages.clear();

    OpenDocuments({QString::fromStdString(WriteText("empty.txt", ""))});
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_FALSE(Grid()->isVisible());
    ExpectIdle();

    std::string bytes;
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    bytes += std::string(4096, '\0') + "tail";
    Act("ShowNumbers1")->setChecked(true);
    Act("AlphabeticalList1")->setChecked(true);
    Act("FrequencyList1")->setChecked(false);
    OpenDocuments({QString::fromStdString(WriteText("binary.bin", bytes))});
    EXPECT_EQ(Rows(), (Table{"1|0123456789|1", "2|AAAAAAAECEEEEIIII|2", "3|ABCDEFGHIJKLMNOPQRSTUVWXYZ|2", "4|NOOOOO|2",
                             "5|OUUUUY|2", "6|TAIL|1", "7|Y|1", "8|_|1"}));
    EXPECT_TRUE(ui.Texts("Error").isEmpty());  // binary bytes are read, not refused
    ExpectIdle();
}

TEST_F(BadInputGui, FiftyMegabytesOfClipboardText) {
    Start();
    QString text;
    text.reserve(50 << 20);
    for (int i = 0; i < (50 << 20) / 10; ++i) text += QStringLiteral("word text ");
    QGuiApplication::clipboard()->setText(text);
    Act("OpenClipboard1")->trigger();
    EXPECT_EQ(Rows(), (Table{"1|TEXT|5242880", "2|WORD|5242880"}));
    EXPECT_EQ(In<QLabel>(StatsWin(), "TotWords")->text(), "10485760");
    ExpectIdle();
}

TEST_F(BadInputGui, ListThatVanishedBetweenRunsIsReported) {
    Start();
    OpenDocuments({QString::fromStdString(WriteText("a.txt", "the cat"))});
    ASSERT_EQ(Rows(), Table{"1|CAT|1"});
    std::filesystem::remove(SettingsFolder() + "Vornix.dat");
    OpenDocuments({QString::fromStdString(WriteText("b.txt", "the dog"))});
    EXPECT_EQ(ui.Texts("Error"), QStringList{QString::fromStdString("Cannot open file " + SettingsFolder() +
                                                                    "Vornix.dat (No such file or directory)")});
    EXPECT_EQ(Main().Run().Store().WordCount(), 0);
    EXPECT_FALSE(Grid()->isVisible());
    ExpectIdle();
}

TEST_F(BadInputGui, RecordFileFolderThatCannotBeWrittenFallsBackOrReports) {
    // The settings folder is a file: nothing can be created in it. Runs still work,
    // from the temporary folder, and the failed settings save is reported.
    std::filesystem::create_directories(dir.path() + "/.config/Korvane");
    WriteText(".config/Korvane/Vornix", "not a folder");
    Start();
    OpenDocuments({QString::fromStdString(WriteText("a.txt", "still counted"))});
    EXPECT_EQ(Rows(), (Table{"1|COUNTED|1", "2|STILL|1"}));
    Stop();
    ASSERT_EQ(ui.Texts("Error").size(), 1);
    EXPECT_TRUE(ui.Texts("Error")[0].startsWith(QString::fromStdString("Cannot create file " + dir.path())));
    EXPECT_EQ(ReadFile(dir.path() + "/.config/Korvane/Vornix"), "not a folder");

    // The record file's folder vanishes while the program runs: the run reports it and
    // ends cleanly.
    std::filesystem::remove(dir.path() + "/.config/Korvane/Vornix");
    ui.messages.clear();
    Start();
    std::filesystem::remove_all(SettingsFolder());
    OpenDocuments({QString::fromStdString(WriteText("b.txt", "words"))});
    ASSERT_EQ(ui.Texts("Error").size(), 1);
    EXPECT_TRUE(
        ui.Texts("Error")[0].startsWith(QString::fromStdString("Cannot create file " + SettingsFolder() + "Vornix-")));
    ExpectIdle();
}
