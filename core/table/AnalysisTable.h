#pragma once
// The one shape every analysis gives its result in: named columns and rows formed on
// demand. The window shows it through one Qt model, and one writer turns it into the
// plain table, CSV, TSV or JSON, so an analysis never formats its own output and every
// format of every analysis agrees with the others.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/TableFormats.h"

namespace vornix {

enum class ColumnKind { Text, Integer, Real };

struct TableColumn {
    std::string key;      // the CSV/TSV header and the JSON name: "reference_count"
    std::string caption;  // the window's column header: "Ref. count"
    ColumnKind kind = ColumnKind::Text;
    // Real columns: the decimals shown in the window and written in the plain table.
    int decimals = 2;
    // Written in the plain table (the saved-analysis layout), which holds only the
    // columns a reader of that layout expects.
    bool plain = true;
    // Real columns: a value too small to show at those decimals is written as 3.2e-17
    // in the window and the plain table, rather than as a row of zeros.
    bool smallAsExponent = false;
};

class AnalysisTable {
public:
    virtual ~AnalysisTable() = default;
    virtual const std::vector<TableColumn>& Columns() const = 0;
    virtual std::size_t Rows() const = 0;
    // Text columns: the cell as UTF-8.
    virtual std::string Text(std::size_t row, std::size_t column) const;
    // Integer and Real columns: the cell's value.
    virtual double Number(std::size_t row, std::size_t column) const;
};

struct TableLayout {
    // CSV, TSV and JSON rows start with their rank (1 for the first row).
    bool rank = true;
    // The plain table: cells separated by this, lines ended by CR LF as Save analysis
    // writes them (or LF).
    char separator = '\t';
    bool crlf = true;
    // The plain table begins with a line of captions.
    bool plainHeader = false;
};

// Receives the output in pieces; false stops the writing (a failed write).
using TableSink = std::function<bool(std::string_view)>;

// Writes the table in pieces of about a megabyte, so a long table never sits in memory
// whole; false when the sink refused a piece. `rows` picks and orders the rows written
// (all of them in order when empty).
bool WriteTable(const AnalysisTable& table, TableFormat format, const TableLayout& layout, const TableSink& sink,
                const std::vector<std::size_t>& rows = {});
std::string FormatTable(const AnalysisTable& table, TableFormat format, const TableLayout& layout = {},
                        const std::vector<std::size_t>& rows = {});

// A cell as the writer gives it: Real columns in CSV, TSV and JSON as the shortest text
// that reads back as the same double (at least 6 significant digits where the value
// needs them); "nan" and infinities as empty cells (null in JSON).
std::string CellText(const AnalysisTable& table, std::size_t row, std::size_t column, bool plain);

}  // namespace vornix
