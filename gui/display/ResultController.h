#pragma once
// The result display: the table and its tabs, the Display menu, the grid's pop-up menu
// (its threshold items), the search commands and the keys of the results view.
#include <QObject>
#include <cstdint>
#include <string>

#include "core/display/ResultFilter.h"

class QAction;
class QEvent;
class QLabel;
class QLineEdit;
class QTimer;
class QPoint;
class QTabBar;
class QTableView;
class QWidget;

namespace vornix {

class ContextController;
struct ContextQuery;
class ResultModel;
class ChartsWindow;
class TVornixSearch;
class TVornixStats;
class WindowContext;

class ResultController : public QObject {
    Q_OBJECT
public:
    // The tabs and the table go into client.
    ResultController(WindowContext& context, QWidget* client);

    // The windows created after the main window (any may be absent in tests).
    void AttachWindows(TVornixStats* stats, TVornixSearch* search);

    // Refills the table with the current options, unless the list editor stays.
    void DisplayResults();
    // The statistics window's figures from the run.
    void RecordStats();
    // Empties the table and the statistics window's file list (a run starts).
    void ClearResults();
    // The display options as the menus hold them, with the threshold in force.
    DisplayOptions CurrentDisplayOptions() const;
    bool CanFindNext() const;
    // The Word in context window for a stored word of the run (another window's row).
    void ShowWordInContext(const std::string& stored, std::int32_t count);
    // The same for a phrase or a word near another (another window's row).
    void ShowQueryInContext(const ContextQuery& query, const QString& shown, std::int32_t count);
    // The threshold the table was last filled with.
    std::int32_t ActiveThreshold() const { return activeThreshold_; }

    // The run's parts and figures in the context, read again from the documents when
    // the run did not keep them (see WindowContext::dispersionReady).
    bool DispersionReady();
    // The second status field, right of the summary; the main window places it.
    QLabel* MakeStatusNote(QWidget* panel);

    // Table and tabs shown or hidden; the grid hidden when a run starts or leaves it empty.
    void ShowResults(bool shown);
    void SetEnabledForRun(bool enabled);
    void SetTabsEnabled(bool enabled);
    // Names the order shown, without running the tab's handler.
    void SetTab(int index);
    bool ResultsShown() const;
    // Column widths and tab widths for the client width.
    void Layout(int clientWidth);
    // Keys of the results view; true when the key was taken.
    bool FormKeyDown(int key);
    bool FilterEvent(QObject* watched, QEvent* event);

private slots:
    void Edit1Click();
    void Find1Click();
    void FindNext1Click();
    void Display1Click();
    void ShowCommonWords1Click();
    void ShowNumbers1Click();
    void LowerCase1Click();
    void ShowRelFreq1Click();
    void ShowDispersion1Click();
    void AlphabeticalList1Click();
    void FrequencyList1Click();
    void WordLengthList1Click();
    void TabControl1Change(int index);
    void Statistics1Click();
    void Charts1Click();
    void AdditionalSettings1Click();
    void GridMouseDown(const QPoint& position, Qt::MouseButtons buttons);
    void PopupMenu1Popup();
    void Setfrequencythreshold01Click(QAction* item);
    void ShowInContext1Click();

private:
    void FillResultGrid();
    void ShowStatusNote(bool shown);
    // The note over the empty table when the filter hides every word, placed at the
    // top of the grid.
    void ShowFilterNote(bool shown);
    void BuildFilterNote();  // over the grid's empty space, shown when the filter hides every word
    void WireItems();
    void FilterWords1Click();
    void HideFilter();
    // The filter box's text as a pattern in the table's set.
    std::string FilterPattern() const;
    void SetOrder(QAction* item, int tab);
    bool Checked(const char* item) const;

    WindowContext& context_;
    QTabBar* TabControl1;
    QTableView* Grid;
    ResultModel* model_;
    QLabel* statusNote_ = nullptr;
    QLineEdit* FilterBox = nullptr;
    // Edit > Filter words was chosen and the filter not cleared since: the box is shown
    // with the table (never over the list editor or the empty window).
    bool filterOpen_ = false;
    QTimer* filterDelay_ = nullptr;
    QWidget* filterNote_ = nullptr;
    QLabel* filterNoteText_ = nullptr;
    ContextController* wordContext_;
    TVornixStats* stats_ = nullptr;
    TVornixSearch* search_ = nullptr;
    ChartsWindow* charts_ = nullptr;  // made when first opened
    std::int32_t activeThreshold_ = 1;
};

}  // namespace vornix
