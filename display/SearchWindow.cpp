#include "display/SearchWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "display/ResultModel.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"
#include "shell/WindowPlacement.h"

namespace vornix {

namespace {

constexpr const char* kTag = "Tag";
const QString kPlacement = QStringLiteral("srchwin");

QPushButton* SearchButton(QWidget* parent, const char* name, const QString& caption, SearchKind tag, int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setProperty(kTag, static_cast<int>(tag));
    button->setGeometry(left, 64, 80, 25);
    return button;
}

}  // namespace

TVornixSearch::TVornixSearch(SettingsFile& settings, TVornixMain* main)
    : QDialog(main, Qt::Tool), settings_(settings), main_(main) {
    setObjectName(QStringLiteral("VornixSearch"));
    setWindowTitle(QStringLiteral("Search results"));
    setFixedSize(288, 129);
    move(327, 229);  // until a placement is stored

    SearchText = new QLineEdit(this);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText->setGeometry(16, 12, 256, 24);

    Legend = new QLabel(QStringLiteral("Find in results column below ..."), this);
    Legend->setObjectName(QStringLiteral("Legend"));
    Legend->setGeometry(16, 42, 256, 18);

    RankBut = SearchButton(this, "RankBut", QStringLiteral("Ranking"), SearchKind::Ranking, 16);
    WordBut = SearchButton(this, "WordBut", QStringLiteral("Word"), SearchKind::Word, 104);
    FreqBut = SearchButton(this, "FreqBut", QStringLiteral("Frequency"), SearchKind::Frequency, 192);
    // Enter in the text field runs a frequency search.
    FreqBut->setDefault(true);
    for (QPushButton* button : {RankBut, WordBut, FreqBut})
        connect(button, &QPushButton::clicked, this, [this, button] { FindButton(button); });

    BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->setGeometry(104, 96, 80, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
}

bool TVornixSearch::CanFindNext() const {
    return !lastSearchText_.isEmpty() && searchKind_ != SearchKind::None;
}

void TVornixSearch::StartSearch() {
    if (main_->Busy()) return;
    RestoreWindowPos(settings_, kPlacement, this);
    searchRequested_ = false;
    exec();
    if (searchRequested_) FindNextMatch();
}

void TVornixSearch::FindButton(QPushButton* sender) {
    if (main_->Busy() || !sender) return;
    // Kind and text are remembered even when the text is then refused.
    searchKind_ = static_cast<SearchKind>(sender->property(kTag).toInt());
    lastSearchText_ = SearchText->text();
    if (lastSearchText_.isEmpty()) {
        main_->Ui().Warning(this, QStringLiteral("No search text given!"));
        return;
    }
    if (searchKind_ != SearchKind::Word && !ParseSearchNumber(lastSearchText_.toStdU16String())) {
        main_->Ui().Warning(this, QStringLiteral("Ranking and frequency searches must be numbers."));
        return;
    }
    searchRequested_ = true;
    accept();
}

void TVornixSearch::FindNextMatch() {
    if (main_->Busy() || !CanFindNext()) return;
    const auto query = PrepareSearch(searchKind_, lastSearchText_.toStdU16String(), main_->LowerCase1->isChecked());
    if (!query) {
        // Only a number text can be refused here: one the window turned down and Find
        // next now repeats. Refuse it again rather than search for it.
        main_->Ui().Warning(main_, QStringLiteral("Ranking and frequency searches must be numbers."));
        return;
    }
    if (searchKind_ == SearchKind::Word) lastSearchText_ = QString::fromStdU16String(query->text);

    const ResultModel* model = main_->Model();
    const QModelIndex current = main_->Grid->currentIndex();
    // Without a current cell the first row counts as current, as it is after a refill.
    const int currentRow = current.isValid() ? current.row() : 0;
    const int found = FindMatchingRow(*query, currentRow, model->rowCount(), [model](int row, int column) {
        return model->CellText(row, column).toStdU16String();
    });
    if (found < 0) {
        main_->Ui().Information(main_,
                                QString::fromStdU16String(NotFoundText(searchKind_, lastSearchText_.toStdU16String())));
        return;
    }
    main_->Grid->setCurrentIndex(model->index(found, static_cast<int>(searchKind_)));
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
