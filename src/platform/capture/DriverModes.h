#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/capture/DriverTable.h"

#include <vector>

namespace platform {

class Registry;

// The sizes the driver offers, ascending: a test picture's list, or a device's sizes in its
// compressed or raw formats.
std::vector<PictureSize> offeredSizes(const DriverSpec& driver, bool compressed);

// The frame rate to ask of the driver in `mode` for a preview of `fps` frames per second:
// the test picture gives any; a device the lowest it offers at or above it (its highest
// when it offers none that high); 0, the device's own choice, when it does not say.
int rateFor(const DriverSpec& driver, const CaptureMode& mode, int fps);
// The frame rate the driver delivers in that mode (0: the device's own choice).
int effectiveFps(const DriverSpec& driver, const CaptureMode& mode);

// How the driver starts when it connects: at the picture size its registry key holds
// ("ImageWidth", "ImageHeight") when it offers that size, at the nearest size it offers
// otherwise; at its own default size when the key holds none. A device keeps the kind of
// format (compressed or raw) it is set to.
CaptureMode startMode(const DriverSpec& driver, Registry* registry);

} // namespace platform
