#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureMode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::v4l2 {

// Where the device nodes are: NIMBACAST_DEVICE_DIR when set and not empty, else /dev.
std::string deviceDirectory();

struct DeviceInfo {
    std::string path;
    std::string card;
    std::string driverVersion;
    std::string busInfo;
};

// Where the system lists its devices: NIMBACAST_SYSFS_DIR when set and not empty, else /sys.
std::string sysfsDirectory();

// Video-capture devices in the device directory, in device-number order (video0 first).
// Nodes that are not capture nodes (metadata, output, memory-to-memory codecs) are left out;
// a node this user may not open is listed under the name the system's device list (sysfs)
// gives it, with no version or bus.
std::vector<DeviceInfo> captureDevices();
// Fails only where this user may not open the node, saying so and what to do about it; done
// when it opens or when it fails for another reason.
Result<> checkAccess(const std::string& path);
// Whether the node is still there and answers, as it does until its camera is unplugged.
bool present(const std::string& path);
// Whether a descriptor of a node belongs to a device that has gone (ENODEV): it stays so
// even when the camera is plugged in again.
bool descriptorGone(int fd);
// Whether the device streams, found by asking it for one buffer and starting it; a failure
// says why not. Only for a device nobody streams from in this process.
Result<> tryStream(const std::string& path);

struct Format {
    int width = 0;
    int height = 0;
    std::uint32_t fourcc = 0;
};
// The device's current capture format, or nothing when the node cannot be queried.
std::optional<Format> currentFormat(const std::string& path);
// The format the device would give when asked for this one (TRY_FMT), or nothing when it
// does not say.
std::optional<Format> tryFormat(const std::string& path, const Format& asked);

// "major.minor.patch" of a V4L2 driver version number.
std::string versionText(std::uint32_t version);
// "YUYV" of a fourcc.
std::string fourccText(std::uint32_t fourcc);
// A JPEG stream rather than raw pixels.
bool isJpeg(std::uint32_t fourcc);

// The capture formats the device offers, in its own order, each with the description the
// device gives (empty when it gives none).
std::vector<PixelFormat> pixelFormats(const std::string& path);
// The sizes the device offers in that pixel format, ascending. A device that gives a range
// offers its smallest, its largest and the common sizes in between that its steps reach.
std::vector<PictureSize> frameSizes(const std::string& path, std::uint32_t fourcc);
// The frame rates offered at that size, exactly as the device's intervals give them,
// ascending; for a range of intervals its ends and the common whole rates in between.
std::vector<FrameRate> frameRates(const std::string& path, std::uint32_t fourcc, PictureSize size);

// One of the device's controls (brightness, contrast, white balance, ...).
struct Control {
    std::uint32_t id = 0;
    enum class Kind { Integer, Boolean, Menu, Button } kind = Kind::Integer;
    std::string name;
    int minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
    // Set automatically by another control for now (a temperature while the white balance
    // is automatic), or never to be set by the program.
    bool inactive = false;
    bool readOnly = false;
    // Menu entries by their value; values the device skips are left out.
    std::vector<std::pair<int, std::string>> menu;
};
std::vector<Control> controls(const std::string& path);
// Each fails with why the device refused the request (its errno as the code).
Result<> setControl(const std::string& path, std::uint32_t id, int value);

// The device's video inputs, and the one in use (-1 when it does not say).
std::vector<std::string> inputs(const std::string& path);
int currentInput(const std::string& path);
Result<> setInput(const std::string& path, int index);

} // namespace platform::v4l2
