#include "gui/output/OutputController.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>

#include "core/dispersion/RunDispersion.h"
#include "core/engine/AnalysisRun.h"
#include "core/engine/Cp1252.h"
#include "core/engine/Errors.h"
#include "core/files/AtomicFile.h"
#include "core/files/SettingsFolders.h"
#include "core/output/OutputWalk.h"
#include "core/output/TableFormats.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/AnalysisWindow.h"
#include "gui/ui/UiServices.h"
#include "gui/ui/WindowContext.h"

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

OutputController::OutputController(WindowContext& context) : QObject(&context.window), context_(context) {
    setObjectName(QStringLiteral("OutputController"));
    context_.OnItem("SaveAnalysis1", this, [this] { SaveAnalysis1Click(); });
    context_.OnItem("CopytoClipboard1", this, [this] { CopytoClipboard1Click(); });
    context_.OnItem("ExportTable1", this, [this] { ExportTable1Click(); });
}

char OutputController::Separator() const {
    return SeparatorChar(context_.addDlg ? context_.addDlg->SepIndex() : 1);
}

std::string OutputController::Analysis(const DisplayOptions& options, char separator) const {
    AnalysisRun& run = context_.Run();
    // With "Show dispersion" each line gains the range and DP, as the table shows them.
    if (context_.Item("ShowDispersion1")->isChecked() && context_.dispersionReady && context_.dispersionReady())
        return FormatAnalysisWithDispersion(run.Store(), run.Orders(), options, separator, context_.dispersion->Parts(),
                                            context_.dispersion->Figures());
    return FormatAnalysis(run.Store(), run.Orders(), options, separator);
}

void OutputController::SaveAnalysis1Click() {
    const DisplayOptions options = context_.displayOptions();
    SaveFileRequest request;
    request.folder = savePath_;
    request.filter = QStringLiteral("Vornix files (*.vx?)");
    request.defaultSuffix = DefaultExtension(options.Order);
    const QString chosen = context_.ui.SaveFile(&context_.window, request);
    if (chosen.isEmpty()) return;
    WriteChosen(chosen, Analysis(options, Separator()));
}

void OutputController::ExportTable1Click() {
    SaveFileRequest request;
    request.folder = savePath_;
    request.filter = QStringLiteral("CSV files (*.csv);;TSV files (*.tsv);;JSON files (*.json)");
    request.defaultSuffix = QStringLiteral("csv");
    const QString chosen = context_.ui.SaveFile(&context_.window, request);
    if (chosen.isEmpty()) return;
    // The name's ending picks the format; any other name gets the first one offered.
    TableFormat format = FormatForFileName(chosen);
    if (format == TableFormat::Table) format = TableFormat::Csv;
    // The command line's writer, so that the file is what vornix-count --format writes
    // for the same document and choices.
    WriteChosen(chosen, FormatWordTable(context_.Run().Store(), context_.Run().Orders(), context_.displayOptions(),
                                        format, Separator()));
}

void OutputController::WriteChosen(const QString& chosen, const std::string& bytes) {
    const std::string path = Path(chosen);
    // Saving over a symbolic link writes the file it points to; the user's link stays.
    QString target = chosen;
    const QFileInfo chosenInfo(chosen);
    if (chosenInfo.isSymLink())
        target = chosenInfo.canonicalFilePath().isEmpty() ? chosenInfo.symLinkTarget() : chosenInfo.canonicalFilePath();
    try {
        // The file is replaced whole or not at all: a failure leaves an older file of
        // that name as it was.
        WriteFileAtomically(Path(target), bytes);
    } catch (const FileError& e) {
        context_.ShowErrorBox(UiText(RunTimeErrorMessage(e.Code())));
        return;
    }
    context_.ShowStatus(QStringLiteral("Saved as ") + chosen);
    savePath_ = UiText(StartingFolder(FolderOfPath(path)));
}

void OutputController::CopytoClipboard1Click() {
    const std::string bytes = Analysis(context_.displayOptions(), Separator());
    const std::u16string text = Utf16FromCp1252(bytes);
    QGuiApplication::clipboard()->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
    context_.ShowStatus(QStringLiteral("Saved to clipboard."));
}

}  // namespace vornix
