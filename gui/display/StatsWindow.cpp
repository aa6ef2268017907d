#include "gui/display/StatsWindow.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <iterator>

#include "core/engine/AnalysisRun.h"
#include "core/files/Settings.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

TVornixStats::TVornixStats(SettingsFile& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("VornixStats"));
    setWindowTitle(QStringLiteral("Vornix Statistics"));

    // Layouts, not positions: the captions and figures take the room their text needs
    // in whatever font the desktop uses, and the window may be enlarged.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* grid = new QGridLayout(panel);
    grid->setColumnStretch(0, 1);
    grid->setHorizontalSpacing(24);
    int row = 0;
    auto addRow = [&](const QString& caption, const char* name) {
        grid->addWidget(new QLabel(caption, panel), row, 0);
        auto* value = new QLabel(QStringLiteral("x"), panel);
        value->setObjectName(QLatin1String(name));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, row++, 1);
        return value;
    };

    // The rows of the run's table, in its order, with its captions.
    const char* names[] = {"FileCount", "DATwords",    "DATfound",     "DATunused",
                           "TotWords",  "UniqueWords", "UniqueWords2", "UniqueNums"};
    QLabel** labels[] = {&FileCount, &DATwords,    &DATfound,     &DATunused,
                         &TotWords,  &UniqueWords, &UniqueWords2, &UniqueNums};
    static_assert(std::size(kStatsRows) == std::size(names));
    for (std::size_t i = 0; i < std::size(kStatsRows); ++i)
        *labels[i] = addRow(QLatin1String(kStatsRows[i].caption), names[i]);

    grid->addWidget(new QLabel(QLatin1String(kFilesReadCaption), panel), row, 0);
    FileList = new QComboBox(panel);
    FileList->setObjectName(QStringLiteral("FileList"));
    // A list to look through, not a field: typed text would only hide the names.
    FileList->setEditable(false);
    FileList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    FileList->setMinimumContentsLength(12);
    connect(FileList, &QComboBox::currentIndexChanged, this,
            [this](int index) { FileList->setToolTip(FileList->itemData(index, Qt::ToolTipRole).toString()); });
    grid->addWidget(FileList, row++, 1);
    OtherScripts = addRow(QLatin1String(kOtherScriptsCaption), "OtherScripts");

    auto* line = new QFrame(panel);
    line->setObjectName(QStringLiteral("VocabularySeparator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, row++, 0, 1, 2);
    vocabulary_ = new QGridLayout;
    vocabulary_->setColumnStretch(0, 1);
    vocabulary_->setHorizontalSpacing(24);
    grid->addLayout(vocabulary_, row++, 0, 1, 2);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);

    // The window sees Esc before any of its controls.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void TVornixStats::SetValues(const RunStats& s) {
    FileCount->setText(QString::number(s.FileCount));
    DATwords->setText(QString::number(s.CommonWords));
    DATfound->setText(QString::number(s.CommonFound));
    DATunused->setText(QString::number(s.CommonUnused));
    TotWords->setText(QString::number(s.TotalWords));
    UniqueWords->setText(QString::number(s.UniqueWords));
    UniqueWords2->setText(QString::number(s.UniqueNonCommon));
    UniqueNums->setText(QString::number(s.UniqueNumbers));
    OtherScripts->setText(QString::number(s.OtherScriptLetters));
    if (FileList->count() > 0) FileList->setCurrentIndex(0);
}

void TVornixStats::SetVocabulary(const std::vector<std::pair<std::string, std::string>>& rows) {
    while (QLayoutItem* item = vocabulary_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int row = 0;
    for (const auto& [caption, value] : rows) {
        auto* left = new QLabel(UiText(caption), this);
        left->setObjectName(QStringLiteral("VocabularyCaption%1").arg(row));
        auto* right = new QLabel(UiText(value), this);
        right->setObjectName(QStringLiteral("VocabularyValue%1").arg(row));
        right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        vocabulary_->addWidget(left, row, 0);
        vocabulary_->addWidget(right, row++, 1);
    }
}

void TVornixStats::SetFileList(const std::vector<std::string>& names, const std::vector<std::string>& paths) {
    FileList->clear();
    for (std::size_t i = 0; i < names.size(); ++i) {
        FileList->addItem(UiText(names[i]));
        const QString path = i < paths.size() && !paths[i].empty() ? UiText(paths[i]) : UiText(names[i]);
        FileList->setItemData(static_cast<int>(i), path, Qt::ToolTipRole);
    }
    FileList->setToolTip(FileList->count() > 0 ? FileList->itemData(0, Qt::ToolTipRole).toString() : QString());
    adjustSize();
}

void TVornixStats::ClearFileList() {
    FileList->clear();
}

void TVornixStats::showEvent(QShowEvent* event) {
    // Centred first, then moved to the stored position when there is one.
    CenterOnScreen(this);
    RestoreWindowPos(settings_, QStringLiteral("statwin"), this);
    QDialog::showEvent(event);
}

void TVornixStats::done(int result) {
    SaveWindow(settings_, QStringLiteral("statwin"), this);
    QDialog::done(result);
}

void TVornixStats::keyPressEvent(QKeyEvent* event) {
    // Esc closes on release, not on press.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TVornixStats::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return true;
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vornix
