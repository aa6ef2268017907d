#include "gui/context/ContextModel.h"

#include <QFont>
#include <algorithm>

#include "gui/ui/UiServices.h"

namespace vornix {

ContextModel::~ContextModel() = default;

void ContextModel::Reset(const AnalysisRun* run, bool phrase) {
    beginResetModel();
    run_ = run;
    phrase_ = phrase;
    reader_ = run ? std::make_unique<ContextReader>(*run) : nullptr;
    records_.clear();
    records_.shrink_to_fit();
    sort_ = ContextSort{};
    files_ = 0;
    cachedRow_ = -1;
    endResetModel();
}

void ContextModel::Append(const std::vector<Occurrence>& found) {
    if (found.size() <= records_.size()) return;
    const int first = static_cast<int>(records_.size());
    beginInsertRows({}, first, static_cast<int>(found.size()) - 1);
    for (std::size_t i = records_.size(); i < found.size(); ++i) {
        if (files_ == 0 || found[i].input != lastInput_) ++files_;
        lastInput_ = found[i].input;
        records_.push_back(found[i]);
    }
    endInsertRows();
}

void ContextModel::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    cachedRow_ = -1;
    if (!records_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int ContextModel::RowOf(const Occurrence& o) const {
    for (std::size_t row = 0; row < records_.size(); ++row)
        if (records_[row].input == o.input && records_[row].offset == o.offset) return static_cast<int>(row);
    return -1;
}

void ContextModel::Sort(ContextSort sort) {
    if (!reader_) return;
    emit layoutAboutToBeChanged();
    // Every order starts from text order, which is also the ties' order.
    std::sort(records_.begin(), records_.end(), [](const Occurrence& a, const Occurrence& b) {
        return a.input != b.input ? a.input < b.input : a.offset < b.offset;
    });
    if (sort.side != ContextSort::Text) SortOccurrences(records_, sort, *reader_);
    sort_ = sort;
    cachedRow_ = -1;
    // No persistent indexes are kept by the window's view beyond the current one,
    // which may point at another line afterwards: the order changed under it.
    const QModelIndexList before = persistentIndexList();
    changePersistentIndexList(before, QModelIndexList(before.size()));
    emit layoutChanged();
}

const ContextReader::Line& ContextModel::LineAt(int row) const {
    if (row != cachedRow_) {
        cached_ = reader_->Format(records_[static_cast<std::size_t>(row)], width_);
        cachedRow_ = row;
    }
    return cached_;
}

std::string ContextModel::LineText(int row) const {
    return ConcordanceLine(LineAt(row));
}

int ContextModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int ContextModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ContextModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const ContextReader::Line& line = LineAt(index.row());
            switch (index.column()) {
                case LeftColumn:
                    return QString::fromStdString(line.left);
                case WordColumn:
                    return QString::fromStdString(line.hit);
                case RightColumn:
                    return QString::fromStdString(line.right);
                case FileColumn:
                    return UiText(line.name);
                case LineColumn:
                    return QString::number(line.line);
                default:
                    return {};
            }
        }
        case Qt::TextAlignmentRole:
            if (index.column() == LeftColumn || index.column() == LineColumn)
                return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        case Qt::FontRole:
            if (index.column() == WordColumn) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        default:
            return {};
    }
}

QVariant ContextModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    auto named = [this](ContextSort::Side side, const char* plain, const char* letter) {
        if (sort_.side != side) return QString::fromLatin1(plain);
        return QStringLiteral("%1 (by %2%3)").arg(QLatin1String(plain)).arg(sort_.n).arg(QLatin1String(letter));
    };
    switch (section) {
        case LeftColumn:
            return named(ContextSort::Left, "Left context", "L");
        case WordColumn:
            return phrase_ ? QStringLiteral("Phrase") : QStringLiteral("Word");
        case RightColumn:
            return named(ContextSort::Right, "Right context", "R");
        case FileColumn:
            return QStringLiteral("File");
        case LineColumn:
            return QStringLiteral("Line");
        default:
            return {};
    }
}

}  // namespace vornix
