#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/table/AnalysisTable.h"

namespace vornix {
namespace {

// Two rows that need every kind of care: a comma and a quote in a word, a value with
// many digits, a value that is not a number.
class SmallTable : public AnalysisTable {
public:
    const std::vector<TableColumn>& Columns() const override { return columns_; }
    std::size_t Rows() const override { return 2; }
    std::string Text(std::size_t row, std::size_t) const override { return row == 0 ? "a,\"b\"" : "caf\xC3\xA9"; }
    double Number(std::size_t row, std::size_t column) const override {
        if (column == 1) return row == 0 ? 12 : 3;
        return row == 0 ? 69.34657 : std::numeric_limits<double>::quiet_NaN();
    }

private:
    std::vector<TableColumn> columns_{{"word", "Word", ColumnKind::Text},
                                      {"count", "Count", ColumnKind::Integer},
                                      {"log_likelihood", "G\xC2\xB2", ColumnKind::Real, 2},
                                      {"hidden", "Hidden", ColumnKind::Real, 3, false}};
};

TEST(AnalysisTable, EveryFormatOfTheOneWriter) {
    SmallTable t;
    struct Case {
        TableFormat format;
        TableLayout layout;
        std::string expected;
    } cases[] = {
        {TableFormat::Table, {}, "a,\"b\"\t12\t69.35\r\ncaf\xC3\xA9\t3\t\r\n"},
        {TableFormat::Table,
         {.rank = true, .separator = ' ', .crlf = false, .plainHeader = true},
         "Word Count G\xC2\xB2\na,\"b\" 12 69.35\ncaf\xC3\xA9 3 \n"},
        {TableFormat::Csv,
         {},
         "rank,word,count,log_likelihood,hidden\n1,\"a,\"\"b\"\"\",12,69.34657,69.34657\n2,caf\xC3\xA9,3,,\n"},
        {TableFormat::Tsv,
         {.rank = false},
         "word\tcount\tlog_likelihood\thidden\na,\"b\"\t12\t69.34657\t69.34657\ncaf\xC3\xA9\t3\t\t\n"},
        {TableFormat::Json,
         {},
         "[\n{\"rank\":1,\"word\":\"a,\\\"b\\\"\",\"count\":12,\"log_likelihood\":69.34657,\"hidden\":69.34657},\n"
         "{\"rank\":2,\"word\":\"caf\xC3\xA9\",\"count\":3,\"log_likelihood\":null,\"hidden\":null}\n]\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatTable(t, c.format, c.layout), c.expected);
    // A chosen order of rows, and an empty JSON array.
    EXPECT_EQ(FormatTable(t, TableFormat::Csv, {}, {1}), "rank,word,count,log_likelihood,hidden\n1,caf\xC3\xA9,3,,\n");
}

TEST(AnalysisTable, RealsReadBackExactlyAndAFailedWriteStops) {
    class Many : public AnalysisTable {
    public:
        const std::vector<TableColumn>& Columns() const override { return columns_; }
        std::size_t Rows() const override { return 200000; }
        double Number(std::size_t row, std::size_t) const override { return 1.0 / (row + 3); }
        std::vector<TableColumn> columns_{{"v", "V", ColumnKind::Real, 4}};
    } many;
    const std::string csv = FormatTable(many, TableFormat::Csv, {.rank = false});
    std::size_t at = csv.find('\n') + 1, row = 0;
    while (at < csv.size()) {
        const std::size_t end = csv.find('\n', at);
        ASSERT_EQ(std::stod(csv.substr(at, end - at)), 1.0 / (row + 3)) << row;
        at = end + 1;
        ++row;
    }
    EXPECT_EQ(row, 200000u);
    int pieces = 0;
    EXPECT_FALSE(WriteTable(many, TableFormat::Csv, {}, [&](std::string_view) { return ++pieces < 2; }));
    EXPECT_EQ(pieces, 2);  // nothing more is offered after the refusal
    // The plain table's fixed decimals are printf's, halves and values far from 1
    // included.
    const double values[] = {0.5,          0.125, 2.675,   0.00005, 0.00015, -0.00004, 1.0 / 3, 2.0 / 3,
                             123456.78901, 1e15,  9.99995, 0.0,     -0.0,    1e-300,   0.7643,  4e40};
    for (const int decimals : {0, 1, 2, 4}) {
        const TableColumn column{"v", "V", ColumnKind::Real, decimals};
        class One : public AnalysisTable {
        public:
            One(TableColumn c, double v) : columns_{std::move(c)}, v_(v) {}
            const std::vector<TableColumn>& Columns() const override { return columns_; }
            std::size_t Rows() const override { return 1; }
            double Number(std::size_t, std::size_t) const override { return v_; }
            std::vector<TableColumn> columns_;
            double v_;
        };
        for (const double v : values) {
            char expected[128];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, v);
            EXPECT_EQ(CellText(One(column, v), 0, 0, true), expected) << v << " " << decimals;
        }
    }
}

}  // namespace
}  // namespace vornix
