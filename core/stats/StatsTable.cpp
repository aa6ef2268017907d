#include "core/stats/StatsTable.h"

#include <utility>
#include <vector>

#include "core/engine/Utf8.h"
#include "core/engine/VocabularyStats.h"
#include "core/output/TableFormats.h"

namespace vornix {

namespace {

using StatRows = std::vector<std::pair<std::string, std::string>>;

// Every row in the order the plain text gives them; files one row each.
StatRows StatsRows(AnalysisRun& run, bool lowerCase, bool fromTables) {
    const RunStats s = run.Stats();
    StatRows rows;
    for (const StatsRow& row : kStatsRows)
        rows.emplace_back(row.caption, fromTables && row.value == &RunStats::FileCount ? std::string()
                                                                                       : std::to_string(s.*row.value));
    for (const std::string& name : run.FileList()) rows.emplace_back(kFilesReadCaption, name);
    rows.emplace_back(kOtherScriptsCaption, fromTables ? std::string() : std::to_string(s.OtherScriptLetters));
    for (auto& row : VocabularyRows(run.Store(), run.Vocabulary(), lowerCase)) rows.push_back(std::move(row));
    return rows;
}

class StatsTable : public AnalysisTable {
public:
    explicit StatsTable(StatRows rows) : rows_(std::move(rows)) {}
    const std::vector<TableColumn>& Columns() const override { return columns_; }
    std::size_t Rows() const override { return rows_.size(); }
    std::string Text(std::size_t row, std::size_t column) const override {
        const std::string& text = column == 0 ? rows_[row].first : rows_[row].second;
        // The table formats are UTF-8; the longest word is in the table's 8-bit set
        // (file names are the file system's bytes, UTF-8 as a rule).
        return IsUtf8(text) ? text : Utf8FromWindows1252(text);
    }

private:
    StatRows rows_;
    std::vector<TableColumn> columns_{{"statistic", "Statistic", ColumnKind::Text},
                                      {"value", "Value", ColumnKind::Text}};
};

}  // namespace

std::string StatsText(AnalysisRun& run, bool lowerCase, bool fromTables) {
    std::string out;
    bool filesDone = false;
    for (const auto& [caption, value] : StatsRows(run, lowerCase, fromTables)) {
        if (caption == kFilesReadCaption) {
            if (filesDone) continue;
            filesDone = true;
            out += caption;
            for (const std::string& name : run.FileList()) out += '\t' + name;
            out += '\n';
            continue;
        }
        if (caption == kOtherScriptsCaption && !filesDone) {
            out += std::string(kFilesReadCaption) + '\n';  // no files: the caption alone
            filesDone = true;
        }
        out += caption + '\t' + value + '\n';
    }
    return out;
}

std::unique_ptr<AnalysisTable> MakeStatsTable(AnalysisRun& run, bool lowerCase, bool fromTables) {
    return std::make_unique<StatsTable>(StatsRows(run, lowerCase, fromTables));
}

}  // namespace vornix
