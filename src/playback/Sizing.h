#pragma once

namespace playback {

// The playback window laid out around a video of W x H pixels: the display panel at least
// as large as its design size, the video centred in a small panel and with a margin of 10
// in a large one, the player's buttons directly under the panel.
struct AnimateLayout {
    int panelWidth = 0;
    int panelHeight = 0;
    int videoLeft = 0;
    int videoTop = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    int playerTop = 0;
};

inline constexpr int kPanelLeft = 5;
inline constexpr int kPanelTop = 5;
inline constexpr int kPanelWidth = 218;
inline constexpr int kPanelHeight = 186;

// A file without a picture (0 x 0) keeps the design layout.
AnimateLayout fitToVideo(int width, int height);

} // namespace playback
