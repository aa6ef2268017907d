#include "gui/ui/AnalysisWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"
#include "gui/ui/AnalysisTableModel.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

TableFormat FormatForFileName(const QString& path) {
    const QString lower = path.toLower();
    if (lower.endsWith(QStringLiteral(".csv"))) return TableFormat::Csv;
    if (lower.endsWith(QStringLiteral(".tsv"))) return TableFormat::Tsv;
    if (lower.endsWith(QStringLiteral(".json"))) return TableFormat::Json;
    return TableFormat::Table;
}

AnalysisWindow::AnalysisWindow(const QString& name, const QString& title, UiServices& ui, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(ui) {
    setObjectName(name);
    setWindowTitle(ToolWindowTitle(title));
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    Controls = new QHBoxLayout;
    bar->addLayout(Controls);
    bar->addStretch(1);
    SaveButton = new QPushButton(QStringLiteral("&Save..."), this);
    SaveButton->setObjectName(name + QStringLiteral("Save"));
    connect(SaveButton, &QPushButton::clicked, this, &AnalysisWindow::Save);
    bar->addWidget(SaveButton);
    layout->addLayout(bar);

    Note = new QLabel(this);
    Note->setObjectName(name + QStringLiteral("Note"));
    Note->setWordWrap(true);
    Note->hide();
    layout->addWidget(Note);

    model_ = new AnalysisTableModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(AnalysisTableModel::SortRole);
    View = new QTableView(this);
    View->setObjectName(name + QStringLiteral("Table"));
    View->setModel(proxy_);
    View->verticalHeader()->hide();
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    View->verticalHeader()->setDefaultSectionSize(View->fontMetrics().height() + 6);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setSelectionMode(QAbstractItemView::ExtendedSelection);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setWordWrap(false);
    View->setShowGrid(false);
    // Sorting starts from the analysis's own order; a header click sorts by a column.
    View->setSortingEnabled(false);
    View->horizontalHeader()->setSectionsClickable(true);
    View->horizontalHeader()->setSortIndicatorShown(true);
    // The header has already moved its indicator when it reports the click, so the
    // column sorted last is kept here.
    connect(View->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        const bool same = sortSection_ == section;
        const Qt::SortOrder order =
            same && sortOrder_ == Qt::DescendingOrder ? Qt::AscendingOrder
            : same                                    ? Qt::DescendingOrder
            : model_->headerData(section, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight
                ? Qt::DescendingOrder
                : Qt::AscendingOrder;
        sortSection_ = section;
        sortOrder_ = order;
        View->horizontalHeader()->setSortIndicator(section, order);
        proxy_->sort(section, order);
    });
    connect(View, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowActivated(SourceRow(index.row())); });
    layout->addWidget(View, 1);

    auto* status = new QHBoxLayout;
    Progress = new QLabel(this);
    Progress->setObjectName(name + QStringLiteral("Progress"));
    status->addWidget(Progress, 1);
    BreakButton = new QPushButton(QStringLiteral("&Break"), this);
    BreakButton->setObjectName(name + QStringLiteral("Break"));
    connect(BreakButton, &QPushButton::clicked, this, &AnalysisWindow::stopRequested);
    status->addWidget(BreakButton);
    layout->addLayout(status);
    SetProgress(QString());

    CopyItem = new QAction(QStringLiteral("&Copy"), this);
    CopyItem->setObjectName(name + QStringLiteral("Copy"));
    CopyItem->setShortcut(QKeySequence::Copy);
    CopyItem->setShortcutContext(Qt::WindowShortcut);
    connect(CopyItem, &QAction::triggered, this, [this] {
        if (!Table() || Table()->Rows() == 0) return;
        QApplication::clipboard()->setText(QString::fromStdString(Text(TableFormat::Table, true)));
    });
    addAction(CopyItem);
    View->setContextMenuPolicy(Qt::ActionsContextMenu);
    View->addAction(CopyItem);
    resize(760, 480);
}

void AnalysisWindow::SetTable(std::shared_ptr<const AnalysisTable> table) {
    proxy_->sort(-1);
    sortSection_ = -1;
    View->horizontalHeader()->setSortIndicator(-1, Qt::DescendingOrder);
    model_->SetTable(std::move(table));
    SaveButton->setEnabled(Table() && Table()->Rows() > 0);
}

const AnalysisTable* AnalysisWindow::Table() const {
    return model_->Table();
}

void AnalysisWindow::SetProgress(const QString& text) {
    Progress->setText(text);
    BreakButton->setVisible(!text.isEmpty());
}

void AnalysisWindow::SetNote(const QString& text) {
    Note->setText(text);
    Note->setVisible(!text.isEmpty());
}

std::size_t AnalysisWindow::SourceRow(int viewRow) const {
    return static_cast<std::size_t>(proxy_->mapToSource(proxy_->index(viewRow, 0)).row());
}

std::vector<std::size_t> AnalysisWindow::ShownRows(bool selectedOnly) const {
    std::vector<int> viewRows;
    if (selectedOnly && View->selectionModel())
        for (const QModelIndex& index : View->selectionModel()->selectedRows()) viewRows.push_back(index.row());
    if (viewRows.empty())
        for (int r = 0; r < proxy_->rowCount(); ++r) viewRows.push_back(r);
    std::sort(viewRows.begin(), viewRows.end());
    std::vector<std::size_t> rows;
    rows.reserve(viewRows.size());
    for (int r : viewRows) rows.push_back(SourceRow(r));
    return rows;
}

std::string AnalysisWindow::Text(TableFormat format, bool selectedOnly) const {
    if (!Table()) return {};
    return FormatTable(*Table(), format, layout_, ShownRows(selectedOnly));
}

void AnalysisWindow::Save() {
    if (!Table() || Table()->Rows() == 0) return;
    const QString path = ui_.SaveFile(
        this, {QString(),
               QStringLiteral("Text files (*.txt);;CSV files (*.csv);;TSV files (*.tsv);;JSON files (*.json);;All "
                              "files (*)"),
               QStringLiteral("txt")});
    if (path.isEmpty()) return;
    try {
        WriteFileAtomically(Path(path), Text(FormatForFileName(path), false), true);
    } catch (const FileError& e) {
        ui_.Error(this, UiText(e.what()));
    }
}

void AnalysisWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AnalysisWindow::closeEvent(QCloseEvent* event) {
    emit stopRequested();
    QWidget::closeEvent(event);
}

}  // namespace vornix
