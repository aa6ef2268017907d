#pragma once
// The run's statistics as vornix-count prints them: the plain text the window's
// Statistics window shows (caption, tab, value; "Files read" with every file on its
// line), or, for the table formats, a table of statistic and value with one "Files
// read" row per file.
#include <memory>
#include <string>

#include "core/engine/AnalysisRun.h"
#include "core/table/AnalysisTable.h"

namespace vornix {

// fromTables: the run summed tables (TableMerge) rather than reading documents, so the
// figures that need the documents (the file count and names, the letters of other
// scripts) are left empty; the standardised type/token ratio is empty by itself.
std::string StatsText(AnalysisRun& run, bool lowerCase, bool fromTables = false);
std::unique_ptr<AnalysisTable> MakeStatsTable(AnalysisRun& run, bool lowerCase, bool fromTables = false);

}  // namespace vornix
