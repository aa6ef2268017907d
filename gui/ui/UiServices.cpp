#include "gui/ui/UiServices.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <memory>

namespace vornix {

std::string Path(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString UiText(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

void QtUiServices::Warning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QStringLiteral("Warning"), text);
}

void QtUiServices::Information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Information"), text);
}

void QtUiServices::Error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}

bool QtUiServices::Confirm(QWidget* parent, const QString& text) {
    // No is the default: Enter never throws away work or stops a run by accident.
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

namespace {

QFileDialog* MakeDialog(QWidget* parent, const QString& title, const QString& folder, const QString& filter) {
    auto* dialog = new QFileDialog(parent, title, folder, filter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    return dialog;
}

}  // namespace

QStringList QtUiServices::OpenFiles(QWidget* parent, const OpenFilesRequest& request) {
    std::unique_ptr<QFileDialog> dialog(MakeDialog(parent, request.title, request.folder, request.filter));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog->exec() != QDialog::Accepted) return {};
    return dialog->selectedFiles();
}

QString QtUiServices::OpenFile(QWidget* parent, const OpenFilesRequest& request) {
    std::unique_ptr<QFileDialog> dialog(MakeDialog(parent, request.title, request.folder, request.filter));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.fileName.isEmpty()) dialog->selectFile(request.fileName);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().first();
}

QString QtUiServices::SaveFile(QWidget* parent, const SaveFileRequest& request) {
    std::unique_ptr<QFileDialog> dialog(MakeDialog(parent, QString(), request.folder, request.filter));
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    // An existing file is replaced without a question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDefaultSuffix(request.defaultSuffix);
    // A name typed without an ending gets the ending of the file type chosen in the
    // dialog ("JSON files (*.json)"), when that type names exactly one.
    QFileDialog* shown = dialog.get();
    QObject::connect(shown, &QFileDialog::filterSelected, shown, [shown, request](const QString& filter) {
        const QRegularExpressionMatch one = QRegularExpression(QStringLiteral("\\(\\*\\.(\\w+)\\)$")).match(filter);
        shown->setDefaultSuffix(one.hasMatch() ? one.captured(1) : request.defaultSuffix);
    });
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().first();
}

}  // namespace vornix
