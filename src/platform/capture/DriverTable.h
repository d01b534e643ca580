#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureDriver.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr int kDriverSlots = 10;
// The driver at each index, or null where none is installed.
using DriverTable = std::array<std::shared_ptr<const CaptureDriver>, kDriverSlots>;

// The drivers of this machine: every V4L2 capture device in device order, then the cameras
// PipeWire offers (those that are no V4L2 device listed before them), then the built-in test
// pattern, within the ten indices; or, when NIMBACAST_CAPTURE_DRIVERS names a file,
// exactly the simulated drivers of that file.
// Only the simulated drivers' file can fail, and then gives no driver at all.
DriverTable loadMachineDrivers();
Result<DriverTable> loadDriversFromEnvironment();

} // namespace platform
