#include "gui/display/ResultController.h"

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
#include "gui/display/ResultModel.h"
#include "gui/display/SearchWindow.h"
#include "gui/display/StatsWindow.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

ResultController::ResultController(WindowContext& context, QWidget* client)
    : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("ResultController"));
    auto* layout = static_cast<QVBoxLayout*>(client->layout());

    TabControl1 = new QTabBar(client);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->addTab(QStringLiteral("Alphabetical"));
    TabControl1->addTab(QStringLiteral("Frequency"));
    TabControl1->addTab(QStringLiteral("Word Length"));
    TabControl1->setExpanding(false);
    TabControl1->hide();
    // Only a choice by the user runs the handler; the program sets the tab quietly. The
    // tab changes by a click only: a tab moved by the wheel or the arrow keys would no
    // longer name the order shown (see FilterEvent).
    TabControl1->setFocusPolicy(Qt::NoFocus);
    connect(TabControl1, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0) TabControl1Change(index);
    });
    layout->addWidget(TabControl1);

    // The filter box: hidden until Edit > Filter words; the table follows the typing
    // after a short pause, so a fast typist does not wait for each refill.
    FilterBox = new QLineEdit(client);
    FilterBox->setObjectName(QStringLiteral("FilterBox"));
    FilterBox->setPlaceholderText(QStringLiteral("Filter words: text, * and ?, ^ and $"));
    FilterBox->setClearButtonEnabled(true);
    FilterBox->hide();
    layout->addWidget(FilterBox);
    filterDelay_ = new QTimer(this);
    filterDelay_->setSingleShot(true);
    filterDelay_->setInterval(150);
    connect(FilterBox, &QLineEdit::textChanged, filterDelay_, qOverload<>(&QTimer::start));
    connect(filterDelay_, &QTimer::timeout, this, [this] {
        if (!context_.busy && Grid->isVisible()) FillResultGrid();
    });

    model_ = new ResultModel(this);
    Grid = new QTableView(client);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(model_);
    Grid->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(22);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A click on a header chooses the order by that column, as the Display menu does:
    // the words alphabetically, ranks and frequencies by frequency.
    Grid->horizontalHeader()->setSectionsClickable(true);
    Grid->horizontalHeader()->setHighlightSections(false);
    connect(Grid->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (context_.busy) return;
        if (column == 1)
            AlphabeticalList1Click();
        else
            FrequencyList1Click();
    });
    Grid->horizontalHeader()->setDefaultSectionSize(120);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setWordWrap(false);
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    Grid->hide();
    layout->addWidget(Grid, 1);

    BuildFilterNote();
    WireItems();
}

void ResultController::BuildFilterNote() {
    // Over the grid's empty space, so that an empty table says why and how to get the
    // words back.
    auto* note = new QFrame(Grid->viewport());
    note->setObjectName(QStringLiteral("FilterNote"));
    note->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    note->setAutoFillBackground(true);
    filterNote_ = note;
    auto* noteLayout = new QHBoxLayout(filterNote_);
    noteLayout->setContentsMargins(8, 4, 8, 4);
    filterNoteText_ = new QLabel(filterNote_);
    filterNoteText_->setObjectName(QStringLiteral("FilterNoteText"));
    filterNoteText_->setTextFormat(Qt::PlainText);
    auto* clear = new QPushButton(QStringLiteral("&Clear filter"), filterNote_);
    clear->setObjectName(QStringLiteral("ClearFilterBut"));
    noteLayout->addWidget(filterNoteText_);
    noteLayout->addWidget(clear);
    connect(clear, &QPushButton::clicked, this, [this] { HideFilter(); });
    filterNote_->hide();
}

// The items of the Edit and Display menus, the pop-up menu and the grid's double click.
void ResultController::WireItems() {
    context_.OnMenuOpening("Edit1", this, [this] { Edit1Click(); });
    context_.OnItem("Find1", this, [this] { Find1Click(); });
    context_.OnItem("FindNext1", this, [this] { FindNext1Click(); });
    context_.OnItem("FilterWords1", this, [this] { FilterWords1Click(); });
    context_.OnMenuOpening("Display1", this, [this] { Display1Click(); });
    context_.OnItem("ShowCommonWords1", this, [this] { ShowCommonWords1Click(); });
    context_.OnItem("ShowNumbers1", this, [this] { ShowNumbers1Click(); });
    context_.OnItem("LowerCase1", this, [this] { LowerCase1Click(); });
    context_.OnItem("ShowRelFreq1", this, [this] { ShowRelFreq1Click(); });
    context_.OnItem("ShowDispersion1", this, [this] { ShowDispersion1Click(); });
    context_.OnItem("AlphabeticalList1", this, [this] { AlphabeticalList1Click(); });
    context_.OnItem("FrequencyList1", this, [this] { FrequencyList1Click(); });
    context_.OnItem("WordLengthList1", this, [this] { WordLengthList1Click(); });
    context_.OnItem("Statistics1", this, [this] { Statistics1Click(); });
    context_.OnItem("Charts1", this, [this] { Charts1Click(); });
    context_.OnItem("AdditionalSettings1", this, [this] { AdditionalSettings1Click(); });
    wordContext_ = new ContextController(context_);
    context_.OnItem("ShowInContext1", this, [this] { ShowInContext1Click(); });
    connect(Grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& at) {
        if (context_.busy || !at.isValid()) return;
        Grid->setCurrentIndex(at);
        ShowInContext1Click();
    });
    for (const char* name : {"Setfrequencythreshold01", "Setdefaultthreshold11"}) {
        QAction* item = context_.Item(name);
        connect(item, &QAction::triggered, this, [this, item] { Setfrequencythreshold01Click(item); });
    }
    QMenu* popup = context_.Menu("PopupMenu1");
    connect(popup, &QMenu::aboutToShow, this, &ResultController::PopupMenu1Popup);
    connect(Grid, &QWidget::customContextMenuRequested, this, [this, popup](const QPoint& at) {
        if (!context_.busy) popup->popup(Grid->viewport()->mapToGlobal(at));
    });
}

void ResultController::AttachWindows(TVornixStats* stats, TVornixSearch* search) {
    stats_ = stats;
    search_ = search;
    if (search_)
        search_->SetTarget({Grid, [this] { return context_.busy; }, [this] { return Checked("LowerCase1"); },
                            [this] { return context_.run && context_.Run().AllScripts(); }});
}

bool ResultController::Checked(const char* item) const {
    return context_.Item(item)->isChecked();
}

DisplayOptions ResultController::CurrentDisplayOptions() const {
    DisplayOptions o;
    o.ShowCommonWords = Checked("ShowCommonWords1");
    o.ShowNumbers = Checked("ShowNumbers1");
    o.LowerCase = Checked("LowerCase1");
    o.ShowRelFreq = Checked("ShowRelFreq1");
    o.Order = OrderFromChecks(Checked("FrequencyList1"), Checked("AlphabeticalList1"), Checked("WordLengthList1"));
    o.ActiveThreshold = activeThreshold_;
    o.Filter = FilterPattern();
    return o;
}

bool ResultController::CanFindNext() const {
    return search_ && search_->CanFindNext();
}

void ResultController::DisplayResults() {
    if (context_.Run().Store().WordCount() == 0) return;
    // The table takes the place of the list editor only when the editor may go: a
    // changed text is abandoned only after the user agreed, as on Cancel.
    if (!context_.editorMayGo()) return;
    context_.setResultsView(true);
    context_.formResize();
    activeThreshold_ = context_.addDlg ? context_.addDlg->ThresholdValue() : 1;
    FillResultGrid();
    Grid->setFocus();
}

void ResultController::FillResultGrid() {
    const DisplayOptions o = CurrentDisplayOptions();
    const int column = Grid->currentIndex().isValid() ? Grid->currentIndex().column() : 0;
    AnalysisRun& run = context_.Run();
    DisplayOptions all = o;
    all.Filter.clear();
    std::vector<std::int32_t> rows = ShownWords(run.Store(), run.Orders(), all);
    std::vector<std::int32_t> ranks;
    // Filtered rows keep the ranks of the full order.
    if (!o.Filter.empty()) rows = FilterRows(run.Store(), rows, WordPattern(o.Filter, o.LowerCase), o.LowerCase, ranks);
    // The dispersion columns need the run's parts: kept from the run, or read again now.
    const bool dispersion = Checked("ShowDispersion1") && DispersionReady();
    model_->SetResults(&run.Store(), std::move(rows), o.LowerCase, std::move(ranks),
                       o.ShowRelFreq ? TotalOccurrences(run.Store()) : 0,
                       dispersion ? &context_.dispersion->Figures() : nullptr);
    if (model_->rowCount() > 0) Grid->setCurrentIndex(model_->index(0, column));
    Grid->scrollToTop();

    // From the run's figures, which the statistics window shows too.
    const RunStats stats = run.Stats();
    // The filter as typed, in the locale's encoding the status line decodes (the
    // pattern itself is in the table's 8-bit set).
    const std::string typed = o.Filter.empty() ? std::string() : QFile::encodeName(FilterBox->text()).toStdString();
    context_.ShowStatus(UiText(SummaryText(o.Order, std::to_string(stats.UniqueWords),
                                           std::to_string(stats.CommonFound), std::to_string(stats.UniqueNumbers),
                                           o.ShowCommonWords, o.ShowNumbers, model_->rowCount(), typed) +
                               OtherScriptsNote(run.AllScripts(), stats.OtherScriptLetters)));
    if (!typed.empty()) filterNoteText_->setText(UiText(FilterNoteText(typed)));
    // Only the filter's doing: a threshold that leaves nothing is not the filter's fault.
    ShowFilterNote(!typed.empty() && model_->rowCount() == 0 && !ShownWords(run.Store(), run.Orders(), all).empty());
    ShowStatusNote(true);
    context_.formResize();
    if (charts_ && charts_->isVisible()) charts_->Refresh(run, o);
    if (context_.resultsRefilled) context_.resultsRefilled();
}

void ResultController::ShowFilterNote(bool shown) {
    if (shown) {
        filterNote_->adjustSize();
        filterNote_->move(std::max(0, (Grid->viewport()->width() - filterNote_->width()) / 2), 12);
    }
    filterNote_->setVisible(shown);
}

void ResultController::Charts1Click() {
    const bool created = !charts_;
    if (created) {
        charts_ = new ChartsWindow(context_.ui, &context_.window);
        PlaceToolWindow(charts_, &context_.window);
    }
    charts_->show();
    if (created) PlaceToolWindow(charts_, &context_.window);  // once more with its frame, which it has now
    charts_->raise();
    charts_->Refresh(context_.Run(), CurrentDisplayOptions());
}

void ResultController::RecordStats() {
    if (!stats_) return;
    AnalysisRun& run = context_.Run();
    // Each name's full path for its tooltip, from the inputs read under that name.
    std::vector<std::string> paths;
    for (const std::string& name : run.FileList()) {
        std::string path;
        for (const RunInput& input : run.Inputs())
            if (input.name == name && !input.path.empty()) path = input.path;
        paths.push_back(path);
    }
    stats_->SetFileList(run.FileList(), paths);
    stats_->SetValues(run.Stats());
    stats_->SetVocabulary(VocabularyRows(run.Store(), run.Vocabulary(), Checked("LowerCase1")));
}

void ResultController::ClearResults() {
    // The run is about to change: the context window's lines would point at old inputs.
    wordContext_->Clear();
    model_->SetResults(nullptr, {}, false);
    ShowStatusNote(false);
    filterNote_->hide();
    if (stats_) stats_->ClearFileList();
}

QLabel* ResultController::MakeStatusNote(QWidget* panel) {
    statusNote_ = new QLabel(panel);
    statusNote_->setObjectName(QStringLiteral("StatusNote"));
    statusNote_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    statusNote_->hide();
    return statusNote_;
}

void ResultController::ShowStatusNote(bool shown) {
    if (!statusNote_) return;
    const RunState& state = context_.Run().State();
    const QString note =
        shown ? UiText(StatusNoteText(state.StopRun, context_.Run().LimitReached(), activeThreshold_)) : QString();
    statusNote_->setText(note);
    statusNote_->setVisible(!note.isEmpty());
}

void ResultController::ShowResults(bool shown) {
    Grid->setVisible(shown);
    TabControl1->setVisible(shown);
    // The filter belongs to the table: it does nothing above the list editor.
    FilterBox->setVisible(shown && filterOpen_);
}

void ResultController::SetEnabledForRun(bool enabled) {
    // The grid comes back only with results: an empty run must not show the rows of an
    // earlier one.
    Grid->setVisible(enabled && context_.Run().Store().WordCount() > 0);
}

void ResultController::SetTabsEnabled(bool enabled) {
    TabControl1->setEnabled(enabled);
}

void ResultController::SetTab(int index) {
    TabControl1->setCurrentIndex(index);
}

bool ResultController::ResultsShown() const {
    return Grid->isVisible();
}

void ResultController::Layout(int clientWidth) {
    const int s = Grid->verticalScrollBar()->isVisible() ? 18 : 0;
    // The per-million, range and DP columns, when shown, take a share like the count's;
    // the word takes two.
    const int columns = model_->columnCount();
    const int w = (clientWidth - s) / (columns + 1) - 2;
    for (int c = 0; c < columns; ++c) Grid->setColumnWidth(c, c == 1 ? 2 * w : w);
    if (filterNote_->isVisible()) ShowFilterNote(true);
    // A new style sheet re-styles the tab bar: set it only when the width changes.
    const QString tabStyle = QStringLiteral("QTabBar::tab { width: %1px; }").arg((clientWidth - 3) / 3);
    if (TabControl1->styleSheet() != tabStyle) TabControl1->setStyleSheet(tabStyle);
}

void ResultController::Edit1Click() {
    const bool gridShown = Grid->isVisible();
    context_.Item("Find1")->setEnabled(gridShown);
    context_.Item("FindNext1")->setEnabled(gridShown && CanFindNext());
    context_.Item("CopytoClipboard1")->setEnabled(context_.Run().Store().WordCount() > 0);
    context_.Item("FilterWords1")->setEnabled(gridShown);
}

std::string ResultController::FilterPattern() const {
    if (!FilterBox || !filterOpen_) return {};
    const QString text = FilterBox->text();
    // Words of every script are held as UTF-8, and so is the pattern for them.
    if (context_.run && context_.Run().AllScripts()) return text.toStdString();
    std::string pattern;
    for (const QChar c : text)
        // A character the table cannot hold matches no word (and is no wildcard).
        pattern += c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '\x01';
    return pattern;
}

void ResultController::FilterWords1Click() {
    filterOpen_ = true;
    FilterBox->show();
    FilterBox->setFocus();
    FilterBox->selectAll();
}

void ResultController::HideFilter() {
    const bool filtered = !FilterPattern().empty();
    filterOpen_ = false;
    FilterBox->hide();
    filterNote_->hide();
    FilterBox->blockSignals(true);
    FilterBox->clear();
    FilterBox->blockSignals(false);
    filterDelay_->stop();
    if (filtered && Grid->isVisible()) FillResultGrid();
    Grid->setFocus();
}

void ResultController::Find1Click() {
    if (search_) search_->StartSearch();
}

void ResultController::FindNext1Click() {
    if (search_) search_->FindNextMatch();
}

bool ResultController::FormKeyDown(int key) {
    // The filter box keeps its keys; Escape there clears and hides it.
    if (FilterBox->hasFocus()) {
        if (key != Qt::Key_Escape) return false;
        HideFilter();
        return true;
    }
    switch (key) {
        case Qt::Key_Escape:
            context_.setResultsView(false);
            context_.ShowStatus(QString());
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

bool ResultController::FilterEvent(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress && watched == Grid->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        GridMouseDown(mouse->position().toPoint(), mouse->buttons());
        // The view would make the clicked cell current; a right click has already
        // moved the current cell as it should (the rank column keeps the column).
        return mouse->button() == Qt::RightButton;
    }
    if (type == QEvent::Wheel && watched == TabControl1) return true;
    if ((type == QEvent::Show || type == QEvent::Hide) && watched == Grid->verticalScrollBar()) {
        // The columns make room for the scroll bar, which comes and goes after a resize.
        context_.formResize();
    }
    return false;
}

void ResultController::GridMouseDown(const QPoint& position, Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    const QModelIndex at = Grid->indexAt(position);
    if (!at.isValid()) return;
    const QModelIndex current = Grid->currentIndex();
    const int column = at.column() > 0 ? at.column() : (current.isValid() ? current.column() : 0);
    Grid->setCurrentIndex(model_->index(at.row(), column));
}

void ResultController::Setfrequencythreshold01Click(QAction* item) {
    const int tag = item->data().toInt();
    if (context_.addDlg) context_.addDlg->Threshold->setValue(tag);
    context_.settings.IniPutNumber("Threshold", tag);
    DisplayResults();
}

void ResultController::PopupMenu1Popup() {
    QAction* add = context_.Item("Add2Common1");
    QAction* threshold = context_.Item("Setfrequencythreshold01");
    QAction* showContext = context_.Item("ShowInContext1");
    QAction* collocates = context_.Item("Collocates1");
    const QModelIndex current = Grid->currentIndex();
    const std::int32_t rec = current.isValid() ? model_->RecordAt(current.row()) : -1;
    if (rec >= 0) {
        // The stored form of the word, also while the grid shows it in lower case.
        const WordRec record = context_.Run().Store().WordRecord(rec);
        const QString word = QString::fromUtf8(record.text, record.length);
        add->setText(QStringLiteral("Add %1 to common words list").arg(word));
        add->setData(rec);
        add->setEnabled(true);
        const QString frequency = model_->CellText(current.row(), 2).trimmed();
        QString caption = threshold->text();
        while (!caption.isEmpty() && caption.back().isDigit()) caption.chop(1);
        threshold->setText(caption + frequency);
        threshold->setData(frequency.toInt());
        threshold->setEnabled(true);
        showContext->setText(QStringLiteral("Show %1 in context").arg(word));
        showContext->setEnabled(Grid->isVisible());
        collocates->setText(QStringLiteral("Collocates of %1").arg(word));
        collocates->setData(rec);
        collocates->setEnabled(Grid->isVisible());
    } else {
        showContext->setText(QStringLiteral("No word selected"));
        showContext->setEnabled(false);
        collocates->setText(QStringLiteral("No word selected"));
        collocates->setData(-1);
        collocates->setEnabled(false);
        add->setText(QStringLiteral("No word selected"));
        add->setData(-1);
        add->setEnabled(false);
        // No frequency to offer: the item does nothing rather than read an empty cell.
        threshold->setEnabled(false);
    }
}

void ResultController::ShowInContext1Click() {
    const QModelIndex current = Grid->currentIndex();
    const std::int32_t rec = current.isValid() ? model_->RecordAt(current.row()) : -1;
    if (rec < 0) return;
    const WordRec record = context_.Run().Store().WordRecord(rec);
    wordContext_->Show(std::string(record.Text()), QString::fromUtf8(record.text, record.length),
                       context_.Run().Store().Count(rec));
}

void ResultController::ShowWordInContext(const std::string& stored, std::int32_t count) {
    wordContext_->Show(stored, QString::fromUtf8(stored.data(), static_cast<qsizetype>(stored.size())), count);
}

void ResultController::ShowQueryInContext(const ContextQuery& query, const QString& shown, std::int32_t count) {
    wordContext_->Show(query, shown, count);
}

}  // namespace vornix
