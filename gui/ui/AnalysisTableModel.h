#pragma once
// Any analysis's table in a view: the model holds no cells, it asks the core's
// AnalysisTable for each one when the view draws it. Numbers are right-aligned and
// sort by value (SortRole), text sorts as text.
#include <QAbstractTableModel>
#include <memory>

#include "core/table/AnalysisTable.h"

namespace vornix {

class AnalysisTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;
    // Shows the table (nothing when null); the model keeps it.
    void SetTable(std::shared_ptr<const AnalysisTable> table);
    const AnalysisTable* Table() const { return table_.get(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::shared_ptr<const AnalysisTable> table_;
};

}  // namespace vornix
