#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/capture/DriverTable.h"

#include <vector>

namespace platform {

class Registry;

// The sizes the driver offers, ascending: a test picture's list, or a device's sizes in its
// compressed or raw formats.
std::vector<PictureSize> offeredSizes(const DriverSpec& driver, bool compressed);

// How the driver starts when it connects: at the picture size its registry key holds
// ("ImageWidth", "ImageHeight") when it offers that size, at the nearest size it offers
// otherwise; at its own default size when the key holds none. A device keeps the kind of
// format (compressed or raw) it is set to.
CaptureMode startMode(const DriverSpec& driver, Registry* registry);

} // namespace platform
