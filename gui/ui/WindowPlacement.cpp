#include "gui/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

#include "core/files/Settings.h"

namespace vornix {

namespace {

std::string Key(const QString& name, const char* field) {
    return (name + QLatin1String(field)).toStdString();
}

}  // namespace

void RestoreWindow(SettingsFile& settings, const QString& name, QWidget* window) {
    int left = settings.IniNumber(Key(name, "Left"), window->x());
    int top = settings.IniNumber(Key(name, "Top"), window->y());
    int height = settings.IniNumber(Key(name, "Height"), window->height());
    int width = settings.IniNumber(Key(name, "Width"), window->width());
    if (settings.IniFlag(Key(name, "Max"))) {
        // The bounds it gets back when restored, limited to the screen: a stored size of
        // any magnitude must not become a window of gigabytes.
        const QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                            : QRect(0, 0, 640, 480);
        width = std::clamp(width, 1, std::max(1, area.width()));
        height = std::clamp(height, 1, std::max(1, area.height()));
        left = std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - width));
        top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - height));
        window->setGeometry(left, top, width, height);
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        return;
    }
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect();
    const int w = screen.width(), h = screen.height();
    if (left < 0)
        left = 0;
    else if (left > w - 20)
        left = w - 20;
    if (top < 0)
        top = 0;
    else if (top > h - 20)
        top = h - 20;
    if (width > w) width = w - 20;
    if (height > h) height = h - 10;
    window->move(left, top);
    window->resize(width, height);
}

void RestoreWindowPos(SettingsFile& settings, const QString& name, QWidget* window) {
    const int left = settings.IniNumber(Key(name, "Left"), window->x());
    const int top = settings.IniNumber(Key(name, "Top"), window->y());
    window->move(left, top);
    KeepOnScreen(window);
}

void SaveWindow(SettingsFile& settings, const QString& name, QWidget* window) {
    const bool maximised = window->isMaximized();
    settings.IniPutFlag(Key(name, "Max"), maximised);
    QRect bounds = window->geometry();
    if (maximised) {
        bounds = window->normalGeometry();
        window->hide();
        window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    }
    settings.IniPutNumber(Key(name, "Left"), maximised ? bounds.x() : window->x());
    settings.IniPutNumber(Key(name, "Top"), maximised ? bounds.y() : window->y());
    settings.IniPutNumber(Key(name, "Height"), bounds.height());
    settings.IniPutNumber(Key(name, "Width"), bounds.width());
}

void SaveWindowPos(SettingsFile& settings, const QString& name, QWidget* window) {
    settings.IniPutNumber(Key(name, "Left"), window->x());
    settings.IniPutNumber(Key(name, "Top"), window->y());
}

void KeepOnScreen(QWidget* window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame's extra (title bar, borders) counts too, once the window has one.
    const QRect frame = window->frameGeometry();
    const int extraW = std::max(0, frame.width() - window->width());
    const int extraH = std::max(0, frame.height() - window->height());
    const int width = std::min(window->width(), std::max(1, area.width() - extraW));
    const int height = std::min(window->height(), std::max(1, area.height() - extraH));
    if (width != window->width() || height != window->height()) window->resize(width, height);
    const int left = std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - width - extraW));
    const int top = std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - height - extraH));
    if (left != frame.left() || top != frame.top()) window->move(left, top);
}

QRect ToolWindowPlace(QSize size, const QRect& main, const QRect& area, int down) {
    constexpr int kGap = 8;     // between the main window and one beside it
    constexpr int kInset = 40;  // one over it leaves the main window's title and menus in view
    const int width = std::min(size.width(), std::max(1, area.width()));
    const int height = std::min(size.height(), std::max(1, area.height()));
    int left = main.left() + kInset;
    int top = main.top() + kInset;
    if (main.right() + kGap + width <= area.right()) {
        left = main.right() + 1 + kGap;
        top = main.top() + down;
    } else if (main.left() - kGap - width >= area.left()) {
        left = main.left() - kGap - width;
        top = main.top() + down;
    }
    left = std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - width));
    top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - height));
    return {left, top, width, height};
}

void PlaceToolWindow(QWidget* window, const QWidget* main, int down) {
    QScreen* screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // The frame's extra (title bar, borders) counts too, once the window has one.
    const QRect frame = window->frameGeometry();
    QSize extra(std::max(0, frame.width() - window->width()), std::max(0, frame.height() - window->height()));
    // A window manager frames a new window only some time after it is shown: till then
    // its frame is taken to be the main window's, or its title bar would end up below
    // the screen's edge.
    if (extra.isNull()) {
        const QRect mainFrame = main->frameGeometry();
        extra = QSize(std::max(0, mainFrame.width() - main->width()), std::max(0, mainFrame.height() - main->height()));
    }
    const QRect place =
        ToolWindowPlace(window->size() + extra, main->frameGeometry(), screen->availableGeometry(), down);
    const QSize inner = place.size() - extra;
    if (inner != window->size()) window->resize(inner);
    window->move(place.topLeft());
}

QString ToolWindowTitle(const QString& name) {
    return QStringLiteral("Vornix: ") + name;
}

void CenterOnScreen(QWidget* window) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

QString DocumentsFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) return {};
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

}  // namespace vornix
