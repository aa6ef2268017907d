#pragma once
// The Keywords window: the analysis window with the reference and the choices of the
// keyword list above the table.
#include "gui/ui/AnalysisWindow.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace vornix {

class KeywordsWindow : public AnalysisWindow {
    Q_OBJECT
public:
    KeywordsWindow(UiServices& ui, QWidget* parent);

    QLabel* ReferenceLabel;  // what the reference is made of; the paths in its tooltip
    QPushButton* DocumentsButton;
    QPushButton* TablesButton;
    QPushButton* ClearButton;
    QComboBox* CutoffBox;  // data: the p cut-off (1: none)
    QCheckBox* NegativeBox;
    QComboBox* SortBox;            // data: the KeywordSort
    QDoubleSpinBox* SmoothingBox;  // Simple Maths' N
};

}  // namespace vornix
