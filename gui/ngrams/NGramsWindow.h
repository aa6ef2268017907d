#pragma once
// The N-grams window: the analysis window with N and the threshold above the table.
#include "gui/ui/AnalysisWindow.h"

class QSpinBox;

namespace vornix {

class NGramsWindow : public AnalysisWindow {
    Q_OBJECT
public:
    NGramsWindow(UiServices& ui, QWidget* parent);

    QSpinBox* OrderBox;      // N, 2 to 8
    QSpinBox* ThresholdBox;  // the least count shown
};

}  // namespace vornix
