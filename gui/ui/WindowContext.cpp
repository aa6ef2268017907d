#include "gui/ui/WindowContext.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

#include "core/files/Settings.h"
#include "gui/ui/AddDlg.h"
#include "gui/ui/UiServices.h"

namespace vornix {

WindowContext::WindowContext(QWidget& window, UiServices& ui, SettingsFile& settings)
    : window(window), ui(ui), settings(settings) {
    sinceEvents_.start();
}

CharacterSet WindowContext::RunCharacterSet() const {
    return CharacterSetFromIndex(addDlg ? addDlg->CharIndex() : 0);
}

EncodingChoice WindowContext::RunEncoding() const {
    return EncodingChoiceFor(DetectUnicodeSetting(settings));
}

bool WindowContext::StripPossessives() const {
    return settings.IniNumber("Possess", 0) == 1;
}

QAction* WindowContext::Item(const char* name) const {
    return window.findChild<QAction*>(QLatin1String(name));
}

QMenu* WindowContext::Menu(const char* name) const {
    return window.findChild<QMenu*>(QLatin1String(name));
}

void WindowContext::OnItem(const char* name, QObject* receiver, std::function<void()> handler) const {
    QAction* item = Item(name);
    QObject::connect(item, &QAction::triggered, receiver, [item, handler = std::move(handler)] {
        if (item->isCheckable()) item->setChecked(!item->isChecked());
        handler();
    });
}

void WindowContext::OnMenuOpening(const char* name, QObject* receiver, std::function<void()> handler) const {
    QObject::connect(Menu(name), &QMenu::aboutToShow, receiver, std::move(handler));
}

void WindowContext::ShowStatus(const QString& text) {
    if (statusLine) statusLine(text);
    QCoreApplication::processEvents();
    EventsRan();
}

void WindowContext::ShowErrorBox(const QString& text) const {
    const bool hourglass = QGuiApplication::overrideCursor() != nullptr;
    if (hourglass) QGuiApplication::changeOverrideCursor(Qt::ArrowCursor);
    ui.Error(&window, text);
    if (hourglass) QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
}

bool WindowContext::EventsDue(long long intervalMs) const {
    return sinceEvents_.elapsed() >= intervalMs;
}

void WindowContext::EventsRan() {
    sinceEvents_.restart();
}

}  // namespace vornix
