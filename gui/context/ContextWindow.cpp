#include "gui/context/ContextWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/display/ResultFilter.h"
#include "gui/context/ContextModel.h"
#include "gui/context/DispersionPlotView.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

// Header clicks step through the first words on a side; deeper ones are in the box.
constexpr int kClickDepth = 3;
constexpr int kBoxDepth = 5;

}  // namespace

ContextWindow::ContextWindow(ContextModel* model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
    setObjectName(QStringLiteral("ContextWindow"));
    setWindowTitle(ToolWindowTitle(QStringLiteral("Word in context")));
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Sort by:"), this));
    SortBox = new QComboBox(this);
    SortBox->setObjectName(QStringLiteral("ContextSort"));
    SortBox->addItem(QStringLiteral("Text order"), QStringLiteral("text"));
    for (const char side : {'L', 'R'}) {
        for (int n = 1; n <= kBoxDepth; ++n) {
            const QString code = QStringLiteral("%1%2").arg(n).arg(QLatin1Char(side));
            const QString caption = side == 'L' ? QStringLiteral("%1 (word %2 to the left)").arg(code).arg(n)
                                                : QStringLiteral("%1 (word %2 to the right)").arg(code).arg(n);
            SortBox->addItem(caption, code);
        }
    }
    connect(SortBox, &QComboBox::activated, this,
            [this](int index) { emit sortChosen(SortBox->itemData(index).toString()); });
    bar->addWidget(SortBox);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("Context width:"), this));
    Width = new QSpinBox(this);
    Width->setObjectName(QStringLiteral("ContextWidth"));
    Width->setRange(10, 200);
    Width->setValue(40);
    Width->setSuffix(QStringLiteral(" characters"));
    connect(Width, &QSpinBox::valueChanged, this, &ContextWindow::widthChosen);
    bar->addWidget(Width);
    bar->addStretch(1);
    SaveButton = new QPushButton(QStringLiteral("&Save..."), this);
    SaveButton->setObjectName(QStringLiteral("ContextSave"));
    connect(SaveButton, &QPushButton::clicked, this, &ContextWindow::saveRequested);
    bar->addWidget(SaveButton);
    layout->addLayout(bar);

    Problems = new QLabel(this);
    Problems->setObjectName(QStringLiteral("ContextProblems"));
    Problems->setWordWrap(true);
    Problems->setStyleSheet(QStringLiteral("color: #a00000;"));
    Problems->hide();
    layout->addWidget(Problems);

    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("ContextTable"));
    Table->setModel(model_);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->setTextElideMode(Qt::ElideLeft);
    Table->setShowGrid(false);
    QHeaderView* header = Table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, &ContextWindow::HeaderClicked);
    // Room for the default 40 characters on each side; the word and line stay narrow.
    const int columnWidths[] = {300, 70, 300, 150, 60};
    for (int c = 0; c < ContextModel::ColumnCount; ++c) header->resizeSection(c, columnWidths[c]);
    layout->addWidget(Table, 2);

    PlotArea = new QScrollArea(this);
    PlotArea->setObjectName(QStringLiteral("DispersionPlotArea"));
    PlotArea->setWidgetResizable(true);
    PlotArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PlotArea->setFrameShape(QFrame::NoFrame);
    // A third of the room below the lines, up to the plot's own height.
    Plot = new DispersionPlotView(PlotArea);
    PlotArea->setWidget(Plot);
    layout->addWidget(PlotArea, 1);

    auto* status = new QHBoxLayout;
    Progress = new QLabel(this);
    Progress->setObjectName(QStringLiteral("ContextProgress"));
    status->addWidget(Progress, 1);
    // Below the plot it saves; the bar above is full at large fonts.
    SaveImageButton = new QPushButton(QStringLiteral("Save &image..."), this);
    SaveImageButton->setObjectName(QStringLiteral("ContextSaveImage"));
    connect(SaveImageButton, &QPushButton::clicked, this, &ContextWindow::saveImageRequested);
    status->addWidget(SaveImageButton);
    BreakButton = new QPushButton(QStringLiteral("&Break"), this);
    BreakButton->setObjectName(QStringLiteral("ContextBreak"));
    connect(BreakButton, &QPushButton::clicked, this, &ContextWindow::stopRequested);
    status->addWidget(BreakButton);
    layout->addLayout(status);
    SetProgress(QString());

    CopyItem = new QAction(QStringLiteral("&Copy"), this);
    CopyItem->setObjectName(QStringLiteral("ContextCopy"));
    CopyItem->setShortcut(QKeySequence::Copy);
    CopyItem->setShortcutContext(Qt::WindowShortcut);
    connect(CopyItem, &QAction::triggered, this, [this] {
        const QString text = SelectedText();
        if (!text.isEmpty()) QApplication::clipboard()->setText(text);
    });
    addAction(CopyItem);
    Table->setContextMenuPolicy(Qt::ActionsContextMenu);
    Table->addAction(CopyItem);

    resize(920, 420);
}

void ContextWindow::SetTitle(const QString& word, std::size_t occurrences, int files) {
    const QString n = QString::fromStdString(GroupedNumber(static_cast<std::int64_t>(occurrences)));
    setWindowTitle(ToolWindowTitle(QStringLiteral("Word in context")) +
                   QStringLiteral(" \u2014 %1, %2 %3 in %4 %5")
                       .arg(word, n, occurrences == 1 ? QStringLiteral("occurrence") : QStringLiteral("occurrences"))
                       .arg(QString::fromStdString(GroupedNumber(files)))
                       .arg(files == 1 ? QStringLiteral("file") : QStringLiteral("files")));
}

void ContextWindow::SetProblems(const QStringList& problems) {
    Problems->setText(problems.join(QLatin1Char('\n')));
    Problems->setVisible(!problems.isEmpty());
}

void ContextWindow::SetProgress(const QString& text) {
    Progress->setText(text);
    BreakButton->setVisible(!text.isEmpty());
}

void ContextWindow::ShowSort(const ContextSort& sort) {
    QString code = QStringLiteral("text");
    if (sort.side != ContextSort::Text)
        code = QStringLiteral("%1%2").arg(sort.n).arg(QLatin1Char(sort.side == ContextSort::Left ? 'L' : 'R'));
    int index = SortBox->findData(code);
    if (index < 0) {
        SortBox->addItem(code, code);
        index = SortBox->count() - 1;
    }
    SortBox->setCurrentIndex(index);
    Table->setCurrentIndex(model_->rowCount() > 0 ? model_->index(0, ContextModel::WordColumn) : QModelIndex());
    Table->scrollToTop();
}

QString ContextWindow::SelectedText() const {
    QModelIndexList rows = Table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QString text;
    for (const QModelIndex& row : rows) text += QString::fromStdString(model_->LineText(row.row()));
    return text;
}

void ContextWindow::HeaderClicked(int section) {
    // A click on a context header sorts by the next word out on that side, 1, 2, 3 and
    // round again; the other headers go back to text order.
    const ContextSort now = model_->CurrentSort();
    QString code = QStringLiteral("text");
    if (section == ContextModel::LeftColumn || section == ContextModel::RightColumn) {
        const ContextSort::Side side = section == ContextModel::LeftColumn ? ContextSort::Left : ContextSort::Right;
        const int n = now.side == side ? now.n % kClickDepth + 1 : 1;
        code = QStringLiteral("%1%2").arg(n).arg(QLatin1Char(side == ContextSort::Left ? 'L' : 'R'));
    }
    emit sortChosen(code);
}

void ContextWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Pause) {
        if (BreakButton->isVisible())
            emit stopRequested();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ContextWindow::closeEvent(QCloseEvent* event) {
    emit stopRequested();
    QWidget::closeEvent(event);
}

}  // namespace vornix
