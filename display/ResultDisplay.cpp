// The results view of the main window: refilling the table, the Display menu, the
// tabs, the threshold items of the grid's pop-up menu, keys and layout.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>

#include "display/ResultModel.h"
#include "display/StatsWindow.h"
#include "output/OutputWalk.h"
#include "shell/AddDlg.h"
#include "shell/Settings.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"

namespace vornix {

DisplayOptions TVornixMain::CurrentDisplayOptions() const {
    DisplayOptions o;
    o.ShowCommonWords = ShowCommonWords1->isChecked();
    o.ShowNumbers = ShowNumbers1->isChecked();
    o.LowerCase = LowerCase1->isChecked();
    o.Order =
        OrderFromChecks(FrequencyList1->isChecked(), AlphabeticalList1->isChecked(), WordLengthList1->isChecked());
    o.ActiveThreshold = activeThreshold_;
    return o;
}

void TVornixMain::DisplayResults() {
    if (run_->Store().WordCount() == 0) return;
    // The table takes the place of the list editor only when the editor may go: a
    // changed text is abandoned only after the user agreed, as on Cancel.
    if (EditorOpen()) {
        CancelButClick();
        if (EditorOpen()) return;
    }
    SetResultsView(true);
    FormResize();
    activeThreshold_ = addDlg_ ? addDlg_->ThresholdValue() : 1;
    FillResultGrid();
    Grid->setFocus();
}

void TVornixMain::FillResultGrid() {
    const DisplayOptions o = CurrentDisplayOptions();
    const int column = Grid->currentIndex().isValid() ? Grid->currentIndex().column() : 0;
    model_->SetResults(&run_->Store(), ShownWords(run_->Store(), run_->Orders(), o), o.LowerCase);
    if (model_->rowCount() > 0) Grid->setCurrentIndex(model_->index(0, column));
    Grid->scrollToTop();

    // From the run's figures, which the statistics window shows too.
    const RunStats stats = run_->Stats();
    ShowStatus(
        UiText(SummaryText(o.Order, std::to_string(stats.UniqueWords), std::to_string(stats.CommonFound),
                           std::to_string(stats.UniqueNumbers), o.ShowCommonWords, o.ShowNumbers, model_->rowCount())));
    FormResize();
}

void TVornixMain::FormResize() {
    if (!central_) return;
    const int cw = central_->width();
    const int ch = central_->height();
    const int s = Grid->verticalScrollBar()->isVisible() ? 18 : 0;
    const int w = (cw - s) / 4 - 2;
    Grid->setColumnWidth(0, w);
    Grid->setColumnWidth(1, 2 * w);
    Grid->setColumnWidth(2, w);
    // A new style sheet re-styles the tab bar: set it only when the width changes.
    const QString tabStyle = QStringLiteral("QTabBar::tab { width: %1px; }").arg((cw - 3) / 3);
    if (TabControl1->styleSheet() != tabStyle) TabControl1->setStyleSheet(tabStyle);
    OpenBut->move((cw - OpenBut->width()) / 2, (ch - OpenBut->height() - StatusPanel->height()) / 2);
    OpenBut->raise();
    const int width = SaveBut->width();
    const int half = cw / 2;
    const int top = (StatusPanel->height() - SaveBut->height()) / 2;
    SaveBut->move(half - 2 * width, top);
    SortBut->move(half - width, top);
    CancelBut->move(SortBut->x() + width, top);
    HelpBut->move(CancelBut->x() + width, top);
}

void TVornixMain::Display1Click() {
    Statistics1->setEnabled(run_->Store().WordCount() > 0);
}

void TVornixMain::ShowCommonWords1Click() {
    ShowCommonWords1->setChecked(!ShowCommonWords1->isChecked());
    DisplayResults();
}

void TVornixMain::ShowNumbers1Click() {
    ShowNumbers1->setChecked(!ShowNumbers1->isChecked());
    DisplayResults();
}

void TVornixMain::LowerCase1Click() {
    LowerCase1->setChecked(!LowerCase1->isChecked());
    if (Grid->isVisible()) DisplayResults();
}

void TVornixMain::SetOrder(QAction* item, int tab) {
    const bool refill = !(item->isChecked() && Grid->isVisible());
    for (QAction* order : {AlphabeticalList1, FrequencyList1, WordLengthList1}) order->setChecked(order == item);
    TabControl1->setCurrentIndex(tab);
    if (refill) DisplayResults();
}

void TVornixMain::AlphabeticalList1Click() {
    SetOrder(AlphabeticalList1, 0);
}
void TVornixMain::FrequencyList1Click() {
    SetOrder(FrequencyList1, 1);
}
void TVornixMain::WordLengthList1Click() {
    SetOrder(WordLengthList1, 2);
}

void TVornixMain::TabControl1Change(int index) {
    if (busy_) return;
    switch (index) {
        case 0:
            AlphabeticalList1Click();
            break;
        case 1:
            FrequencyList1Click();
            break;
        case 2:
            WordLengthList1Click();
            break;
        default:
            break;
    }
}

void TVornixMain::Statistics1Click() {
    if (stats_) stats_->exec();
}

void TVornixMain::AdditionalSettings1Click() {
    if (!addDlg_) return;
    const int before = addDlg_->ThresholdValue();
    addDlg_->exec();
    if (addDlg_->ThresholdValue() != before) DisplayResults();
}

bool TVornixMain::FormKeyDown(int key) {
    if (Grid->isVisible()) {
        switch (key) {
            case Qt::Key_Escape:
                SetResultsView(false);
                ShowStatus(QString());
                return true;
            case Qt::Key_End:
                if (model_->rowCount() > 0) Grid->setCurrentIndex(model_->index(model_->rowCount() - 1, 0));
                return true;
            case Qt::Key_Home:
                if (model_->rowCount() > 0) Grid->setCurrentIndex(model_->index(0, 0));
                return true;
            default:
                return false;
        }
    }
    if (TopStatus->isVisible() && key == Qt::Key_Escape) {
        run_->State().BreakRequested = true;
        return true;
    }
    return false;
}

void TVornixMain::GridMouseDown(const QPoint& position, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    const QModelIndex at = Grid->indexAt(position);
    if (!at.isValid()) return;
    const QModelIndex current = Grid->currentIndex();
    const int column = at.column() > 0 ? at.column() : (current.isValid() ? current.column() : 0);
    Grid->setCurrentIndex(model_->index(at.row(), column));
}

void TVornixMain::Setfrequencythreshold01Click(QAction* item) {
    const int tag = item->data().toInt();
    if (addDlg_) addDlg_->Threshold->setValue(tag);
    settings_.IniPutNumber("Threshold", tag);
    DisplayResults();
}

void TVornixMain::PopupMenu1Popup() {
    const QModelIndex current = Grid->currentIndex();
    const std::int32_t rec = current.isValid() ? model_->RecordAt(current.row()) : -1;
    if (rec >= 0) {
        // The stored form of the word, also while the grid shows it in lower case.
        const WordRec record = run_->Store().WordRecord(rec);
        const QString word = QString::fromLatin1(record.text, record.length);
        Add2Common1->setText(QStringLiteral("Add %1 to common words list").arg(word));
        Add2Common1->setData(rec);
        Add2Common1->setEnabled(true);
        const QString frequency = model_->CellText(current.row(), 2).trimmed();
        QString caption = Setfrequencythreshold01->text();
        while (!caption.isEmpty() && caption.back().isDigit()) caption.chop(1);
        Setfrequencythreshold01->setText(caption + frequency);
        Setfrequencythreshold01->setData(frequency.toInt());
        Setfrequencythreshold01->setEnabled(true);
    } else {
        Add2Common1->setText(QStringLiteral("No word selected"));
        Add2Common1->setData(-1);
        Add2Common1->setEnabled(false);
        // No frequency to offer: the item does nothing rather than read an empty cell.
        Setfrequencythreshold01->setEnabled(false);
    }
}

}  // namespace vornix
