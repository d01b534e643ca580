#include "app/Placement.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(Placement, BesideTheMainWindow) {
    struct Row {
        QRect main;
        int windowWidth;
        QPoint expected;
    } rows[] = {
        {{0, 0, 343, 318}, 120, {343, 0}},      // flush right
        {{1000, 50, 200, 300}, 120, {880, 50}}, // no room right: to the left
        {{60, 10, 1200, 300}, 120, {0, 10}},    // left would be negative
        {{100, -40, 300, 300}, 120, {400, 0}},  // above the screen: top 0
        {{1160, 0, 120, 100}, 120, {1040, 0}},  // exactly no room right
        {{1040, 0, 120, 100}, 120, {1160, 0}},  // exactly room right
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::placeBesideMain(r.main, QRect(0, 0, r.windowWidth, 280), 1280), r.expected)
            << r.main.x() << "," << r.main.y();
}

TEST(Placement, ViewerBesideTheAlbum) {
    struct Row {
        QRect main, album;
        int viewerWidth;
        QPoint expected;
    } rows[] = {
        {{0, 0, 343, 318}, {343, 0, 120, 280}, 320, {463, 0}},   // album right: further right
        {{900, 0, 343, 318}, {780, 0, 120, 280}, 320, {460, 0}}, // album left: further left
        {{300, 0, 343, 318}, {180, 0, 120, 280}, 320, {0, 0}},   // that is off screen
        {{0, 0, 343, 318}, {343, -20, 120, 280}, 1000, {0, 0}},  // too wide on the right
    };
    for (const Row& r : rows)
        EXPECT_EQ(app::placeBesideAlbum(r.main, r.album, QRect(0, 0, r.viewerWidth, 240), 1280),
                  r.expected);
}

} // namespace
