#pragma once
// The window every analysis shows its table in, so that they all behave alike: its own
// controls on top, a table sorted by a click on a column, Copy (Ctrl+C: the selected
// rows, or all, in the plain-table layout), Save (atomic; .csv, .tsv and .json names
// get those formats, others the plain table), a progress line with Break while the
// analysis runs, Escape to close. The analysis's controller fills it.
#include <QWidget>
#include <memory>
#include <vector>

#include "core/table/AnalysisTable.h"

class QAction;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace vornix {

class AnalysisTableModel;
class UiServices;

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // name: the object name; its parts get it as a prefix ("KeywordsTable").
    AnalysisWindow(const QString& name, const QString& title, UiServices& ui, QWidget* parent);

    void SetTable(std::shared_ptr<const AnalysisTable> table);
    const AnalysisTable* Table() const;
    // The plain-table layout used by Copy and Save.
    void SetLayout(const TableLayout& layout) { layout_ = layout; }
    // The progress line; empty hides it and the Break button.
    void SetProgress(const QString& text);
    // A line above the table for what went wrong or what the table holds; empty hides it.
    void SetNote(const QString& text);
    // The table's rows as the view orders them (the selected ones, or all when
    // selectedOnly is false or nothing is selected).
    std::vector<std::size_t> ShownRows(bool selectedOnly) const;
    // Copy's text and Save's bytes for the format.
    std::string Text(TableFormat format, bool selectedOnly) const;

    QHBoxLayout* Controls;  // the analysis's own controls go here
    QTableView* View;
    QLabel* Note;
    QLabel* Progress;
    QPushButton* BreakButton;
    QPushButton* SaveButton;
    QAction* CopyItem;

signals:
    void stopRequested();
    // A double click on a row: the table's row number.
    void rowActivated(std::size_t row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Save();
    std::size_t SourceRow(int viewRow) const;

    UiServices& ui_;
    AnalysisTableModel* model_;
    QSortFilterProxyModel* proxy_;
    TableLayout layout_;
    int sortSection_ = -1;  // the column a header click sorted by last, -1: the analysis's order
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

// The format a saved file's name asks for: .csv, .tsv, .json, else the plain table.
TableFormat FormatForFileName(const QString& path);

}  // namespace vornix
