#include "app/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace app {

QPoint placeBesideMain(const QRect& main, const QRect& window, int screenWidth) {
    int left = screenWidth < main.left() + main.width() + window.width()
                   ? main.left() - window.width()
                   : main.left() + main.width();
    if (left < 0 || screenWidth < left + window.width())
        left = 0;
    return {left, std::max(main.top(), 0)};
}

QPoint placeBesideAlbum(const QRect& main, const QRect& album, const QRect& viewer,
                        int screenWidth) {
    int left =
        album.left() < main.left() ? album.left() - viewer.width() : album.left() + album.width();
    if (left < 0 || screenWidth < left + viewer.width())
        left = 0;
    return {left, std::max(album.top(), 0)};
}

int primaryScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

QRect outerBounds(const QWidget& window, const QWidget& shown) {
    const QRect frame = window.frameGeometry();
    if (frame != window.geometry())
        return frame;
    const QRect shownFrame = shown.frameGeometry();
    const QRect shownClient = shown.geometry();
    return frame.adjusted(
        shownFrame.left() - shownClient.left(), shownFrame.top() - shownClient.top(),
        shownFrame.right() - shownClient.right(), shownFrame.bottom() - shownClient.bottom());
}

void PlaceBesideMain(const QWidget& main, QWidget& window) {
    placeWindow(window, placeBesideMain(main.frameGeometry(), outerBounds(window, main),
                                        primaryScreenWidth()));
}

bool windowsPlaceable() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void placeWindow(QWidget& window, QPoint where) {
    // move() places the outer bounds' top-left corner of a top-level window.
    if (windowsPlaceable())
        window.move(where);
}

void bringToFront(QWidget& window) {
    window.raise();
    if (windowsPlaceable())
        window.activateWindow();
}

} // namespace app
