#pragma once

#include <QPoint>
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

// Places `window` beside `main` by placeBesideMain.
void PlaceBesideMain(const QWidget& main, QWidget& window);

} // namespace app
