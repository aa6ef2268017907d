#pragma once
// vornix-count --plot: the Charts window's pictures drawn without a window. The drawing
// needs Qt, whose libraries take longer to load than a small count takes to run, so it
// is done by a program of its own, vornix-count-plot, which only a --plot run starts.
#include <string>
#include <vector>

#include "cli/CountOptions.h"
#include "core/context/WordContext.h"
#include "core/display/ResultFilter.h"
#include "core/engine/ResultOrders.h"
#include "core/engine/WordStore.h"

namespace vornix {

// The size of the written image; the rank points are thinned to its width, as the
// window thins them to its own.
constexpr int kPlotWidth = 800;
constexpr int kPlotHeight = 600;

// The drawing program: beside this one (a build folder), else in ../libexec/vornix
// (an installed program). Empty when it is in neither place.
std::string FindPlotProgram();

// Works out the chart of kind over the words display shows, and has program draw it and
// write it to path as --output writes the table: replaced atomically, nothing left when
// it fails. Returns whether the image was written; the drawing program tells why not
// on standard error ("cannot write PATH: reason"), or this function does when that
// program could not run. Throws FileError when the record file turns out broken.
bool WriteCountPlot(const std::string& program, PlotKind kind, WordStore& store, const ResultOrders& orders,
                    const DisplayOptions& display, const std::string& path);

// The dispersion plot of the stored word's occurrences found (any order), drawn the
// same way.
bool WriteDispersionPlot(const std::string& program, const AnalysisRun& run, const std::string& word,
                         const std::vector<Occurrence>& found, const std::string& path);

// Hands a plot's text (ChartText, DispersionPlotText) to the drawing program.
bool DrawPlot(const std::string& program, const std::string& text, const std::string& path);

}  // namespace vornix
