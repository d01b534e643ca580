#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace platform {

// The frames per second of the test picture when nothing else is asked of it.
inline constexpr int kTestPictureFps = 30;

// A picture size a driver can deliver.
struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
    friend bool operator<(const PictureSize& a, const PictureSize& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    }
};

// How a connected driver delivers its pictures.
struct CaptureMode {
    PictureSize size;
    // The device's pixel format (a V4L2 fourcc); 0 for a driver that has only one.
    std::uint32_t fourcc = 0;
    // Frames per second asked of the device; 0: whatever it gives.
    int fps = 0;
    friend bool operator==(const CaptureMode&, const CaptureMode&) = default;
};

// `wanted` when offered, otherwise the offered size nearest to it (the smaller of two
// as near); `wanted` itself when nothing is offered.
inline PictureSize nearestSize(const std::vector<PictureSize>& offered, PictureSize wanted) {
    const PictureSize* best = nullptr;
    long bestDistance = 0;
    for (const PictureSize& size : offered) {
        const long distance = std::labs(long(size.width) - wanted.width) +
                              std::labs(long(size.height) - wanted.height);
        if (!best || distance < bestDistance || (distance == bestDistance && size < *best)) {
            best = &size;
            bestDistance = distance;
        }
    }
    return best ? *best : wanted;
}

} // namespace platform
