#include "shell/SingleInstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

namespace vornix {

namespace {

// The lock's name holds at most 40 characters of the program's name.
QString ShortName(const QString& programName) {
    return programName.left(40);
}

// The folder for the lock and the socket: the user's runtime folder (private to the
// user), else a 0700 folder of our own in the temporary folder. A folder of that name
// that is not ours, or that others may enter, is not used: in a shared folder another
// user could squat the names.
QString PrivateFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!folder.isEmpty()) return folder;
    folder = QDir::tempPath() + QStringLiteral("/vornix-") + QString::number(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat info {};
    if (::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) == 0)
        return folder;
    return {};
}

}  // namespace

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

bool SingleInstance::AlreadyRunning() {
    // Without a private folder there is no safe place for the guard: the program runs
    // unguarded rather than not at all.
    if (LockPath(name_).isEmpty()) return false;
    lock_ = std::make_unique<QLockFile>(LockPath(name_));
    // A lock whose process is gone is stale and is taken over at once.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(100)) {
        server_ = new QLocalServer(this);
        QLocalServer::removeServer(ServerName(name_));  // a socket left by a crash
        if (server_->listen(ServerName(name_))) {
            connect(server_, &QLocalServer::newConnection, this, [this] {
                while (QLocalSocket* socket = server_->nextPendingConnection()) {
                    socket->deleteLater();
                    Raise();
                }
            });
        }
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(ServerName(name_));
    if (socket.waitForConnected(1000)) {
        socket.write("raise\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return true;
}

void SingleInstance::Raise() {
    if (!window_) return;
    if (window_->isMinimized()) window_->showNormal();
    window_->raise();
    window_->activateWindow();
}

}  // namespace vornix
