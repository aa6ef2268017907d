#pragma once
// Only one instance of the program runs per user and program name. The first takes a
// lock file named after the program file and listens on a local socket of the same
// name; a second start asks it through the socket to raise (or restore) its window,
// and hands it the documents named on its command line, if any.
// Both live in the user's private runtime folder (else a 0700 folder of our own).
// The system releases the lock when a process ends, so a crashed instance never
// blocks the next start.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

namespace vornix {

// What goes over the socket. A start without documents sends "raise\n". A start with
// documents sends "open N\n" and then N paths, each as UTF-8 ended by a zero byte (a
// path may hold a line break, never a zero byte). The first instance answers "ok\n",
// or "refused " and a reason in UTF-8 and "\n"; "raise" gets no answer.
QByteArray EncodeHandOver(const QStringList& files);
// The request at the start of bytes: not complete while more bytes are needed,
// malformed when the bytes cannot be one, else its paths (none for "raise").
struct HandOverRequest {
    bool complete = false;
    bool malformed = false;
    QStringList files;
};
HandOverRequest DecodeHandOver(const QByteArray& bytes);

// Without XDG_RUNTIME_DIR (su, ssh, cron), makes a 0700 folder of our own in the
// temporary folder the runtime folder, before the application object exists: Qt would
// otherwise warn at every use and make one of its own. Nothing when the folder cannot
// be made safely.
void EnsureRuntimeFolder();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Takes the documents handed over by a later start; returns an empty text when it
    // took them, else why it cannot.
    using Acceptor = std::function<QString(const QStringList& files)>;

    explicit SingleInstance(const QString& programName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance holds the lock; it has then been asked to come forward
    // and, when files is not empty, given them to analyse (see HandOverError).
    bool AlreadyRunning(const QStringList& files = {});
    // After AlreadyRunning() with files: empty when the running instance took them,
    // else why not.
    const QString& HandOverError() const { return handOverError_; }
    // The window to bring forward when a later start asks.
    void SetWindow(QWidget* window) { window_ = window; }
    void SetAcceptor(Acceptor acceptor) { acceptor_ = std::move(acceptor); }

    // Where the lock and the socket live, for this program name and user.
    static QString LockPath(const QString& programName);
    static QString ServerName(const QString& programName);

private:
    void Raise();
    void Serve();
    QString HandOver(const QStringList& files);
    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QWidget* window_ = nullptr;
    Acceptor acceptor_;
    QString handOverError_;
};

}  // namespace vornix
