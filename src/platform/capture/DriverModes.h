#pragma once

#include "platform/capture/CaptureDriver.h"

namespace platform {

class Registry;

// How the driver starts when it connects: at the picture size its registry key holds
// ("ImageWidth", "ImageHeight") when it offers that size, at the nearest size it offers
// otherwise; at its own current size when the key holds none. A device keeps the pixel
// format it is set to.
CaptureMode startMode(const CaptureDriver& driver, Registry* registry);

} // namespace platform
