#pragma once
// "Save analysis", "Export table" and "Copy to clipboard": the table as it is shown,
// through the same walk as the grid, with the dispersion columns when they are shown.
#include <QObject>
#include <QString>
#include <string>

#include "core/display/ResultFilter.h"

namespace vornix {

class WindowContext;

class OutputController : public QObject {
    Q_OBJECT
public:
    explicit OutputController(WindowContext& context);

    // The save dialog's starting folder.
    const QString& SavePath() const { return savePath_; }
    void SetSavePath(const QString& folder) { savePath_ = folder; }

private slots:
    void SaveAnalysis1Click();
    void CopytoClipboard1Click();
    void ExportTable1Click();

private:
    char Separator() const;
    // Replaces the chosen file (or the file its link points to) with bytes.
    void WriteChosen(const QString& chosen, const std::string& bytes);
    // The bytes Save writes and Copy puts on the clipboard (before its decoding).
    std::string Analysis(const DisplayOptions& options, char separator) const;

    WindowContext& context_;
    QString savePath_;
};

}  // namespace vornix
