#include "gui/display/SearchWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/display/ResultModel.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

constexpr const char* kTag = "Tag";
const QString kPlacement = QStringLiteral("srchwin");

QPushButton* SearchButton(QWidget* parent, const char* name, const QString& caption, SearchKind tag) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setProperty(kTag, static_cast<int>(tag));
    return button;
}

}  // namespace

TVornixSearch::TVornixSearch(SettingsFile& settings, UiServices& ui, QWidget* parent)
    : QDialog(parent, Qt::Tool), settings_(settings), ui_(ui) {
    setObjectName(QStringLiteral("VornixSearch"));
    setWindowTitle(QStringLiteral("Search results"));
    move(327, 229);  // until a placement is stored

    SearchText = new QLineEdit(this);
    SearchText->setObjectName(QStringLiteral("SearchText"));

    Legend = new QLabel(QStringLiteral("Find in results column below ..."), this);
    Legend->setObjectName(QStringLiteral("Legend"));

    RankBut = SearchButton(this, "RankBut", QStringLiteral("Ranking"), SearchKind::Ranking);
    WordBut = SearchButton(this, "WordBut", QStringLiteral("Word"), SearchKind::Word);
    FreqBut = SearchButton(this, "FreqBut", QStringLiteral("Frequency"), SearchKind::Frequency);
    // Enter in the text field runs a frequency search.
    FreqBut->setDefault(true);
    for (QPushButton* button : {RankBut, WordBut, FreqBut})
        connect(button, &QPushButton::clicked, this, [this, button] { FindButton(button); });

    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    // Layouts, not positions: the text, the legend, the three column buttons in a row
    // and Cancel below, each as wide as its caption needs in the desktop's font.
    auto* columns = new QHBoxLayout;
    for (QPushButton* button : {RankBut, WordBut, FreqBut}) columns->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SearchText);
    layout->addWidget(Legend);
    layout->addLayout(columns);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TVornixSearch::SetTarget(SearchTarget target) {
    target_ = std::move(target);
}

bool TVornixSearch::Busy() const {
    return target_.busy && target_.busy();
}

bool TVornixSearch::CanFindNext() const {
    return !lastSearchText_.isEmpty() && searchKind_ != SearchKind::None;
}

void TVornixSearch::StartSearch() {
    if (Busy()) return;
    RestoreWindowPos(settings_, kPlacement, this);
    searchRequested_ = false;
    exec();
    if (searchRequested_) FindNextMatch();
}

void TVornixSearch::FindButton(QPushButton* sender) {
    if (Busy() || !sender) return;
    // Kind and text are remembered even when the text is then refused.
    searchKind_ = static_cast<SearchKind>(sender->property(kTag).toInt());
    lastSearchText_ = SearchText->text();
    if (lastSearchText_.isEmpty()) {
        ui_.Warning(this, QStringLiteral("No search text given!"));
        return;
    }
    if (searchKind_ != SearchKind::Word && !ParseSearchNumber(lastSearchText_.toStdU16String())) {
        ui_.Warning(this, QStringLiteral("Ranking and frequency searches must be numbers."));
        return;
    }
    searchRequested_ = true;
    accept();
}

void TVornixSearch::FindNextMatch() {
    if (Busy() || !CanFindNext()) return;
    const auto query =
        PrepareSearch(searchKind_, lastSearchText_.toStdU16String(), target_.lowerCase && target_.lowerCase(),
                      target_.allScripts && target_.allScripts());
    if (!query) {
        // Only a number text can be refused here: one the window turned down and Find
        // next now repeats. Refuse it again rather than search for it.
        ui_.Warning(parentWidget(), QStringLiteral("Ranking and frequency searches must be numbers."));
        return;
    }
    if (searchKind_ == SearchKind::Word) lastSearchText_ = QString::fromStdU16String(query->text);

    if (!target_.grid) return;
    const auto* model = qobject_cast<const ResultModel*>(target_.grid->model());
    if (!model) return;
    const QModelIndex current = target_.grid->currentIndex();
    // Without a current cell the first row counts as current, as it is after a refill.
    const int currentRow = current.isValid() ? current.row() : 0;
    const int found = FindMatchingRow(*query, currentRow, model->rowCount(), [model](int row, int column) {
        return model->CellText(row, column).toStdU16String();
    });
    if (found < 0) {
        ui_.Information(parentWidget(),
                        QString::fromStdU16String(NotFoundText(searchKind_, lastSearchText_.toStdU16String())));
        return;
    }
    target_.grid->setCurrentIndex(model->index(found, static_cast<int>(searchKind_)));
}

void TVornixSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    SearchText->setFocus();
}

void TVornixSearch::done(int result) {
    SaveWindow(settings_, kPlacement, this);
    QDialog::done(result);
}

}  // namespace vornix
