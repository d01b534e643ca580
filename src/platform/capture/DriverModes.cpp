#include "platform/capture/DriverModes.h"

#include "platform/capture/DriverKeys.h"
#include "platform/registry/Registry.h"

namespace platform {

CaptureMode startMode(const CaptureDriver& driver, Registry* registry) {
    CaptureMode mode = driver.currentMode();
    PictureSize wanted = mode.size;
    if (registry)
        if (const auto key = registry->openKey(driverKeyPath(driver.spec().devicePath),
                                               Registry::Access::Read)) {
            const auto width = key->readDword(QStringLiteral("ImageWidth"));
            const auto height = key->readDword(QStringLiteral("ImageHeight"));
            if (width && height && *width > 0 && *height > 0 && *width <= 1u << 16 &&
                *height <= 1u << 16)
                wanted = {static_cast<int>(*width), static_cast<int>(*height)};
        }
    mode.size = nearestSize(driver.offeredSizes(mode.fourcc), wanted);
    return mode;
}

} // namespace platform
