#pragma once
// The lines of one word's occurrences as a table (file, line, left, word, right), for
// vornix-count's --context in every format. Its plain layout (tab-separated, LF) is
// ConcordanceLine's. A row's text is formed from the inputs when it is asked for.
#include <memory>
#include <vector>

#include "core/context/WordContext.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

class ConcordanceTable : public AnalysisTable {
public:
    // found: in the order to be written; the run must stay unchanged while the table lives.
    // threads: more than one forms the rows in blocks on that many threads (each with a
    // reader of its own), for a writer that asks for them in order; 0 is one per processor.
    ConcordanceTable(const AnalysisRun& run, std::vector<Occurrence> found, int width, unsigned threads = 1);
    ~ConcordanceTable() override;

    const std::vector<TableColumn>& Columns() const override;
    std::size_t Rows() const override { return found_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override;
    double Number(std::size_t row, std::size_t column) const override;
    // The inputs found changed as the rows were formed (ContextReader::Problems), after
    // a last look at them all.
    const std::vector<std::string>& CheckInputs() const;
    // The layout in which the plain table is ConcordanceLine's.
    static TableLayout PlainLayout() { return {.rank = false, .separator = '\t', .crlf = false}; }

private:
    const ContextReader::Line& LineAt(std::size_t row) const;

    void FormBlock(std::size_t row) const;

    std::vector<Occurrence> found_;
    int width_;
    std::vector<std::unique_ptr<ContextReader>> readers_;  // one per thread
    // A row's cells are asked for one by one: the rows are formed once, a block at a time.
    mutable std::size_t blockFrom_ = 0;
    mutable std::vector<ContextReader::Line> block_;
    mutable std::vector<std::string> problems_;
};

}  // namespace vornix
