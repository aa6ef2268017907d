#pragma once
// The Collocates window: the analysis window with the span on either side of the node.
#include "gui/ui/AnalysisWindow.h"

class QSpinBox;

namespace vornix {

class CollocatesWindow : public AnalysisWindow {
    Q_OBJECT
public:
    CollocatesWindow(UiServices& ui, QWidget* parent);

    QSpinBox* LeftBox;   // words before the node, 0 to 10
    QSpinBox* RightBox;  // words after it
};

}  // namespace vornix
