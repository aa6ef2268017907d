// "Save analysis", "Copy to clipboard" and the Edit menu's enabling: the table as it is
// shown, through the same walk as the grid.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QTableView>

#include "display/SearchWindow.h"
#include "engine/Errors.h"
#include "input/Cp1252.h"
#include "output/OutputWalk.h"
#include "shell/AddDlg.h"
#include "shell/AtomicFile.h"
#include "shell/SettingsFolders.h"
#include "shell/UiServices.h"
#include "shell/VornixMain.h"

namespace vornix {

namespace {

QString DefaultExtension(ResultOrder order) {
    switch (order) {
        case ResultOrder::Alphabetical:
            return QStringLiteral("vxa");
        case ResultOrder::WordLength:
            return QStringLiteral("vxl");
        case ResultOrder::Frequency:
            break;
    }
    return QStringLiteral("vxf");
}

}  // namespace

void TVornixMain::SaveAnalysis1Click() {
    const DisplayOptions options = CurrentDisplayOptions();
    SaveFileRequest request;
    request.folder = savePath_;
    request.filter = QStringLiteral("Vornix files (*.vx?)");
    request.defaultSuffix = DefaultExtension(options.Order);
    const QString chosen = ui_.SaveFile(this, request);
    if (chosen.isEmpty()) return;
    const char separator = SeparatorChar(addDlg_ ? addDlg_->SepIndex() : 1);
    const std::string path = Path(chosen);
    // Saving over a symbolic link writes the file it points to; the user's link stays.
    QString target = chosen;
    const QFileInfo chosenInfo(chosen);
    if (chosenInfo.isSymLink())
        target = chosenInfo.canonicalFilePath().isEmpty() ? chosenInfo.symLinkTarget() : chosenInfo.canonicalFilePath();
    try {
        // The file is replaced whole or not at all: a failure leaves an older file of
        // that name as it was.
        WriteFileAtomically(Path(target), FormatAnalysis(run_->Store(), run_->Orders(), options, separator));
    } catch (const FileError& e) {
        ShowErrorBox(UiText(RunTimeErrorMessage(e.Code())));
        return;
    }
    ShowStatus(QStringLiteral("Saved as ") + chosen);
    savePath_ = UiText(StartingFolder(FolderOfPath(path)));
}

void TVornixMain::CopytoClipboard1Click() {
    const char separator = SeparatorChar(addDlg_ ? addDlg_->SepIndex() : 1);
    const std::string bytes = FormatAnalysis(run_->Store(), run_->Orders(), CurrentDisplayOptions(), separator);
    const std::u16string text = Utf16FromCp1252(bytes);
    QGuiApplication::clipboard()->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    ShowStatus(QStringLiteral("Saved to clipboard."));
}

void TVornixMain::Edit1Click() {
    const bool gridShown = Grid->isVisible();
    Find1->setEnabled(gridShown);
    FindNext1->setEnabled(gridShown && search_ && search_->CanFindNext());
    CopytoClipboard1->setEnabled(run_->Store().WordCount() > 0);
}

}  // namespace vornix
