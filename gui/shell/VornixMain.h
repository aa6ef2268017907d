#pragma once
// The main window: the menu bar, the client area and the status panel, the shortcut
// mechanism, start-up and shut-down (the settings), and the wiring of the controllers
// that own the rest: document input (input/), the result display (display/), save and
// copy (output/), the common words list (commonlist/) and help (shell/).
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QTimer;

namespace vornix {

class AnalysisRun;
class RunDispersion;
class CommonListController;
class DocumentController;
class HelpController;
class CollocatesController;
class KeywordsController;
class NGramsController;
class CountsController;
class OutputController;
class ResultController;
class SettingsFile;
class TAddDlg;
class TVornixSearch;
class TVornixStats;
class UiServices;
class WindowContext;

// The documents named on the command line, made absolute; "id=..." is the run id, not
// a document.
QStringList DocumentsNamedAtStart(const std::vector<std::string>& arguments);

class TVornixMain : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate. settings must not be set up yet; arguments are the command-line
    // arguments after the program name (the first may carry a run id).
    TVornixMain(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments);
    // Files named at start: analysed as if chosen in the open dialog.
    void OpenDocuments(const QStringList& files);
    // Documents handed over by a later start of the program: analysed as soon as the
    // window is idle (after a run, once dialogs and the list editor are closed).
    // Returns an empty text when they were taken, else why they cannot be.
    QString AnalyseWhenIdle(const QStringList& files);
    ~TVornixMain() override;  // FormDestroy

    // The windows created after this one, in order; they are children of this window.
    void AttachWindows(TVornixStats* stats, TAddDlg* addDlg, TVornixSearch* search);

    // Runs a shortcut of a menu item: the opening handlers of its menus first, then
    // the item's command if it is then enabled. Nothing acts during a run.
    void RunShortcut(QAction* item);
    // SIGTERM, SIGHUP and SIGINT close the window as its close box does (a logout sends
    // them): the settings are written and the record file goes. The signals are caught
    // from before the lock is taken (CatchTerminationSignals), so that one sent while the
    // windows are made still closes them so, once they are up.
    static bool CatchTerminationSignals();
    void WatchTerminationSignals();
    // Shows a page of the help ("addset.htm", "options.htm#editcomm"; empty for the index).
    void ShowHelp(const QString& topic);

    // State of this run of the program, for the windows beside this one and for tests.
    bool Busy() const;
    AnalysisRun& Run();
    const QString& DefaultCommonList() const;
    const QString& CurrentCommonList() const;
    const QString& OpenDir() const;
    const QString& SavePath() const;
    std::int32_t ActiveThreshold() const;

signals:
    // Every text written to the status line, in order.
    void StatusShown(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void Exit1Click();

private:
    void BuildMenus();
    void BuildWidgets();
    void Wire();
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {});
    void AddShortcut(QAction* item, const QKeySequence& key);
    void SetResultsView(bool shown);
    void EnableDodgyOptions(bool enable);
    void FormResize();
    // Returns true when the key was consumed.
    bool FormKeyDown(int key);
    void FormCreate(const std::vector<std::string>& arguments);
    void FormDestroy();
    void CloseOnSignal();
    void TakeHandedOver();

    std::unique_ptr<WindowContext> context_;
    std::unique_ptr<AnalysisRun> run_;
    std::unique_ptr<RunDispersion> dispersion_;  // the run's parts, when kept
    QWidget* central_ = nullptr;
    QFrame* StatusPanel = nullptr;
    QLabel* StatusBar = nullptr;
    // The line just above the status panel that says documents handed over by a later
    // start are waiting, and for what: the list editor's buttons take the status line's
    // middle, and a dialog's owner shows nothing of its own meanwhile.
    QLabel* HandOverNote = nullptr;
    DocumentController* documents_ = nullptr;
    ResultController* results_ = nullptr;
    OutputController* output_ = nullptr;
    CommonListController* commonList_ = nullptr;
    HelpController* help_ = nullptr;
    KeywordsController* keywords_ = nullptr;
    NGramsController* ngrams_ = nullptr;
    CollocatesController* collocates_ = nullptr;
    CountsController* counts_ = nullptr;
    std::map<QAction*, QMenu*> menuOf_;
    bool destroyed_ = false;
    // A termination signal arrived: the window closes as soon as no run is busy.
    bool closeRequested_ = false;
    // Document sets handed over by later starts, oldest first, and the timer that looks
    // again while a dialog or the list editor is in the way.
    std::deque<QStringList> handedOver_;
    QTimer* handOverRetry_ = nullptr;
};

}  // namespace vornix
