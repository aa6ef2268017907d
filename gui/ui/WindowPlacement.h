#pragma once
// Window positions and sizes kept in the settings under a placement name: the name is
// put in front of the field (MainLeft, statwinTop, ...). Left and top are the window's
// position, width and height its size, in screen pixels. And the conventions of our own
// tool windows: where they open and how they are titled.
#include <QRect>
#include <QString>

class QWidget;

namespace vornix {

class SettingsFile;

// Left, top, height and width from the settings (current values as defaults); then
// maximised when the placement's Max flag is set, else brought onto the primary screen.
void RestoreWindow(SettingsFile& settings, const QString& name, QWidget* window);
// Left and top only, no correction.
void RestoreWindowPos(SettingsFile& settings, const QString& name, QWidget* window);
// Max flag, then the normal bounds (for a maximised window the bounds it has when
// restored); a maximised window is hidden and put back in the normal state.
void SaveWindow(SettingsFile& settings, const QString& name, QWidget* window);
void SaveWindowPos(SettingsFile& settings, const QString& name, QWidget* window);

// Puts a window at the centre of the primary screen (the place of a dialog whose
// position was never stored).
void CenterOnScreen(QWidget* window);
// Moves (and if need be shrinks) the window so that it lies wholly inside the
// available area of the screen: a stored place or a big font must not put any of it
// off the screen or under a panel.
void KeepOnScreen(QWidget* window);

// Where a tool window of frame size `size` opens by the main window's frame `main` on
// the available screen area: beside it (on its right when there is room, else on its
// left), level with it and `down` pixels lower; over it, a little in from its corner,
// when neither side has room; in every case moved in (and at worst shrunk) to lie
// wholly inside `area`.
QRect ToolWindowPlace(QSize size, const QRect& main, const QRect& area, int down = 0);
// Moves window there, by the main window on the main window's screen.
void PlaceToolWindow(QWidget* window, const QWidget* main, int down = 0);
// "Vornix: Charts": the title of a window of our own (the windows the program has
// always had keep their captions).
QString ToolWindowTitle(const QString& name);

// The user's documents folder with "/" at its end; empty when the system gives none.
QString DocumentsFolder();

}  // namespace vornix
