#include "gui/display/ResultModel.h"

#include "core/dispersion/Dispersion.h"
#include "core/display/ResultFilter.h"
#include "core/engine/VocabularyStats.h"
#include "core/engine/WordStore.h"

namespace vornix {

void ResultModel::SetResults(const WordStore* store, std::vector<std::int32_t> rows, bool lowerCase,
                             std::vector<std::int32_t> ranks, std::int64_t perMillionOf,
                             const std::vector<DispersionFigures>* figures) {
    beginResetModel();
    perMillionOf_ = perMillionOf;
    figures_ = figures;
    store_ = store;
    rows_ = std::move(rows);
    ranks_ = std::move(ranks);
    lowerCase_ = lowerCase;
    endResetModel();
}

std::int32_t ResultModel::RecordAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return -1;
    return rows_[static_cast<std::size_t>(row)];
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3 + (perMillionOf_ > 0 ? 1 : 0) + (figures_ ? 2 : 0);
}

ResultModel::Column ResultModel::ColumnAt(int column) const {
    if (column >= 0 && column < 3) return static_cast<Column>(column);
    if (perMillionOf_ > 0 && column == 3) return Column::PerMillion;
    const int first = perMillionOf_ > 0 ? 4 : 3;
    if (figures_ && column == first) return Column::Range;
    if (figures_ && column == first + 1) return Column::DP;
    return Column::None;
}

QString ResultModel::CellText(int row, int column) const {
    const std::int32_t rec = RecordAt(row);
    if (rec < 0 || !store_) return {};
    const DispersionFigures none;
    const auto r = static_cast<std::size_t>(rec);
    const DispersionFigures& figures = figures_ && r < figures_->size() ? (*figures_)[r] : none;
    switch (ColumnAt(column)) {
        case Column::Rank:
            return QString::fromLatin1(NumberCell(ranks_.empty() ? row + 1 : ranks_[static_cast<std::size_t>(row)]));
        case Column::Word: {
            // Words are 8-bit text in the Windows set; Latin-1 shows all but a few of its
            // letters as written.
            const std::string word = DisplayWord(store_->WordRecord(rec), lowerCase_);
            return QStringLiteral("  ") + QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
        }
        case Column::Frequency:
            return QString::fromLatin1(NumberCell(store_->Count(rec)));
        case Column::PerMillion:
            // Laid out as the count column is, so that both read alike ("1000000.0" at most).
            return QString::fromLatin1(NumberCell(PerMillionText(store_->Count(rec), perMillionOf_), 9));
        case Column::Range:
            return QString::fromLatin1(NumberCell(static_cast<std::int64_t>(figures.range)));
        case Column::DP:
            return QString::fromLatin1(NumberCell(MeasureText(figures.dp), 6));
        case Column::None:
            break;
    }
    return {};
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role != Qt::DisplayRole) return {};
    return CellText(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (ColumnAt(section)) {
        case Column::Rank:
            return QStringLiteral("  Ranking");
        case Column::Word:
            return QStringLiteral("  Word");
        case Column::Frequency:
            return QStringLiteral("  Frequency");
        case Column::PerMillion:
            return QStringLiteral("  Per million");
        case Column::Range:
            return QStringLiteral("  Range");
        case Column::DP:
            return QStringLiteral("  DP");
        case Column::None:
            break;
    }
    return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace vornix
