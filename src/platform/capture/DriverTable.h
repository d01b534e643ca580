#pragma once

#include "platform/capture/CaptureMode.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What stands behind one driver index of the capture service.
struct DriverSpec {
    std::string name;
    std::string version;
    // A V4L2 device node; empty for the moving test picture (built-in or simulated).
    std::string node;
    // The driver's stable device path in the system's form ("\\?\..."); its registry key
    // is named after it.
    std::string devicePath;
    // false: the driver refuses every connect.
    bool acceptsConnect = true;
    // Default picture size of the test picture; a device reports its own.
    int width = 320;
    int height = 240;
    // The sizes a test picture offers; a device enumerates its own.
    std::vector<PictureSize> sizes;
    // Whether the driver offers its own format and source dialogs.
    bool hasFormatDialog = true;
    bool hasSourceDialog = true;
    // A simulated driver that falls silent after this many frames (0: it never delivers
    // one), without an error, as a camera that stops streaming; -1: it never does.
    int stallAfterFrames = -1;
    // A simulated driver whose device goes away after this many frames, with the error a
    // camera pulled from its port gives; -1: it never does.
    int failAfterFrames = -1;
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
