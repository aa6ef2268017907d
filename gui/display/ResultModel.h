#pragma once
// The result table: one row per shown word, three columns (rank, word, frequency) and,
// when asked, one with the occurrences per million words of the run and two with the
// word's range and DP over the run's parts. It
// holds only the shown record numbers and makes the cell texts when asked, so a table
// of 500,000 words refills at once.
#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

namespace vornix {

class WordStore;
struct DispersionFigures;

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // store must outlive the model or be replaced by the next SetResults. Reading the
    // cells changes nothing in the store.
    // ranks: each row's rank in the full order when the rows are a filtered part of it
    // (empty: the row's position). perMillionOf > 0 adds the per-million column, as a
    // share of that many words.
    // figures, when given, adds the Range and DP columns (they must outlive the model or
    // be replaced by the next SetResults).
    void SetResults(const WordStore* store, std::vector<std::int32_t> rows, bool lowerCase,
                    std::vector<std::int32_t> ranks = {}, std::int64_t perMillionOf = 0,
                    const std::vector<DispersionFigures>* figures = nullptr);
    // Record number of a row (0-based), -1 outside.
    std::int32_t RecordAt(int row) const;
    // The text of a cell as the grid shows it.
    QString CellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const WordStore* store_ = nullptr;
    std::vector<std::int32_t> rows_;
    std::vector<std::int32_t> ranks_;
    bool lowerCase_ = false;
    std::int64_t perMillionOf_ = 0;
    const std::vector<DispersionFigures>* figures_ = nullptr;
    enum class Column { Rank, Word, Frequency, PerMillion, Range, DP, None };
    Column ColumnAt(int column) const;
};

}  // namespace vornix
