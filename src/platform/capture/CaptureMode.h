#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

namespace platform {

// The frames per second of the test picture when nothing else is asked of it.
inline constexpr int kTestPictureFps = 30;

// The picture widths the program's capture window is made to fit; a driver whose own size is
// none of them starts at one of them that it offers.
using FittedWidths = std::vector<int>;

// A picture size a driver can deliver.
struct PictureSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
    friend bool operator<(const PictureSize& a, const PictureSize& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    }
};

// Frames a second as the fraction a device gives (30000/1001 for 29.97, 15/2 for 7.5), kept
// exact so that the device is asked for its own interval; no frames: nothing asked.
struct FrameRate {
    int frames = 0;
    int seconds = 1;

    // Reduced, so that equal rates compare equal; nothing asked for a fraction that is none.
    static FrameRate of(std::int64_t frames, std::int64_t seconds) {
        if (frames <= 0 || seconds <= 0)
            return {};
        const std::int64_t common = std::gcd(frames, seconds);
        frames /= common;
        seconds /= common;
        // A device's units can be finer than an int holds: keep the rate, lose the last digits.
        while (frames > std::numeric_limits<int>::max() ||
               seconds > std::numeric_limits<int>::max()) {
            frames = (frames + 1) / 2;
            seconds = (seconds + 1) / 2;
        }
        return {static_cast<int>(frames), static_cast<int>(seconds)};
    }
    static FrameRate whole(int fps) { return of(fps, 1); }

    bool isSet() const { return frames > 0 && seconds > 0; }
    double perSecond() const { return isSet() ? double(frames) / seconds : 0.0; }
    friend bool operator==(const FrameRate&, const FrameRate&) = default;
    friend bool operator<(const FrameRate& a, const FrameRate& b) {
        return std::int64_t(a.frames) * b.seconds < std::int64_t(b.frames) * a.seconds;
    }
};

// "30", "7.5", "29.97": the rate with at most two decimals, none that are zero.
inline std::string rateText(FrameRate rate) {
    const long long hundredths = std::llround(rate.perSecond() * 100);
    std::string text = std::to_string(hundredths / 100);
    const long long fraction = hundredths % 100;
    if (fraction % 10 != 0)
        text += "." + std::to_string(fraction / 10) + std::to_string(fraction % 10);
    else if (fraction != 0)
        text += "." + std::to_string(fraction / 10);
    return text;
}

// A pixel format a driver offers for the user to choose: a V4L2 fourcc, the device's name
// for it, and whether it comes as a stream to decode rather than raw pixels.
struct PixelFormat {
    std::uint32_t fourcc = 0;
    std::string description;
    bool compressed = false;
};

// How a connected driver delivers its pictures.
struct CaptureMode {
    PictureSize size;
    // The device's pixel format (a V4L2 fourcc); 0 for a driver that has only one.
    std::uint32_t fourcc = 0;
    // The frame rate asked of the device; not set: whatever it gives.
    FrameRate rate;
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
