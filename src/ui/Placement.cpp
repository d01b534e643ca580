#include "ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

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

} // namespace ui
