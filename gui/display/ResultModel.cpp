#include "gui/display/ResultModel.h"

#include "core/display/ResultFilter.h"
#include "core/engine/VocabularyStats.h"
#include "core/engine/WordStore.h"

namespace vornix {

void ResultModel::SetResults(const WordStore* store, std::vector<std::int32_t> rows, bool lowerCase,
                             std::vector<std::int32_t> ranks, std::int64_t perMillionOf) {
    beginResetModel();
    perMillionOf_ = perMillionOf;
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
    return parent.isValid() ? 0 : (perMillionOf_ > 0 ? 4 : 3);
}

QString ResultModel::CellText(int row, int column) const {
    const std::int32_t rec = RecordAt(row);
    if (rec < 0 || !store_) return {};
    switch (column) {
        case 0:
            return QString::fromLatin1(NumberCell(ranks_.empty() ? row + 1 : ranks_[static_cast<std::size_t>(row)]));
        case 1: {
            // Words are 8-bit text in the Windows set; Latin-1 shows all but a few of its
            // letters as written.
            const std::string word = DisplayWord(store_->WordRecord(rec), lowerCase_);
            return QStringLiteral("  ") + QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size()));
        }
        case 2:
            return QString::fromLatin1(NumberCell(store_->Count(rec)));
        case 3:
            if (perMillionOf_ <= 0) return {};
            // Laid out as the count column is, so that both read alike ("1000000.0" at most).
            return QString::fromLatin1(NumberCell(PerMillionText(store_->Count(rec), perMillionOf_), 9));
        default:
            return {};
    }
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role != Qt::DisplayRole) return {};
    return CellText(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case 0:
            return QStringLiteral("  Ranking");
        case 1:
            return QStringLiteral("  Word");
        case 2:
            return QStringLiteral("  Frequency");
        case 3:
            if (perMillionOf_ <= 0) return {};
            return QStringLiteral("  Per million");
        default:
            return {};
    }
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace vornix
