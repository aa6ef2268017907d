#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>
#include <filesystem>

#include "TestSupport.h"
#include "shell/SingleInstance.h"

using vornix::test::TempDir;

namespace {

// Two real processes of the real program, with their own HOME and runtime folder.
struct Instances : ::testing::Test {
    TempDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    Instances() {
        env.insert("HOME", QString::fromStdString(dir.path()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.path()));
        env.remove("APPDATA");
        env.remove("XDG_CONFIG_HOME");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VORNIX_NO_DIALOGS", "1");
    }
    void StartFirst(QProcess& p) {
        p.setProcessEnvironment(env);
        p.start(VORNIX_GUI_PATH, {});
        ASSERT_TRUE(p.waitForStarted());
        const QString lock = QString::fromStdString(dir.path()) + "/vornix.lock";
        for (int i = 0; i < 100 && !QFile::exists(lock); ++i) QTest::qWait(50);
        ASSERT_TRUE(QFile::exists(lock));
        QTest::qWait(200);  // let it start listening
    }
};

}  // namespace

TEST_F(Instances, SecondStartIsRefusedWhileTheFirstRuns) {
    QProcess first;
    StartFirst(first);
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(VORNIX_GUI_PATH, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(
        QString::fromLocal8Bit(second.readAllStandardError()).contains("An instance of vornix is already running."));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

TEST_F(Instances, ALockLeftByACrashDoesNotBlockTheNextStart) {
    QProcess first;
    StartFirst(first);
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    first.waitForFinished(5000);
    QProcess next;
    StartFirst(next);
    EXPECT_FALSE(next.waitForFinished(1000));  // still running: not refused
    EXPECT_FALSE(QString::fromLocal8Bit(next.readAllStandardError()).contains("already running"));
    next.terminate();
    next.waitForFinished(5000);
}

TEST_F(Instances, TerminationSignalsCloseTheWindowAsTheCloseBoxDoes) {
    const std::string folder = dir.path() + "/.config/Korvane/Vornix/";
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        std::filesystem::remove(folder + "Vornix.ini");
        QProcess p;
        StartFirst(p);
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(10000)) << signal;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(p.exitCode(), 0) << signal;
        // The session's settings were written, and no record file stays behind.
        EXPECT_TRUE(std::filesystem::exists(folder + "Vornix.ini")) << signal;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_NE(entry.path().filename().string().rfind("Vornix-", 0), 0u) << entry.path();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path()) + "/vornix.lock")) << signal;
    }
}
