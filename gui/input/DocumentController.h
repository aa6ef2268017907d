#pragma once
// Document input: "Open document(s)", "Open clipboard", Break, the File menu's enabling,
// the Open File button and the progress line, and the window's half of a run (busy
// mode, the closing steps).
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/files/RecentDocuments.h"

class QEvent;
class QLabel;
class QPushButton;
class QMimeData;
class QWidget;

namespace vornix {

class WindowContext;

class DocumentController : public QObject {
    Q_OBJECT
public:
    // The progress line goes into client's layout.
    DocumentController(WindowContext& context, QWidget* client);
    // The Open File button floats over client, above its other widgets.
    void AddOpenButton(QWidget* client);

    // The run reports its status and progress through this controller.
    void AttachRunHooks();
    // Escape while the progress line shows is Break. Returns true when the key was taken.
    bool FormKeyDown(int key);
    // A right click on the Open File button opens the clipboard. True when consumed.
    bool FilterEvent(QObject* watched, QEvent* event);
    void ShowOpenButton(bool shown);
    void SetOpenButtonEnabled(bool enabled);
    // The Open File button in the middle of the client area above the status panel.
    void Layout(int clientWidth, int clientHeight, int panelHeight);
    // The open dialog's starting folder.
    const QString& OpenDir() const { return openDir_; }
    // Analyses these documents as "Open document(s)" does (files named at start, a recent
    // set). Refused while a run is on.
    void OpenDocuments(const QStringList& files);
    // Puts the "Open recent" list into the settings, when it was used.
    void SaveRecent();
    // A drop on the idle window: local files are opened together, other text is counted
    // as clipboard text is. False when the drop holds neither.
    bool Drop(const QMimeData* data, bool apply);
    void SetOpenDir(const QString& folder) { openDir_ = folder; }

private slots:
    void File1Click();
    void Open1Click();
    void OpenClipboard1Click();
    void ReadText(const std::function<QString()>& text);
    void Break1Click();
    void FillRecentMenu();

private:
    // One run: busy mode, the inputs, and always the closing steps, also after a file
    // error (which is shown in the error box).
    void RunAnalysis(const std::function<void()>& readInputs);
    void GeneralInitialize();
    void GeneralClosedown();
    void ShowProgress();
    bool ClipboardHasText() const;
    bool StripPossessives() const;

    WindowContext& context_;
    QLabel* TopStatus;
    QPushButton* OpenBut = nullptr;
    RecentDocuments recent_;
    bool recentLoaded_ = false;
    QString openDir_;
};

}  // namespace vornix
