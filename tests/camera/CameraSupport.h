#pragma once

#include "Emulated.h"
#include "Support.h"

#include <gtest/gtest.h>

namespace test {

// A common UVC webcam: raw 640 x 480 (30 or 15 a second) and 1280 x 720 (10), MJPG up to
// 1920 x 1080, the usual controls, one input, a metadata node beside its capture node.
inline constexpr char kQuorixCamera[] = R"({"node":"video0","metaNode":"video1",
    "card":"Quorix USB Camera","bus":"usb-0000:00:14.0-2",
    "formats":[{"fourcc":"YUYV","sizes":[[640,480,[30,15]],[1280,720,[10]]]},
               {"fourcc":"MJPG","sizes":[[640,480,[30]],[1280,720,[30]],[1920,1080,[30]]]}],
    "controls":"uvc","inputs":["Camera 1"]})";

// The emulator's list of cameras holding that one camera alone.
std::string listOf(const char* cameraJson);

// One run of the program on the machine's drivers, with these emulated cameras plugged in.
struct CameraRun {
    explicit CameraRun(const std::string& camerasJson, const std::string& registryJson = {},
                       const QString& registryFile = {})
        : cameras(camerasJson),
          run([](const StartDir&) { return EmulatedCameras::machineDrivers(); }, registryJson, {},
              registryFile) {}
    EmulatedCameras cameras;
    TestProgram run;
};

// Skips a test where the process does not run with the emulator.
#define REQUIRE_EMULATED_CAMERAS()                                                                 \
    if (!test::EmulatedCameras::available())                                                       \
    GTEST_SKIP() << "needs the emulated webcam (tests/fakecam, run by ctest)"

} // namespace test
