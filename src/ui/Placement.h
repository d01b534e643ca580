#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace ui {

// The width of the primary screen in pixels.
int primaryScreenWidth();

// The outer bounds of a top-level window. The window manager's decorations are known only
// once a window has been shown with them; until then the window is taken to wear the same
// decorations as `shown`, a window of the program that is on the screen.
QRect outerBounds(const QWidget& window, const QWidget& shown);

// Whether the program places its own top-level windows. On Wayland the compositor places
// every window and the toolkit warns at each try, so the program leaves it to it.
bool windowsPlaceable();
// Moves a top-level window's outer bounds to `where`, where windows are placeable.
void placeWindow(QWidget& window, QPoint where);
// Raises a shown window and gives it the focus, where the platform lets a program do that.
void bringToFront(QWidget& window);

} // namespace ui
