#include "platform/capture/DriverModes.h"

#include "platform/capture/DriverKeys.h"
#include "platform/registry/Registry.h"

#include <linux/videodev2.h>

#include <algorithm>

namespace platform {

namespace {

// The driver's pixel formats to look in: its current one first, then its others in its own
// order. H.264 costs the most to show: it is looked in only when there is nothing else.
std::vector<std::uint32_t> formatsToLookIn(const CaptureDriver& driver, std::uint32_t current) {
    std::vector<std::uint32_t> order{current};
    for (const PixelFormat& format : driver.pixelFormats())
        if (std::find(order.begin(), order.end(), format.fourcc) == order.end())
            order.push_back(format.fourcc);
    if (order.size() > 1)
        std::stable_partition(order.begin(), order.end(),
                              [](std::uint32_t f) { return f != V4L2_PIX_FMT_H264; });
    return order;
}

bool isFitted(const FittedWidths& fitted, int width) {
    return std::find(fitted.begin(), fitted.end(), width) != fitted.end();
}

// The first-sight mode, from the driver's current mode and the formats to look in.
CaptureMode firstSight(const CaptureDriver& driver, const CaptureMode& current,
                       const std::vector<std::uint32_t>& formats, const FittedWidths& fitted) {
    if (fitted.empty() || isFitted(fitted, current.size.width))
        return current;
    for (const std::uint32_t fourcc : formats) {
        std::vector<PictureSize> sizes = driver.offeredSizes(fourcc);
        std::erase_if(sizes, [&](const PictureSize& s) { return !isFitted(fitted, s.width); });
        if (const auto largest = std::max_element(sizes.begin(), sizes.end());
            largest != sizes.end())
            return CaptureMode{*largest, fourcc, {}};
    }
    return current;
}

} // namespace

CaptureMode firstSightMode(const CaptureDriver& driver, const FittedWidths& fitted) {
    const CaptureMode current = driver.currentMode();
    return firstSight(driver, current, formatsToLookIn(driver, current.fourcc), fitted);
}

CaptureMode startMode(const CaptureDriver& driver, Registry* registry, const FittedWidths& fitted) {
    const CaptureMode current = driver.currentMode();
    const std::vector<std::uint32_t> formats = formatsToLookIn(driver, current.fourcc);
    if (registry)
        if (const auto key = registry->openKey(driverKeyPath(driver.spec().devicePath),
                                               Registry::Access::Read)) {
            const auto width = key->readDword(QStringLiteral("ImageWidth"));
            const auto height = key->readDword(QStringLiteral("ImageHeight"));
            if (width && height && *width > 0 && *height > 0 && *width <= 1u << 16 &&
                *height <= 1u << 16) {
                const PictureSize wanted{static_cast<int>(*width), static_cast<int>(*height)};
                for (const std::uint32_t fourcc : formats) {
                    const std::vector<PictureSize> sizes = driver.offeredSizes(fourcc);
                    if (std::find(sizes.begin(), sizes.end(), wanted) != sizes.end())
                        return CaptureMode{wanted, fourcc, {}};
                }
            }
        }
    return firstSight(driver, current, formats, fitted);
}

} // namespace platform
