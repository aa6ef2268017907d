#include "display/StatsWindow.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "engine/AnalysisRun.h"
#include "files/Settings.h"
#include "ui/UiServices.h"
#include "ui/WindowPlacement.h"

namespace vornix {

namespace {

QLabel* Caption(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(16, top - 8, 160, 16);
    return label;
}

QLabel* Value(QWidget* parent, const char* name, int top) {
    auto* label = new QLabel(QStringLiteral("x"), parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(243 - 90, top - 8, 90, 16);  // right edge at 251 in window terms
    return label;
}

}  // namespace

TVornixStats::TVornixStats(SettingsFile& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("VornixStats"));
    setWindowTitle(QStringLiteral("Vornix Statistics"));
    setFixedSize(298, 259);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 281, 201);

    // One row per figure: caption at the left, value right-aligned.
    const struct {
        const char* caption;
        const char* name;
        int top;
        QLabel** label;
    } rows[] = {
        {"File count", "FileCount", 16, &FileCount},
        {"VORNIX.DAT common words", "DATwords", 34, &DATwords},
        {"Common words found in text", "DATfound", 51, &DATfound},
        {"Common words not found in text", "DATunused", 69, &DATunused},
        {"Total words from file(s)", "TotWords", 86, &TotWords},
        {"Unique words", "UniqueWords", 104, &UniqueWords},
        {"Unique non-common words", "UniqueWords2", 122, &UniqueWords2},
        {"Unique numeric \"words\"", "UniqueNums", 140, &UniqueNums},
    };
    for (const auto& row : rows) {
        Caption(panel, QLatin1String(row.caption), row.top);
        *row.label = Value(panel, row.name, row.top);
    }
    Caption(panel, QStringLiteral("Files read"), 166);
    FileList = new QComboBox(panel);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setEditable(true);
    FileList->setInsertPolicy(QComboBox::NoInsert);
    FileList->setGeometry(88, 166 - 10, 154, 22);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(111, 220, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

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
    if (FileList->count() > 0) FileList->setCurrentIndex(0);
}

void TVornixStats::SetFileList(const std::vector<std::string>& names) {
    FileList->clear();
    for (const std::string& name : names) FileList->addItem(UiText(name));
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
