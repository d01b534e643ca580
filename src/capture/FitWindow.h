#pragma once

#include "platform/capture/CaptureMode.h"

#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>

namespace app {
class TMainForm;
struct MainState;
} // namespace app

namespace capture {

// The video frame's size for a known picture width; the height plays no part.
std::optional<QSize> frameSizeForWidth(std::uint32_t pictureWidth);
// The picture widths the frame is made for, which the capture service starts a driver at
// unless the user has chosen another size.
platform::FittedWidths frameTableWidths();

struct VideoFit {
    QRect frame;   // the video frame, in client coordinates
    QSize client;  // the main window's client area
    QRect capture; // the capture window, centred over the frame
};

// Where everything goes for a picture of w x h, starting from the frame as it stands. The
// centring offsets are signed and rounded down: a picture larger than the frame overhangs
// it on both sides.
VideoFit fitToVideo(const QRect& frame, std::uint32_t w, std::uint32_t h, int statusBarHeight);

// Sizes the main window and the capture window to the driver's current video format.
void FitWindowToVideo(app::TMainForm& form, app::MainState& state);

} // namespace capture
