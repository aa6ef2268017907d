#include "shell/SingleInstance.h"

#include <unistd.h>

#include <QDir>
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

}  // namespace

SingleInstance::SingleInstance(const QString& programName, QObject* parent)
    : QObject(parent), name_(ShortName(programName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::LockPath(const QString& programName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QLatin1Char('/') + ShortName(programName) + QStringLiteral(".lock");
}

QString SingleInstance::ServerName(const QString& programName) {
    return ShortName(programName) + QStringLiteral("-instance-") + QString::number(::getuid());
}

bool SingleInstance::AlreadyRunning() {
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
