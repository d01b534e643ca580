#pragma once

#include <QRect>

class QWidget;

namespace app {

// Where a secondary window goes beside the main window: flush right of it, or left of it
// when the screen is too narrow, at x = 0 when neither fits; at the main window's top, but
// never above the screen. Rectangles are outer bounds; screenWidth is the primary screen's.
QPoint placeBesideMain(const QRect& main, const QRect& window, int screenWidth);

// Where the frame viewer goes the first time: on the far side of the album from the main
// window, at x = 0 when that is off screen, at the album's top but never above the screen.
QPoint placeBesideAlbum(const QRect& main, const QRect& album, const QRect& viewer,
                        int screenWidth);

// The width of the primary screen in pixels.
int primaryScreenWidth();

// The outer bounds of a top-level window. The window manager's decorations are known only
// once a window has been shown with them; until then the window is taken to wear the same
// decorations as `shown`, a window of the program that is on the screen.
QRect outerBounds(const QWidget& window, const QWidget& shown);

// Places `window` beside `main` by placeBesideMain.
void PlaceBesideMain(const QWidget& main, QWidget& window);

// Whether the program places its own top-level windows. On Wayland the compositor places
// every window and the toolkit warns at each try, so the program leaves it to it.
bool windowsPlaceable();
// Moves a top-level window's outer bounds to `where`, where windows are placeable.
void placeWindow(QWidget& window, QPoint where);
// Raises a shown window and gives it the focus, where the platform lets a program do that.
void bringToFront(QWidget& window);

} // namespace app
