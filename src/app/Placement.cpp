#include "app/Placement.h"

#include "ui/Placement.h"

#include <QWidget>

#include <algorithm>

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

void PlaceBesideMain(const QWidget& main, QWidget& window) {
    ui::placeWindow(window, placeBesideMain(main.frameGeometry(), ui::outerBounds(window, main),
                                            ui::primaryScreenWidth()));
}

} // namespace app
