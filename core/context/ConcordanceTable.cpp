#include "core/context/ConcordanceTable.h"

namespace vornix {

namespace {

enum Column { FileColumn, LineColumn, LeftColumn, WordColumn, RightColumn };

const std::vector<TableColumn> kColumns{{"file", "File", ColumnKind::Text},
                                        {"line", "Line", ColumnKind::Integer},
                                        {"left", "Left", ColumnKind::Text},
                                        {"word", "Word", ColumnKind::Text},
                                        {"right", "Right", ColumnKind::Text}};

}  // namespace

ConcordanceTable::ConcordanceTable(const AnalysisRun& run, std::vector<Occurrence> found, int width)
    : found_(std::move(found)), width_(width), reader_(std::make_unique<ContextReader>(run)) {}

ConcordanceTable::~ConcordanceTable() = default;

const std::vector<TableColumn>& ConcordanceTable::Columns() const {
    return kColumns;
}

const ContextReader::Line& ConcordanceTable::LineAt(std::size_t row) const {
    if (row != cachedRow_) {
        cached_ = reader_->Format(found_[row], width_);
        cachedRow_ = row;
    }
    return cached_;
}

std::string ConcordanceTable::Text(std::size_t row, std::size_t column) const {
    const ContextReader::Line& line = LineAt(row);
    switch (column) {
        case FileColumn:
            return line.name;
        case LeftColumn:
            return line.left;
        case WordColumn:
            return line.hit;
        default:
            return line.right;
    }
}

double ConcordanceTable::Number(std::size_t row, std::size_t) const {
    return static_cast<double>(LineAt(row).line);
}

}  // namespace vornix
