#include "platform/capture/DriverModes.h"

#include "platform/capture/DriverKeys.h"
#include "platform/capture/V4l2Device.h"
#include "platform/registry/Registry.h"

#include <algorithm>

namespace platform {

std::vector<PictureSize> offeredSizes(const DriverSpec& driver, bool compressed) {
    if (!driver.node.empty())
        return v4l2::frameSizes(driver.node, compressed);
    std::vector<PictureSize> sizes = driver.sizes;
    if (sizes.empty())
        sizes.push_back({driver.width, driver.height});
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

int rateFor(const DriverSpec& driver, const CaptureMode& mode, int fps) {
    if (driver.node.empty())
        return fps;
    const std::vector<int> rates = v4l2::frameRates(driver.node, mode.compressed, mode.size);
    if (rates.empty())
        return 0;
    const auto atLeast = std::lower_bound(rates.begin(), rates.end(), fps);
    return atLeast != rates.end() ? *atLeast : rates.back();
}

int effectiveFps(const DriverSpec& driver, const CaptureMode& mode) {
    if (mode.fps > 0 || !driver.node.empty())
        return mode.fps;
    return kTestPictureFps;
}

CaptureMode startMode(const DriverSpec& driver, Registry* registry) {
    CaptureMode mode;
    if (!driver.node.empty())
        if (const auto format = v4l2::currentFormat(driver.node))
            mode.compressed = format->mjpeg;
    PictureSize wanted = defaultSize(driver);
    if (registry)
        if (const auto key =
                registry->openKey(driverKeyPath(driver.devicePath), Registry::Access::Read)) {
            const auto width = key->readDword(QStringLiteral("ImageWidth"));
            const auto height = key->readDword(QStringLiteral("ImageHeight"));
            if (width && height && *width > 0 && *height > 0 && *width <= 1u << 16 &&
                *height <= 1u << 16)
                wanted = {static_cast<int>(*width), static_cast<int>(*height)};
        }
    mode.size = nearestSize(offeredSizes(driver, mode.compressed), wanted);
    return mode;
}

} // namespace platform
