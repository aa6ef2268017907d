#pragma once
// Only one instance of the program runs per user and program name. The first takes a
// lock file named after the program file and listens on a local socket of the same
// name; a second start asks it through the socket to raise (or restore) its window.
// Both live in the user's private runtime folder (else a 0700 folder of our own).
// The system releases the lock when a process ends, so a crashed instance never
// blocks the next start.
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

namespace vornix {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance holds the lock; it has then been asked to come forward.
    bool AlreadyRunning();
    // The window to bring forward when a later start asks.
    void SetWindow(QWidget* window) { window_ = window; }

    // Where the lock and the socket live, for this program name and user.
    static QString LockPath(const QString& programName);
    static QString ServerName(const QString& programName);

private:
    void Raise();
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QWidget* window_ = nullptr;
};

}  // namespace vornix
