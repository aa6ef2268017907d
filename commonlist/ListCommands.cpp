// The Options menu: which common words list the next run reads.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>

#include "shell/Settings.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"

namespace vornix {

namespace {

// Upper case for a to z only, as the path comparison of the Options menu wants.
QString UpperAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return out;
}

}  // namespace

void TVornixMain::Options1Click() {
    RestoredefaultlistVornixdat1->setEnabled(UpperAscii(currentCommonList_) != UpperAscii(defaultCommonList_));
}

void TVornixMain::ReadCommonWordList1Click() {
    ReadCommonWordList1->setChecked(!ReadCommonWordList1->isChecked());
    ShowCommonWords1->setEnabled(ReadCommonWordList1->isChecked());
}

void TVornixMain::Selectcustomlist1Click() {
    const QString custom = UiText(settings_.IniSetting("CustomDat"));
    OpenFilesRequest request;
    if (!custom.isEmpty()) {
        request.folder = QFileInfo(custom).path();
        customDatName_ = custom;
    } else {
        request.folder = QFileInfo(currentCommonList_).path();
    }
    request.fileName = customDatName_;
    const QString chosen = ui_.OpenFile(this, request);
    if (chosen.isEmpty()) return;
    customDatName_ = chosen;
    currentCommonList_ = QFileInfo(chosen).absoluteFilePath();
}

void TVornixMain::RestoredefaultlistVornixdat1Click() {
    currentCommonList_ = defaultCommonList_;
}

bool TVornixMain::EditorOpen() const {
    return Memo1->isVisibleTo(central_);
}

void TVornixMain::LeaveEditor() {
    for (QWidget* w : std::initializer_list<QWidget*>{Memo1, SaveBut, SortBut, CancelBut, HelpBut}) w->hide();
}

}  // namespace vornix
