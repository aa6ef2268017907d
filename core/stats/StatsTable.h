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

std::string StatsText(AnalysisRun& run, bool lowerCase);
std::unique_ptr<AnalysisTable> MakeStatsTable(AnalysisRun& run, bool lowerCase);

}  // namespace vornix
