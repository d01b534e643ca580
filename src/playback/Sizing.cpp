#include "playback/Sizing.h"

#include <tuple>
#include <utility>

namespace playback {

namespace {

// Along one side: a picture smaller than the design panel is centred in it; a larger one
// gets a panel with a 10-pixel margin. Gives the panel's extent and the picture's offset.
std::pair<int, int> fitSide(int picture, int designPanel) {
    if (picture < designPanel)
        return {designPanel, (designPanel - picture) / 2};
    return {picture + 20, 10};
}

} // namespace

AnimateLayout fitToVideo(int width, int height) {
    AnimateLayout l;
    std::tie(l.panelWidth, l.videoLeft) = fitSide(width, kPanelWidth);
    l.clientWidth = l.panelWidth + 10;
    std::tie(l.panelHeight, l.videoTop) = fitSide(height, kPanelHeight);
    l.clientHeight = l.panelHeight + 61;
    l.playerTop = kPanelTop + l.panelHeight;
    return l;
}

} // namespace playback
