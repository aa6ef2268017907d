#pragma once
// The one seam between the windows and what needs a person: message boxes and file
// dialogs. The program uses the Qt implementation; tests answer through their own.
#include <QString>
#include <QStringList>
#include <string>

class QWidget;

namespace vornix {

// The core takes paths as the file system's bytes, and its messages carry such paths:
// the windows convert both ways here only.
std::string Path(const QString& path);
QString UiText(const std::string& bytes);

struct OpenFilesRequest {
    QString title;
    QString folder;    // starting folder; empty for the system's default
    QString filter;    // "Text files (*.txt);;All files (*)"
    QString fileName;  // preset file name, may be empty
};

struct SaveFileRequest {
    QString folder;
    QString filter;
    QString defaultSuffix;  // added when the user types a name without one
};

class UiServices {
public:
    virtual ~UiServices() = default;
    // Titles "Warning", "Information", "Error"; "Confirm" with Yes and No.
    virtual void Warning(QWidget* parent, const QString& text) = 0;
    virtual void Information(QWidget* parent, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& text) = 0;
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // Full paths of the chosen files, in the dialog's order; empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const OpenFilesRequest& request) = 0;
    // One file that need not exist; empty when cancelled.
    virtual QString OpenFile(QWidget* parent, const OpenFilesRequest& request) = 0;
    virtual QString SaveFile(QWidget* parent, const SaveFileRequest& request) = 0;
};

// Qt's own message boxes and (non-native) file dialogs.
class QtUiServices : public UiServices {
public:
    void Warning(QWidget* parent, const QString& text) override;
    void Information(QWidget* parent, const QString& text) override;
    void Error(QWidget* parent, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& text) override;
    QStringList OpenFiles(QWidget* parent, const OpenFilesRequest& request) override;
    QString OpenFile(QWidget* parent, const OpenFilesRequest& request) override;
    QString SaveFile(QWidget* parent, const SaveFileRequest& request) override;
};

}  // namespace vornix
