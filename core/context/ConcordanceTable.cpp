#include "core/context/ConcordanceTable.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "core/engine/ParallelScan.h"

namespace vornix {

namespace {

enum Column { FileColumn, LineColumn, LeftColumn, WordColumn, RightColumn };

const std::vector<TableColumn> kColumns{{"file", "File", ColumnKind::Text},
                                        {"line", "Line", ColumnKind::Integer},
                                        {"left", "Left", ColumnKind::Text},
                                        {"word", "Word", ColumnKind::Text},
                                        {"right", "Right", ColumnKind::Text}};

}  // namespace

ConcordanceTable::ConcordanceTable(const AnalysisRun& run, std::vector<Occurrence> found, int width, unsigned threads)
    : found_(std::move(found)), width_(width) {
    // A thread's block of rows is worth its start only when there are many rows.
    const unsigned wanted = found_.size() < 4096 ? 1 : std::clamp(threads == 0 ? DefaultThreads() : threads, 1u, 8u);
    for (unsigned k = 0; k < wanted; ++k) readers_.push_back(std::make_unique<ContextReader>(run));
}

ConcordanceTable::~ConcordanceTable() = default;

const std::vector<TableColumn>& ConcordanceTable::Columns() const {
    return kColumns;
}

void ConcordanceTable::FormBlock(std::size_t row) const {
    const std::size_t readers = readers_.size();
    const std::size_t n = std::min<std::size_t>(found_.size() - row, readers == 1 ? 1 : 2048 * readers);
    blockFrom_ = row;
    block_.resize(n);
    // Each reader forms one stretch of the block, so its line numbers count on forward.
    auto form = [&](std::size_t k) {
        for (std::size_t i = n * k / readers; i < n * (k + 1) / readers; ++i)
            block_[i] = readers_[k]->Format(found_[row + i], width_);
    };
    std::vector<std::thread> helpers;
    std::size_t k = 1;
    for (; k < readers; ++k) {
        try {
            helpers.emplace_back(form, k);
        } catch (const std::system_error&) {
            break;  // no thread to be had: the rest are formed here
        }
    }
    form(0);
    for (; k < readers; ++k) form(k);
    for (std::thread& t : helpers) t.join();
}

const ContextReader::Line& ConcordanceTable::LineAt(std::size_t row) const {
    if (row < blockFrom_ || row >= blockFrom_ + block_.size()) FormBlock(row);
    return block_[row - blockFrom_];
}

const std::vector<std::string>& ConcordanceTable::CheckInputs() const {
    problems_.clear();
    for (const auto& reader : readers_) {
        reader->CheckInputs();
        for (const std::string& problem : reader->Problems())
            if (std::find(problems_.begin(), problems_.end(), problem) == problems_.end()) problems_.push_back(problem);
    }
    return problems_;
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
