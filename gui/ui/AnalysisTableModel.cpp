#include "gui/ui/AnalysisTableModel.h"

#include <cmath>

namespace vornix {

void AnalysisTableModel::SetTable(std::shared_ptr<const AnalysisTable> table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

int AnalysisTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : static_cast<int>(table_->Rows());
}

int AnalysisTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : static_cast<int>(table_->Columns().size());
}

QVariant AnalysisTableModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    const TableColumn& c = table_->Columns()[column];
    const bool number = c.kind != ColumnKind::Text;
    switch (role) {
        case Qt::DisplayRole:
            // The window shows what the plain table writes.
            return QString::fromStdString(CellText(*table_, row, column, true));
        case SortRole:
            if (!number) return QString::fromStdString(table_->Text(row, column));
            {
                const double v = table_->Number(row, column);
                return std::isnan(v) ? -HUGE_VAL : v;
            }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
        default:
            return {};
    }
}

QVariant AnalysisTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!table_ || orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(table_->Columns().size()))
        return {};
    const TableColumn& c = table_->Columns()[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromStdString(c.caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | (c.kind == ColumnKind::Text ? Qt::AlignLeft : Qt::AlignRight));
    return {};
}

}  // namespace vornix
