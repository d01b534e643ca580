#pragma once

#include <array>
#include <optional>
#include <string>

namespace platform {

// What stands behind one driver index of the capture service.
struct DriverSpec {
    std::string name;
    std::string version;
    // A V4L2 device node; empty for the moving test picture (built-in or simulated).
    std::string devicePath;
    // false: the driver refuses every connect.
    bool acceptsConnect = true;
    // Picture size of the test picture; a device reports its own at connect time.
    int width = 320;
    int height = 240;
    // A simulated driver that falls silent after this many frames (0: it never delivers
    // one), without an error, as a camera that stops streaming; -1: it never does.
    int stallAfterFrames = -1;
};

inline constexpr int kDriverSlots = 10;
using DriverTable = std::array<std::optional<DriverSpec>, kDriverSlots>;

// The drivers of this machine: every V4L2 capture device in device order, then the
// built-in test pattern; or, when NIMBACAST_CAPTURE_DRIVERS names a file, exactly the
// simulated drivers of that file.
struct LoadedDrivers {
    DriverTable table;
    // Why the simulated drivers file could not be used; empty when all went well.
    std::string error;
};

LoadedDrivers loadMachineDrivers();
LoadedDrivers loadSimulatedDrivers(const std::string& path);
LoadedDrivers loadDriversFromEnvironment();

} // namespace platform
