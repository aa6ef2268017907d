#pragma once
// The search window: finds a rank, a word prefix or a frequency in the result table and
// moves the table's current cell there.
#include <QDialog>
#include <QString>
#include <functional>

#include "core/display/SearchMatch.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vornix {

class SettingsFile;
class UiServices;

// The table the window searches and what it asks of the main window.
struct SearchTarget {
    QTableView* grid = nullptr;        // over a ResultModel
    std::function<bool()> busy;        // nothing searches during a run
    std::function<bool()> lowerCase;   // words are shown in lower case
    std::function<bool()> allScripts;  // the words are of every script
};

class TVornixSearch : public QDialog {
    Q_OBJECT
public:
    TVornixSearch(SettingsFile& settings, UiServices& ui, QWidget* parent);
    void SetTarget(SearchTarget target);

    // Find: shows the window at its remembered place and, when a search button took the
    // text, searches below the current row.
    void StartSearch();
    // Find next: repeats the last search below the current row.
    void FindNextMatch();
    // Whether Find next can repeat a search: a remembered text and a chosen kind.
    bool CanFindNext() const;

    // The handler of the three search buttons; the button's tag is the kind.
    void FindButton(QPushButton* sender);

    SearchKind LastSearchKind() const { return searchKind_; }
    const QString& LastSearchText() const { return lastSearchText_; }

    QLineEdit* SearchText;
    QLabel* Legend;
    QPushButton* RankBut;
    QPushButton* WordBut;
    QPushButton* FreqBut;
    QPushButton* BitBtn1;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
    void done(int result) override;              // FormClose

private:
    bool Busy() const;

    SettingsFile& settings_;
    UiServices& ui_;
    SearchTarget target_;
    // The last search outlives each showing of the window and each analysis run.
    SearchKind searchKind_ = SearchKind::None;
    QString lastSearchText_;
    bool searchRequested_ = false;
};

}  // namespace vornix
