#pragma once

#include "platform/capture/CaptureDriver.h"

namespace platform {

class Registry;

// The mode a driver starts in when nobody has chosen a size for it: its current one when its
// width is fitted (or none is), otherwise the largest fitted size it offers, in its current
// pixel format first, then in its others in its own order. A driver that offers no fitted
// size keeps its current one. Its registry key is first made with this size.
CaptureMode firstSightMode(const CaptureDriver& driver, const FittedWidths& fitted);

// How the driver starts when it connects: at the picture size its registry key holds
// ("ImageWidth", "ImageHeight") when it offers that size (in its current pixel format, or
// else the first of its others that has it), otherwise as at first sight.
CaptureMode startMode(const CaptureDriver& driver, Registry* registry, const FittedWidths& fitted);

} // namespace platform
