#pragma once
// The lines of the context window: only the 16-byte occurrence records are kept; the
// text of a row is read from the inputs when the view asks for it.
#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "core/context/WordContext.h"

namespace vornix {

class ContextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { LeftColumn, WordColumn, RightColumn, FileColumn, LineColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    ~ContextModel() override;

    // Empties the model; run (when given) must stay unchanged until the next Reset.
    // phrase: the occurrences are phrases (the column says so).
    void Reset(const AnalysisRun* run, bool phrase = false);
    // Appends records found since the last call (found grows in text order).
    void Append(const std::vector<Occurrence>& found);
    void SetWidth(int width);
    int Width() const { return width_; }
    // Reorders the rows; the records must all be in (the search is over).
    void Sort(ContextSort sort);
    ContextSort CurrentSort() const { return sort_; }
    // A row as vornix-count prints it: file, line, left, occurrence, right, and a line end.
    std::string LineText(int row) const;
    std::size_t Size() const { return records_.size(); }
    // The records in the rows' order.
    const std::vector<Occurrence>& Records() const { return records_; }
    // The row of an occurrence, -1 when it has none.
    int RowOf(const Occurrence& o) const;
    // The inputs the rows come from.
    int FileCount() const { return files_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ContextReader::Line& LineAt(int row) const;

    const AnalysisRun* run_ = nullptr;
    std::unique_ptr<ContextReader> reader_;
    std::vector<Occurrence> records_;
    ContextSort sort_;
    int width_ = 40;
    int files_ = 0;
    bool phrase_ = false;
    std::uint32_t lastInput_ = 0;
    // The view asks for a row's cells one by one: the row is formed once.
    mutable int cachedRow_ = -1;
    mutable ContextReader::Line cached_;
};

}  // namespace vornix
