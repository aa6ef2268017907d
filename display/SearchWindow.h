#pragma once
// The search window: finds a rank, a word prefix or a frequency in the result table and
// moves the table's current cell there.
#include <QDialog>
#include <QString>

#include "display/SearchMatch.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vornix {

class SettingsFile;
class TVornixMain;

class TVornixSearch : public QDialog {
    Q_OBJECT
public:
    TVornixSearch(SettingsFile& settings, TVornixMain* main);

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
    SettingsFile& settings_;
    TVornixMain* main_;
    // The last search outlives each showing of the window and each analysis run.
    SearchKind searchKind_ = SearchKind::None;
    QString lastSearchText_;
    bool searchRequested_ = false;
};

}  // namespace vornix
