#include "gui/shell/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace vornix {

namespace {

// More than any command line holds: a peer that sends more is not one of ours.
constexpr qsizetype kMaxRequest = 4 << 20;
constexpr int kWaitMs = 5000;

// The lock's name holds at most 40 characters of the program's name.
QString ShortName(const QString& programName) {
    return programName.left(40);
}

// A 0700 folder of ours in the temporary folder. A folder of that name that is not
// ours, or that others may enter, is not used: in a shared folder another user could
// squat the names.
QString OwnTemporaryFolder() {
    const QString folder = QDir::tempPath() + QStringLiteral("/vornix-") + QString::number(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat info {};
    if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) == 0)
        return folder;
    return {};
}

// The folder for the lock and the socket: the user's runtime folder (private to the
// user), else our own temporary one.
QString PrivateFolder() {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return OwnTemporaryFolder();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? OwnTemporaryFolder() : folder;
}

}  // namespace

void EnsureRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString folder = OwnTemporaryFolder();
    if (!folder.isEmpty()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

QByteArray EncodeHandOver(const QStringList& files) {
    if (files.isEmpty()) return QByteArrayLiteral("raise\n");
    QByteArray bytes = "open " + QByteArray::number(files.size()) + '\n';
    for (const QString& file : files) bytes += file.toUtf8() + '\0';
    return bytes;
}

HandOverRequest DecodeHandOver(const QByteArray& bytes) {
    HandOverRequest r;
    const qsizetype eol = bytes.indexOf('\n');
    if (eol < 0) {
        r.malformed = bytes.size() > 32;
        return r;
    }
    const QByteArray command = bytes.left(eol);
    if (command == "raise") {
        r.complete = true;
        return r;
    }
    bool ok = false;
    const qlonglong count = command.startsWith("open ") ? command.mid(5).toLongLong(&ok) : 0;
    if (!ok || count < 1 || count > kMaxRequest) {
        r.malformed = true;
        return r;
    }
    qsizetype at = eol + 1;
    while (r.files.size() < count) {
        const qsizetype end = bytes.indexOf('\0', at);
        if (end < 0) return HandOverRequest{};  // the rest is still on its way
        const QByteArray path = bytes.mid(at, end - at);
        const QString file = QString::fromUtf8(path);
        // An empty or relative path, or one that is not UTF-8, was not made by a start.
        if (file.isEmpty() || !file.startsWith(QLatin1Char('/')) || file.toUtf8() != path) {
            r.malformed = true;
            return r;
        }
        r.files << file;
        at = end + 1;
    }
    r.complete = true;
    return r;
}

SingleInstance::SingleInstance(const QString& programName, QObject* parent)
    : QObject(parent), name_(ShortName(programName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::LockPath(const QString& programName) {
    const QString folder = PrivateFolder();
    if (folder.isEmpty()) return {};
    return folder + QLatin1Char('/') + ShortName(programName) + QStringLiteral(".lock");
}

QString SingleInstance::ServerName(const QString& programName) {
    const QString folder = PrivateFolder();
    if (folder.isEmpty()) return {};
    return folder + QLatin1Char('/') + ShortName(programName) + QStringLiteral("-instance-") +
           QString::number(::getuid());
}

bool SingleInstance::AlreadyRunning(const QStringList& files) {
    handOverError_.clear();
    // Without a private folder there is no safe place for the guard: the program runs
    // unguarded rather than not at all.
    if (LockPath(name_).isEmpty()) return false;
    lock_ = std::make_unique<QLockFile>(LockPath(name_));
    // A lock whose process is gone is stale and is taken over at once.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(100)) {
        server_ = new QLocalServer(this);
        QLocalServer::removeServer(ServerName(name_));  // a socket left by a crash
        if (server_->listen(ServerName(name_)))
            connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Serve);
        return false;
    }
    handOverError_ = HandOver(files);
    return true;
}

QString SingleInstance::HandOver(const QStringList& files) {
    const QString noAnswer = QStringLiteral("the running instance does not answer");
    QLocalSocket socket;
    socket.connectToServer(ServerName(name_));
    if (!socket.waitForConnected(kWaitMs)) return files.isEmpty() ? QString() : noAnswer;
    socket.write(EncodeHandOver(files));
    if (!socket.waitForBytesWritten(kWaitMs)) return files.isEmpty() ? QString() : noAnswer;
    if (files.isEmpty()) {
        socket.disconnectFromServer();
        return {};
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 4096 && socket.waitForReadyRead(kWaitMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    if (answer == "ok\n") return {};
    if (answer.startsWith("refused ") && answer.endsWith('\n'))
        return QString::fromUtf8(answer.mid(8, answer.size() - 9));
    return noAnswer;
}

void SingleInstance::Serve() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never finishes its request is dropped.
        QTimer::singleShot(kWaitMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const HandOverRequest request =
                buffer->size() > kMaxRequest ? HandOverRequest{false, true, {}} : DecodeHandOver(*buffer);
            if (!request.complete && !request.malformed) return;
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            if (!request.malformed) Raise();
            // "raise" gets no answer: its sender is already gone.
            if (request.malformed || !request.files.isEmpty()) {
                const QString refusal = request.malformed ? QStringLiteral("the request was not understood")
                                        : acceptor_       ? acceptor_(request.files)
                                                          : QStringLiteral("the window is not up yet");
                socket->write(refusal.isEmpty() ? QByteArray("ok\n") : "refused " + refusal.toUtf8() + '\n');
            }
            socket->disconnectFromServer();
        });
    }
}

void SingleInstance::Raise() {
    if (!window_) return;
    if (window_->isMinimized()) window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

}  // namespace vornix
