#include "playback/Sizing.h"

namespace playback {

AnimateLayout fitToVideo(int width, int height) {
    AnimateLayout l;
    if (width < kPanelWidth) {
        l.panelWidth = kPanelWidth;
        l.videoLeft = (kPanelWidth - width) / 2;
    } else {
        l.panelWidth = width + 20;
        l.videoLeft = 10;
    }
    l.clientWidth = l.panelWidth + 10;
    if (height < kPanelHeight) {
        l.panelHeight = kPanelHeight;
        l.videoTop = (kPanelHeight - height) / 2;
    } else {
        l.panelHeight = height + 20;
        l.videoTop = 10;
    }
    l.clientHeight = l.panelHeight + 61;
    l.playerTop = kPanelTop + l.panelHeight;
    return l;
}

} // namespace playback
