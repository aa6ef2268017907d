// The Display menu's items and the order tabs: which words are shown and in which order.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/context/WordContext.h"
#include "core/dispersion/RunDispersion.h"
#include "core/display/WordPattern.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/VocabularyStats.h"
#include "core/files/Settings.h"
#include "core/output/OutputWalk.h"
#include "gui/charts/ChartsWindow.h"
#include "gui/context/ContextController.h"
#include "gui/display/ResultController.h"
#include "gui/display/ResultModel.h"
#include "gui/display/SearchWindow.h"
#include "gui/display/StatsWindow.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

void ResultController::Display1Click() {
    context_.Item("Statistics1")->setEnabled(context_.Run().Store().WordCount() > 0);
    context_.Item("Charts1")->setEnabled(context_.Run().Store().WordCount() > 0);
    context_.Item("CountsPerDocument1")->setEnabled(context_.Run().Store().WordCount() > 0);
}

void ResultController::ShowCommonWords1Click() {
    QAction* item = context_.Item("ShowCommonWords1");
    item->setChecked(!item->isChecked());
    DisplayResults();
}

void ResultController::ShowNumbers1Click() {
    QAction* item = context_.Item("ShowNumbers1");
    item->setChecked(!item->isChecked());
    DisplayResults();
}

void ResultController::LowerCase1Click() {
    QAction* item = context_.Item("LowerCase1");
    item->setChecked(!item->isChecked());
    if (Grid->isVisible()) DisplayResults();
}

void ResultController::ShowRelFreq1Click() {
    QAction* item = context_.Item("ShowRelFreq1");
    item->setChecked(!item->isChecked());
    if (Grid->isVisible()) DisplayResults();
    context_.formResize();
}

void ResultController::ShowDispersion1Click() {
    QAction* item = context_.Item("ShowDispersion1");
    item->setChecked(!item->isChecked());
    if (Grid->isVisible()) DisplayResults();
    context_.formResize();
}

bool ResultController::DispersionReady() {
    RunDispersion* parts = context_.dispersion;
    if (!parts) return false;
    if (parts->Ready()) return true;
    AnalysisRun& run = context_.Run();
    if (context_.busy || run.Store().WordCount() == 0) return false;
    // The run did not record its parts: its documents are read again, with the run's
    // progress line, busy mode and Break.
    parts->BeginReread(run);
    context_.enableDodgyOptions(false);
    run.State().BreakRequested = false;
    bool stopped = false;
    while (parts->Step(1 << 20)) {
        const std::int64_t total = std::max<std::int64_t>(parts->BytesTotal(), 1);
        context_.ShowStatus(QStringLiteral("Reading the documents again for the dispersion: %1%")
                                .arg(parts->BytesDone() * 100 / total));
        if (run.State().BreakRequested) {
            stopped = true;
            break;
        }
    }
    run.State().BreakRequested = false;
    if (stopped) {
        // Broken off: the columns go rather than read again at the next refill.
        parts->Clear();
        context_.Item("ShowDispersion1")->setChecked(false);
    }
    context_.enableDodgyOptions(true);
    context_.ShowStatus(QString());
    if (!parts->Problems().empty()) context_.ShowErrorBox(UiText(parts->Problems().front()));
    return parts->Ready();
}

void ResultController::SetOrder(QAction* item, int tab) {
    const bool refill = !(item->isChecked() && Grid->isVisible());
    for (const char* name : {"AlphabeticalList1", "FrequencyList1", "WordLengthList1"}) {
        QAction* order = context_.Item(name);
        order->setChecked(order == item);
    }
    TabControl1->setCurrentIndex(tab);
    if (refill) DisplayResults();
}

void ResultController::AlphabeticalList1Click() {
    SetOrder(context_.Item("AlphabeticalList1"), 0);
}
void ResultController::FrequencyList1Click() {
    SetOrder(context_.Item("FrequencyList1"), 1);
}
void ResultController::WordLengthList1Click() {
    SetOrder(context_.Item("WordLengthList1"), 2);
}

void ResultController::TabControl1Change(int index) {
    if (context_.busy) return;
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

void ResultController::Statistics1Click() {
    if (stats_) stats_->exec();
}

void ResultController::AdditionalSettings1Click() {
    TAddDlg* addDlg = context_.addDlg;
    if (!addDlg) return;
    const int before = addDlg->ThresholdValue();
    addDlg->exec();
    if (addDlg->ThresholdValue() != before) DisplayResults();
}

}  // namespace vornix
