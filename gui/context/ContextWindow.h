#pragma once
// "Word in context": one line per occurrence of a table word, beside the main window,
// and below them the word's dispersion plot (a strip per document).
// It shows what its controller gives it; the controller runs the search.
#include <QWidget>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTableView;

namespace vornix {

class ContextModel;
class DispersionPlotView;
struct ContextSort;

class ContextWindow : public QWidget {
    Q_OBJECT
public:
    ContextWindow(ContextModel* model, QWidget* parent);

    // "THE — 12 occurrences in 2 files"
    void SetTitle(const QString& word, std::size_t occurrences, int files);
    void SetProblems(const QStringList& problems);
    // The progress line; empty hides it and the Break button.
    void SetProgress(const QString& text);
    // The sort choice shown (the controller sorts).
    void ShowSort(const ContextSort& sort);
    // The selected lines, tab-separated, one per line, in the table's order.
    QString SelectedText() const;

    QTableView* Table;
    QSpinBox* Width;
    QComboBox* SortBox;
    QLabel* Problems;
    QLabel* Progress;
    QPushButton* BreakButton;
    QPushButton* SaveButton;
    QPushButton* SaveImageButton;
    DispersionPlotView* Plot;  // below the lines, in PlotArea
    QScrollArea* PlotArea;     // as high as the plot, up to a few strips
    QAction* CopyItem;

signals:
    void sortChosen(const QString& code);  // "text", "1L", "2R"
    void widthChosen(int width);
    void stopRequested();
    void saveRequested();
    void saveImageRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void HeaderClicked(int section);
    ContextModel* model_;
};

}  // namespace vornix
