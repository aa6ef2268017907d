#pragma once
// The main window: menus, the result table, the status lines, and the commands that
// run an analysis and show its results. The handlers are spread over the subsystem
// folders (input/, display/, output/, commonlist/, shell/) by what they do; this class
// only ties them to the widgets.
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "display/ResultFilter.h"
#include "engine/AnalysisRun.h"

class QAction;
class QElapsedTimer;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableView;

namespace vornix {

class ResultModel;
class SettingsFile;
class TAddDlg;
class TVornixSearch;
class TVornixStats;
class UiServices;
class HelpWindow;

class TVornixMain : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate. settings must not be set up yet; arguments are the command-line
    // arguments after the program name (the first may carry a run id).
    TVornixMain(UiServices& ui, SettingsFile& settings, const std::vector<std::string>& arguments);
    ~TVornixMain() override;  // FormDestroy

    // The windows created after this one, in order; they are children of this window.
    void AttachWindows(TVornixStats* stats, TAddDlg* addDlg, TVornixSearch* search);

    // Runs a shortcut of a menu item: the opening handlers of its menus first, then
    // the item's command if it is then enabled. Nothing acts during a run.
    void RunShortcut(QAction* item);
    // Shows a page of the help ("addset.htm", "options.htm#editcomm"; empty for the index).
    void ShowHelp(const QString& topic);

    // State of this run of the program, for the windows beside this one and for tests.
    bool Busy() const { return busy_; }
    AnalysisRun& Run() { return *run_; }
    const QString& DefaultCommonList() const { return defaultCommonList_; }
    const QString& CurrentCommonList() const { return currentCommonList_; }
    const QString& OpenDir() const { return openDir_; }
    const QString& SavePath() const { return savePath_; }
    std::int32_t ActiveThreshold() const { return activeThreshold_; }

signals:
    // Every text written to the status line, in order.
    void StatusShown(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ---- analysis run (engine/input) ----
    void GeneralInitialize();
    void GeneralClosedown();
    void EnableDodgyOptions(bool enable);
    void ShowStatus(const QString& text);
    void ShowProgress();
    void RecordStats();

private slots:
    // The handlers, named as the window's events.
    // ---- File menu (input/, output/) ----
    void File1Click();
    void Open1Click();
    void OpenClipboard1Click();
    void Break1Click();
    void SaveAnalysis1Click();
    void Exit1Click();

    // ---- Edit menu (output/, display/) ----
    void Edit1Click();
    void Find1Click();
    void FindNext1Click();
    void CopytoClipboard1Click();

    // ---- Display menu and results view (display/) ----
    void Display1Click();
    void ShowCommonWords1Click();
    void ShowNumbers1Click();
    void LowerCase1Click();
    void AlphabeticalList1Click();
    void FrequencyList1Click();
    void WordLengthList1Click();
    void TabControl1Change(int index);
    void Statistics1Click();
    void AdditionalSettings1Click();
    void DisplayResults();
    void FillResultGrid();
    void FormResize();
    // Returns true when the key was consumed.
    bool FormKeyDown(int key);
    void GridMouseDown(const QPoint& position, Qt::MouseButtons buttons);
    void Setfrequencythreshold01Click(QAction* item);

    // ---- Options menu, list editor, adding words (commonlist/) ----
    void Options1Click();
    void ReadCommonWordList1Click();
    void EditCommonWordList1Click();
    void Selectcustomlist1Click();
    void RestoredefaultlistVornixdat1Click();
    void PopupMenu1Popup();
    void Add2Common1Click();
    void SaveButClick();
    void SortButClick();
    void CancelButClick();
    void HelpButClick();
    // Hides the editor's memo and buttons without saving.
    void LeaveEditor();
    bool EditorOpen() const;

    // ---- Help menu (shell/) ----
    void Contents1Click();
    void About1Click();

private:
    // The display options as the menus hold them, with the threshold in force.
    DisplayOptions CurrentDisplayOptions() const;

    // Files of this run of the program.
    QString defaultCommonList_;
    QString currentCommonList_;
    QString openDir_;        // the open dialog's starting folder
    QString savePath_;       // the save dialog's starting folder
    QString customDatName_;  // the custom-list dialog's file name
    std::int32_t activeThreshold_ = 1;

    // Widgets, named as the window's controls.
    QMenu* File1;
    QMenu* Edit1;
    QMenu* Display1;
    QMenu* Options1;
    QMenu* Help1;
    QMenu* PopupMenu1;
    QAction* Open1;
    QAction* OpenClipboard1;
    QAction* SaveAnalysis1;
    QAction* Exit1;
    QAction* Find1;
    QAction* FindNext1;
    QAction* CopytoClipboard1;
    QAction* ShowCommonWords1;
    QAction* ShowNumbers1;
    QAction* LowerCase1;
    QAction* AlphabeticalList1;
    QAction* FrequencyList1;
    QAction* WordLengthList1;
    QAction* Statistics1;
    QAction* AdditionalSettings1;
    QAction* ReadCommonWordList1;
    QAction* EditCommonWordList1;
    QAction* Selectcustomlist1;
    QAction* RestoredefaultlistVornixdat1;
    QAction* Contents1;
    QAction* About1;
    QAction* Break1;
    QAction* Add2Common1;
    QAction* Setfrequencythreshold01;
    QAction* Setdefaultthreshold11;

    QLabel* TopStatus;
    QTabBar* TabControl1;
    QTableView* Grid;
    QPlainTextEdit* Memo1;
    QFrame* StatusPanel;
    QLabel* StatusBar;
    QPushButton* OpenBut;
    QPushButton* SaveBut;
    QPushButton* SortBut;
    QPushButton* CancelBut;
    QPushButton* HelpBut;

    void BuildMenus();
    void BuildWidgets();
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                     void (TVornixMain::*handler)());
    void AddShortcut(QAction* item, const QKeySequence& key);
    void SetResultsView(bool shown);
    // One run: busy mode, the inputs, and always the closing steps, also after a file
    // error (which is shown in the error box).
    void RunAnalysis(const std::function<void()>& readInputs);
    void ShowErrorBox(const QString& text);
    void SetOrder(QAction* item, int tab);
    bool ClipboardHasText() const;
    bool StripPossessives() const;
    void FormDestroy();

    UiServices& ui_;
    SettingsFile& settings_;
    std::unique_ptr<AnalysisRun> run_;
    ResultModel* model_;
    TVornixStats* stats_ = nullptr;
    TAddDlg* addDlg_ = nullptr;
    TVornixSearch* search_ = nullptr;
    QPointer<HelpWindow> help_;  // cleared by Qt when the help window goes
    QWidget* central_;
    std::map<QAction*, QMenu*> menuOf_;
    std::unique_ptr<QElapsedTimer> sinceEvents_;
    bool busy_ = false;
    bool destroyed_ = false;
};

}  // namespace vornix
