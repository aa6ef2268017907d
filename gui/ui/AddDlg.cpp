#include "gui/ui/AddDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "core/display/ResultFilter.h"
#include "core/engine/WordStore.h"
#include "core/files/Settings.h"
#include "gui/ui/WindowPlacement.h"

namespace vornix {

namespace {

QButtonGroup* MakeGroup(QWidget* parent, const char* name, const QString& title, const QStringList& items) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name) + QLatin1String("Box"));
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(parent);
    group->setObjectName(QLatin1String(name));
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setObjectName(QLatin1String(name) + QString::number(i));
        layout->addWidget(button);
        group->addButton(button, i);
    }
    return group;
}

// A stored index above the last choice selects the last; below 0 selects none.
void Select(QButtonGroup* group, int index) {
    const int last = static_cast<int>(group->buttons().size()) - 1;
    if (index > last) index = last;
    if (index < 0) {
        group->setExclusive(false);
        for (QAbstractButton* b : group->buttons()) b->setChecked(false);
        group->setExclusive(true);
        return;
    }
    group->button(index)->setChecked(true);
}

int Selected(const QButtonGroup* group, int fallback) {
    const int id = group->checkedId();
    return id < 0 ? fallback : id;
}

}  // namespace

TAddDlg::TAddDlg(SettingsFile& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("AddDlg"));
    setWindowTitle(QStringLiteral("Vornix: Additional Settings"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

    auto* thresholdLabel = new QLabel(QStringLiteral("Frequency threshold"), this);
    Threshold = new QSpinBox(this);
    Threshold->setObjectName(QStringLiteral("Threshold"));
    Threshold->setRange(INT_MIN, INT_MAX);
    thresholdLabel->setBuddy(Threshold);

    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));

    Separator = MakeGroup(this, "Separator", QStringLiteral("Separator character"),
                          {QStringLiteral("Space"), QStringLiteral("Tab"), QStringLiteral("Comma")});
    CharacterSet = MakeGroup(this, "CharacterSet", QStringLiteral("Character set"),
                             {QStringLiteral("Windows"), QStringLiteral("DOS")});

    CancelBut = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBut->setObjectName(QStringLiteral("CancelBut"));

    Possessive = MakeGroup(this, "Possessive", QStringLiteral("Possessives like CAT'S to be read ..."),
                           {QStringLiteral("As CAT'S"), QStringLiteral("As CAT")});

    DetectUnicode = new QCheckBox(QStringLiteral("Detect Unicode documents (UTF-8, UTF-16)"), this);
    DetectUnicode->setObjectName(QStringLiteral("DetectUnicode"));
    AllScripts = new QCheckBox(QStringLiteral("Count words of every script"), this);
    AllScripts->setObjectName(QStringLiteral("AllScripts"));
    auto* maxWordsLabel = new QLabel(QStringLiteral("Most distinct words"), this);
    MaxWords = new QSpinBox(this);
    MaxWords->setObjectName(QStringLiteral("MaxWords"));
    MaxWords->setRange(WordStore::LeastMaxWords, WordStore::MostMaxWords);
    MaxWords->setSingleStep(100000);
    maxWordsLabel->setBuddy(MaxWords);

    // Layouts, not positions, so that every caption fits the desktop's font: the
    // threshold and the three choices at the left, the buttons in a column at the right.
    auto* form = new QGridLayout;
    auto* threshold = new QHBoxLayout;
    threshold->addWidget(thresholdLabel);
    threshold->addWidget(Threshold, 1);
    form->addLayout(threshold, 0, 0, 1, 2);
    form->addWidget(Separator->buttons().front()->parentWidget(), 1, 0);
    form->addWidget(CharacterSet->buttons().front()->parentWidget(), 1, 1);
    form->addWidget(Possessive->buttons().front()->parentWidget(), 2, 0, 1, 2);
    form->addWidget(DetectUnicode, 3, 0, 1, 2);
    form->addWidget(AllScripts, 4, 0, 1, 2);
    auto* maxWords = new QHBoxLayout;
    maxWords->addWidget(maxWordsLabel);
    maxWords->addWidget(MaxWords, 1);
    form->addLayout(maxWords, 5, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {OKBtn, CancelBut, HelpBtn}) buttons->addWidget(button);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(OKBtn, Threshold);
    setTabOrder(Threshold, HelpBtn);

    connect(OKBtn, &QPushButton::clicked, this, &TAddDlg::accept);
    connect(CancelBut, &QPushButton::clicked, this, &TAddDlg::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp();
    });

    LoadFromSettings();
}

void TAddDlg::LoadFromSettings() {
    Threshold->setValue(settings_.IniNumber("Threshold", 1));
    Select(Separator, settings_.IniNumber("SepIndex", 1));
    Select(CharacterSet, settings_.IniNumber("CharIndex", 0));
    Select(Possessive, settings_.IniNumber("Possess", 0));
    DetectUnicode->setChecked(DetectUnicodeSetting(settings_));
    AllScripts->setChecked(AllScriptsSetting(settings_));
    MaxWords->setValue(MaxWordsSetting(settings_));
}

int TAddDlg::ThresholdValue() const {
    return ThresholdFromText(Threshold->cleanText().toStdString());
}
int TAddDlg::SepIndex() const {
    return Selected(Separator, 1);
}
int TAddDlg::CharIndex() const {
    return Selected(CharacterSet, 0);
}
int TAddDlg::PossessIndex() const {
    return Selected(Possessive, 0);
}
bool TAddDlg::DetectUnicodeChecked() const {
    return DetectUnicode->isChecked();
}
bool TAddDlg::AllScriptsChecked() const {
    return AllScripts->isChecked();
}
int TAddDlg::MaxWordsValue() const {
    return MaxWords->value();
}

void TAddDlg::showEvent(QShowEvent* event) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    RestoreWindowPos(settings_, QStringLiteral("addwin"), this);
    QDialog::showEvent(event);
    OKBtn->setFocus();
}

void TAddDlg::accept() {
    // A text that is no whole number counts as 0. Put that into the control too: the
    // spin box would otherwise bring back its last number on closing, and the threshold
    // in force would differ from the one stored.
    Threshold->setValue(ThresholdValue());
    settings_.IniPutNumber("Threshold", ThresholdValue());
    settings_.IniPutNumber("SepIndex", SepIndex());
    settings_.IniPutNumber("CharIndex", CharIndex());
    settings_.IniPutNumber("Possess", PossessIndex());
    PutDetectUnicodeSetting(settings_, DetectUnicodeChecked());
    PutAllScriptsSetting(settings_, AllScriptsChecked());
    // The spin box keeps its value within the bounds; a half-typed text is taken as
    // the box would take it on leaving it.
    MaxWords->interpretText();
    PutMaxWordsSetting(settings_, MaxWordsValue());
    SaveWindowPos(settings_, QStringLiteral("addwin"), this);
    QDialog::accept();
}

void TAddDlg::reject() {
    // Every change since the last OK is undone, also when the close box was used:
    // values left in the controls but never stored would be a change nobody confirmed.
    LoadFromSettings();
    SaveWindowPos(settings_, QStringLiteral("addwin"), this);
    QDialog::reject();
}

}  // namespace vornix
