#pragma once
// What the main window's controllers share: the window, the seams, the settings, the
// analysis run, the status line and busy mode, and the few requests one controller makes
// of another. The main window owns it and wires the requests, so that a controller
// never includes another's header.
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "core/display/ResultFilter.h"
#include "core/engine/CharTable.h"
#include "core/engine/TextDecoder.h"

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace vornix {

class AnalysisRun;
struct ContextQuery;
class RunDispersion;
class SettingsFile;
class TAddDlg;
class UiServices;

class WindowContext {
public:
    WindowContext(QWidget& window, UiServices& ui, SettingsFile& settings);

    QWidget& window;
    UiServices& ui;
    SettingsFile& settings;
    AnalysisRun* run = nullptr;
    RunDispersion* dispersion = nullptr;  // the run's parts, when kept
    TAddDlg* addDlg = nullptr;            // absent in some tests
    bool busy = false;                    // a run is going

    AnalysisRun& Run() const { return *run; }

    // The rules the next run counts by, as the settings dialog and the settings file
    // hold them; an analysis that counts other documents (a reference) uses the same.
    CharacterSet RunCharacterSet() const;
    EncodingChoice RunEncoding() const;
    bool StripPossessives() const;

    // A menu item or menu of the window, by object name.
    QAction* Item(const char* name) const;
    QMenu* Menu(const char* name) const;
    // Runs handler when the item is chosen. A check item's handler inverts its own mark,
    // as a direct call would; the toggle Qt made on the way is undone first.
    void OnItem(const char* name, QObject* receiver, std::function<void()> handler) const;
    // Runs handler when the menu opens (also before one of its shortcuts acts).
    void OnMenuOpening(const char* name, QObject* receiver, std::function<void()> handler) const;

    // The bottom status line; pending events run, so that it shows at once.
    void ShowStatus(const QString& text);
    // The error box, with the arrow cursor over it during a run.
    void ShowErrorBox(const QString& text) const;
    // Whether pending events ran at least this long ago (for the progress line).
    bool EventsDue(long long intervalMs) const;
    void EventsRan();

    // Requests between controllers, set by the main window.
    std::function<void(const QString&)> statusLine;  // writes the line's label
    std::function<void(bool)> setResultsView;        // table and tabs, or the green face
    std::function<void()> formResize;
    std::function<void()> displayResults;
    std::function<void()> recordStats;
    std::function<void(bool)> enableDodgyOptions;
    std::function<DisplayOptions()> displayOptions;
    std::function<bool()> editorMayGo;        // closes the list editor if it may; true when closed
    std::function<void()> leaveEditor;        // hides the list editor without saving
    std::function<void()> clearForRun;        // empties the editor's text and the table: a run starts
    std::function<std::string()> listToRead;  // the common words list of the next run, or ""
    std::function<QString()> currentCommonList;
    std::function<void(const QString&)> showHelp;
    // The run's parts and dispersion figures in context.dispersion, read again from the
    // documents (with progress and Break) when the run did not record them; false when
    // there are none (no run, a Break).
    std::function<bool()> dispersionReady;
    // The word table was filled anew: after a run, or with other display options.
    std::function<void()> resultsRefilled;
    // The Word in context window for a stored word of the run, with its count.
    std::function<void(const std::string& stored, std::int32_t count)> showInContext;
    // The same for a phrase or a word near another, with its caption and the lines
    // expected (or 0).
    std::function<void(const ContextQuery& query, const QString& shown, std::int32_t count)> showQueryInContext;

private:
    QElapsedTimer sinceEvents_;
};

}  // namespace vornix
