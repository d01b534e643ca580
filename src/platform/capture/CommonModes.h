#pragma once

#include "platform/capture/CaptureMode.h"

namespace platform {

// Sizes people know a camera by, offered between the ends of a device's range of sizes.
inline constexpr PictureSize kCommonSizes[] = {
    {160, 120},  {176, 144},   {320, 240},   {352, 288},   {640, 360},
    {640, 480},  {704, 576},   {800, 600},   {960, 540},   {1024, 768},
    {1280, 720}, {1280, 1024}, {1920, 1080}, {2560, 1440}, {3840, 2160}};
// Frame rates offered between the ends of a device's range of rates.
inline constexpr int kCommonRates[] = {5, 10, 15, 20, 24, 25, 30, 50, 60, 90, 120};

// What a range of rates offers: its ends, and the common whole rates strictly between them.
inline std::vector<FrameRate> rangeRates(FrameRate lowest, FrameRate highest) {
    std::vector<FrameRate> rates{lowest, highest};
    for (const int common : kCommonRates)
        if (lowest < FrameRate::whole(common) && FrameRate::whole(common) < highest)
            rates.push_back(FrameRate::whole(common));
    return rates;
}

} // namespace platform
