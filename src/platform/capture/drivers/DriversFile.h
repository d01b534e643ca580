#pragma once

#include "platform/capture/DriverTable.h"

#include <string>

namespace platform {

// The simulated drivers of a drivers file (NIMBACAST_CAPTURE_DRIVERS): a JSON object whose
// "drivers" array lists each by its index, with its name, version, sizes and what it does
// that a camera can (refuse to connect, fall silent, go away). A file that cannot be read
// whole gives no driver at all, and says why, naming the file.
Result<DriverTable> loadSimulatedDrivers(const std::string& path);

} // namespace platform
