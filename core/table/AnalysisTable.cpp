#include "core/table/AnalysisTable.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vornix {

std::string AnalysisTable::Text(std::size_t, std::size_t) const {
    return {};
}
double AnalysisTable::Number(std::size_t, std::size_t) const {
    return 0;
}

namespace {

std::string NumberText(double v, const TableColumn& column, bool plain) {
    if (!std::isfinite(v)) return {};
    if (column.kind == ColumnKind::Integer) return std::to_string(static_cast<long long>(v));
    if (plain) {
        char buf[64];
        if (column.smallAsExponent && v != 0 && std::fabs(v) < 0.5 * std::pow(10.0, -column.decimals)) {
            std::snprintf(buf, sizeof buf, "%.1e", v);
            return buf;
        }
        // What "%.*f" gives, the value rounded exactly, without printf's cost on tables
        // of a few hundred thousand rows.
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, column.decimals);
        if (r.ec == std::errc()) return std::string(buf, r.ptr);
        std::snprintf(buf, sizeof buf, "%.*f", column.decimals, v);
        return buf;
    }
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string TsvField(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

class Writer {
public:
    Writer(const TableSink& sink) : sink_(sink) {}
    std::string out;
    bool Flush(bool force) {
        if (!ok_ || (!force && out.size() < (1 << 20))) return ok_;
        if (!out.empty()) ok_ = sink_(out);
        out.clear();
        return ok_;
    }

private:
    const TableSink& sink_;
    bool ok_ = true;
};

void AppendRow(std::string& out, const AnalysisTable& table, std::size_t row, std::size_t rank, TableFormat format,
               const TableLayout& layout) {
    const auto& columns = table.Columns();
    const char sep = format == TableFormat::Csv ? ',' : format == TableFormat::Tsv ? '\t' : layout.separator;
    bool first = true;
    if (format == TableFormat::Json) out += rank == 1 ? "\n{" : ",\n{";
    if (layout.rank && format != TableFormat::Table) {
        out += format == TableFormat::Json ? "\"rank\":" + std::to_string(rank) : std::to_string(rank);
        first = false;
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const TableColumn& column = columns[c];
        if (format == TableFormat::Table && !column.plain) continue;
        if (!first) out += format == TableFormat::Json ? ',' : sep;
        first = false;
        const std::string cell = CellText(table, row, c, format == TableFormat::Table);
        if (format == TableFormat::Json) {
            out += JsonString(column.key) + ':';
            if (column.kind == ColumnKind::Text)
                out += JsonString(cell);
            else
                out += cell.empty() ? "null" : cell;
        } else if (format == TableFormat::Csv) {
            out += CsvField(cell);
        } else if (format == TableFormat::Tsv) {
            out += TsvField(cell);
        } else {
            out += cell;
        }
    }
    if (format == TableFormat::Json)
        out += '}';
    else
        out += format == TableFormat::Table && layout.crlf ? "\r\n" : "\n";
}

void AppendHeader(std::string& out, const AnalysisTable& table, TableFormat format, const TableLayout& layout) {
    const char sep = format == TableFormat::Csv ? ',' : format == TableFormat::Tsv ? '\t' : layout.separator;
    bool first = true;
    if (layout.rank && format != TableFormat::Table) {
        out += "rank";
        first = false;
    }
    for (const TableColumn& column : table.Columns()) {
        if (format == TableFormat::Table && !column.plain) continue;
        if (!first) out += sep;
        first = false;
        out += format == TableFormat::Table ? column.caption : column.key;
    }
    out += format == TableFormat::Table && layout.crlf ? "\r\n" : "\n";
}

}  // namespace

std::string CellText(const AnalysisTable& table, std::size_t row, std::size_t column, bool plain) {
    const TableColumn& c = table.Columns()[column];
    if (c.kind == ColumnKind::Text) return table.Text(row, column);
    return NumberText(table.Number(row, column), c, plain);
}

bool WriteTable(const AnalysisTable& table, TableFormat format, const TableLayout& layout, const TableSink& sink,
                const std::vector<std::size_t>& rows) {
    Writer w(sink);
    if (format == TableFormat::Json)
        w.out = "[";
    else if (format != TableFormat::Table || layout.plainHeader)
        AppendHeader(w.out, table, format, layout);
    const std::size_t n = rows.empty() ? table.Rows() : rows.size();
    for (std::size_t i = 0; i < n; ++i) {
        AppendRow(w.out, table, rows.empty() ? i : rows[i], i + 1, format, layout);
        if (!w.Flush(false)) return false;
    }
    if (format == TableFormat::Json) w.out += n == 0 ? "]\n" : "\n]\n";
    return w.Flush(true);
}

std::string FormatTable(const AnalysisTable& table, TableFormat format, const TableLayout& layout,
                        const std::vector<std::size_t>& rows) {
    std::string all;
    WriteTable(
        table, format, layout,
        [&](std::string_view piece) {
            all += piece;
            return true;
        },
        rows);
    return all;
}

}  // namespace vornix
