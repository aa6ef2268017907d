#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "gui/shell/SingleInstance.h"

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
    void StartFirst(QProcess& p, const QStringList& arguments = {}) {
        p.setProcessEnvironment(env);
        p.start(VORNIX_GUI_PATH, arguments);
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

TEST_F(Instances, WithoutARuntimeFolderTheLockGoesToAPrivateTemporaryFolderWithoutWarnings) {
    env.remove("XDG_RUNTIME_DIR");
    env.insert("TMPDIR", QString::fromStdString(dir.path()));
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(VORNIX_GUI_PATH, {});
    ASSERT_TRUE(first.waitForStarted());
    const QString folder = QString::fromStdString(dir.path()) + "/vornix-" + QString::number(::geteuid());
    for (int i = 0; i < 100 && !QFile::exists(folder + "/vornix.lock"); ++i) QTest::qWait(50);
    ASSERT_TRUE(QFile::exists(folder + "/vornix.lock"));
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    QTest::qWait(200);
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(VORNIX_GUI_PATH, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_TRUE(
        QString::fromLocal8Bit(second.readAllStandardError()).contains("An instance of vornix is already running."));
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(5000));
    const QString messages = QString::fromLocal8Bit(first.readAllStandardError());
    EXPECT_FALSE(messages.contains("QStandardPaths")) << messages.toStdString();
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

TEST_F(Instances, ASignalEndsTheProgramWhenTheSettingsCannotBeWritten) {
    // The settings folder's parent is missing: the save at the end fails. Nobody is
    // there to answer a box after a logout, so the failure is said on standard error.
    env.insert("APPDATA", QString::fromStdString(dir.path() + "/missing/parent"));
    QProcess p;
    StartFirst(p);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000)) << "waits on a message box";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(errors.contains("vornix: Cannot create file " + QString::fromStdString(dir.path()) +
                                "/missing/parent/Korvane/Vornix/Vornix.ini"))
        << errors.toStdString();
}

TEST(HandOver, RequestsSurviveTheTripAndBadOnesAreRefused) {
    const QStringList files = {"/tmp/a b.txt", "/home/ü/ελλάδα\nline.txt", "/x"};
    const QByteArray bytes = vornix::EncodeHandOver(files);
    // Every prefix of a request is incomplete, never malformed: the bytes may arrive in pieces.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const vornix::HandOverRequest part = vornix::DecodeHandOver(bytes.left(n));
        EXPECT_FALSE(part.complete || part.malformed) << n;
    }
    const vornix::HandOverRequest whole = vornix::DecodeHandOver(bytes);
    EXPECT_TRUE(whole.complete && !whole.malformed);
    EXPECT_EQ(whole.files, files);
    EXPECT_TRUE(vornix::DecodeHandOver(vornix::EncodeHandOver({})).complete);
    EXPECT_TRUE(vornix::DecodeHandOver(vornix::EncodeHandOver({})).files.isEmpty());

    const struct {
        QByteArray bytes;
        const char* why;
    } bad[] = {
        {"open 0\n", "no paths"},
        {"open x\n", "no count"},
        {"open -1\n", "negative count"},
        {"delete everything\n", "unknown command"},
        {QByteArray("open 1\nrelative.txt\0", 20), "relative path"},
        {QByteArray("open 1\n\0", 8), "empty path"},
        {QByteArray("open 1\n/\xff\xfe\0", 11), "not UTF-8"},
        {QByteArray(64, 'x'), "no line end in sight"},
    };
    for (const auto& c : bad) EXPECT_TRUE(vornix::DecodeHandOver(c.bytes).malformed) << c.why;
}

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST_F(Instances, ASecondStartWithDocumentsHandsThemToTheFirst) {
    // The first document is a pipe nobody writes to: the running instance refuses it
    // instead of waiting in open() with its socket unanswered.
    const std::string pipe = dir.path() + "/pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() + "/sub");
    dir.write("sub/b.txt", "second document");
    QProcess first;
    StartFirst(first);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(QString::fromStdString(dir.path() + "/sub"));
    second.start(VORNIX_GUI_PATH, {QString::fromStdString(pipe), "b.txt"});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardError(), QByteArray());
    QTest::qWait(500);

    // Still answering: a later hand-over is taken.
    QProcess again;
    again.setProcessEnvironment(env);
    again.start(VORNIX_GUI_PATH, {QString::fromStdString(dir.path() + "/sub/b.txt")});
    ASSERT_TRUE(again.waitForFinished(10000));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_EQ(again.readAllStandardError(), QByteArray());

    // A later start without documents keeps its old answer; the first runs on.
    QProcess third;
    third.setProcessEnvironment(env);
    third.start(VORNIX_GUI_PATH, {});
    ASSERT_TRUE(third.waitForFinished(10000));
    EXPECT_TRUE(QString::fromLocal8Bit(third.readAllStandardError()).contains("already running"));

    QTest::qWait(500);
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    // The set the run read, with the relative name made absolute in the second start's folder.
    const std::string settings = ReadFile(dir.path() + "/.config/Korvane/Vornix/Vornix.ini");
    EXPECT_NE(settings.find("=" + pipe + "\t" + dir.path() + "/sub/b.txt"), std::string::npos) << settings;
}

TEST_F(Instances, AnInstanceThatIsClosingRefusesDocumentsAndSaysWhy) {
    // A socket that answers as a closing instance would: the start reports it and fails.
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.path()));
    QLockFile lock(vornix::SingleInstance::LockPath("vornix"));
    ASSERT_TRUE(lock.tryLock(1000));
    QLocalServer server;
    ASSERT_TRUE(server.listen(vornix::SingleInstance::ServerName("vornix")));
    QObject::connect(&server, &QLocalServer::newConnection, [&server] {
        QLocalSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            if (!vornix::DecodeHandOver(socket->peek(1 << 20)).complete) return;
            socket->write("refused it is closing\n");
            socket->flush();
        });
    });
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(VORNIX_GUI_PATH, {"/tmp/a.txt"});
    for (int i = 0; i < 200 && second.state() != QProcess::NotRunning; ++i) QTest::qWait(50);
    ASSERT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(second.readAllStandardError())
                    .contains("The documents could not be handed to the running instance of vornix: it is closing."));
}
