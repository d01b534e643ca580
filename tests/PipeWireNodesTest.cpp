#include "Support.h"

#include "platform/capture/DriverModes.h"
#include "platform/capture/drivers/PipeWireDriver.h"
#include "platform/capture/pipewire/PipeWireMonitor.h"
#include "platform/capture/pipewire/PipeWireNodes.h"
#include "platform/gst/GstHandles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using platform::pipewire::formatsOf;

std::string describe(const std::vector<platform::pipewire::NodeFormat>& formats) {
    std::string out;
    for (const auto& format : formats) {
        out += (format.compressed ? std::string("JPEG") : format.rawFormat) + ":";
        for (const auto& mode : format.modes) {
            out += " " + std::to_string(mode.size.width) + "x" + std::to_string(mode.size.height);
            for (std::size_t i = 0; i < mode.rates.size(); ++i)
                out += (i ? "," : "@") + platform::rateText(mode.rates[i]);
        }
        out += ";";
    }
    return out;
}

// The node's formats as its caps give them: each size with its rates, sizes ascending,
// formats in the node's order; ranges by their ends and the common values between; what a
// preview cannot use left out.
TEST(PipeWireNodes, FormatsComeFromTheNodesCaps) {
    platform::gst::ensureInitialised();
    struct Case {
        const char* caps;
        const char* formats;
    } cases[] = {
        {"video/x-raw,format=YUY2,width=640,height=480,framerate={15/1,30/1};"
         "video/x-raw,format=YUY2,width=320,height=240,framerate=30/1",
         "YUY2: 320x240@30 640x480@15,30;"},
        {"image/jpeg,width=1280,height=720,framerate=30/1;"
         "video/x-raw,format={NV12,YUY2},width=640,height=480,framerate=30000/1001",
         "JPEG: 1280x720@30;NV12: 640x480@29.97;YUY2: 640x480@29.97;"},
        {"video/x-raw,format=BGRx,width=[160,700],height=[120,500],framerate=30/1",
         "BGRx: 160x120@30 176x144@30 320x240@30 352x288@30 640x360@30 640x480@30 700x500@30;"},
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=[10/1,30/1]",
         "YUY2: 640x480@10,15,20,24,25,30;"},
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=0/1", "YUY2: 640x480;"},
        {"video/x-raw,format=ENCODED,width=640,height=480;audio/x-raw,rate=48000;"
         "video/x-raw,format=YUY2",
         ""},
        {"ANY", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caps);
        platform::gst::CapsPtr caps(gst_caps_from_string(c.caps));
        ASSERT_TRUE(caps);
        EXPECT_EQ(describe(formatsOf(caps.get())), c.formats);
    }
}

// Raw formats are told apart by their fourcc, one without a fourcc of its own by its name,
// and JPEG is MJPG, as a V4L2 camera's.
TEST(PipeWireNodes, EachFormatHasAFourccOfItsOwn) {
    platform::gst::ensureInitialised();
    platform::gst::CapsPtr caps(gst_caps_from_string(
        "video/x-raw,format={YUY2,BGRx,RGBx},width=64,height=48;image/jpeg,width=64,height=48"));
    const auto formats = formatsOf(caps.get());
    ASSERT_EQ(formats.size(), 4u);
    EXPECT_EQ(formats[0].fourcc, GST_MAKE_FOURCC('Y', 'U', 'Y', '2'));
    EXPECT_EQ(formats[1].fourcc, GST_MAKE_FOURCC('B', 'G', 'R', 'x'));
    EXPECT_EQ(formats[2].fourcc, GST_MAKE_FOURCC('R', 'G', 'B', 'x'));
    EXPECT_EQ(formats[3].fourcc, GST_MAKE_FOURCC('M', 'J', 'P', 'G'));
    EXPECT_NE(formats[1].fourcc, formats[2].fourcc);
}

// A node that offers 1920 x 1080 first starts at the largest size the window is made for,
// as a V4L2 camera does; its key is made with that size.
TEST(PipeWireNodes, ANodeStartsWithItsWholePictureInTheWindow) {
    platform::gst::ensureInitialised();
    platform::gst::CapsPtr caps(
        gst_caps_from_string("video/x-raw,format=NV12,width=1920,height=1080,framerate=30/1;"
                             "video/x-raw,format=NV12,width=1280,height=720,framerate=30/1;"
                             "video/x-raw,format=NV12,width=640,height=480,framerate=30/1"));
    platform::pipewire::CameraNode node;
    node.nodeName = "libcamera-sensor";
    node.formats = formatsOf(caps.get());
    ASSERT_EQ(node.formats.size(), 1u);
    node.preferred = {{1920, 1080}, node.formats[0].fourcc, {}};
    const platform::PipeWireDriver driver({}, node);
    const platform::FittedWidths fitted{160, 176, 320, 352, 640, 704};
    EXPECT_EQ(platform::firstSightMode(driver, fitted).size, (platform::PictureSize{640, 480}));
}

// A node for a V4L2 device the program lists is that device, by its node or by its bus.
TEST(PipeWireNodes, ANodeStandsForAListedDeviceByItsNodeOrBus) {
    const std::vector<platform::v4l2::DeviceInfo> listed = {
        {"/dev/video0", "Quorix USB Camera", "6.1.0", "usb-0000:00:14.0-2"},
        {"/dev/video2", "Other Camera", "6.1.0", ""}};
    struct Case {
        const char* path;
        const char* bus;
        bool standsFor;
    } cases[] = {
        {"/dev/video0", "", true},
        {"", "usb-0000:00:14.0-2", true},
        {"/dev/video2", "usb-0000:00:14.0-9", true},
        {"/dev/video4", "usb-0000:00:14.0-9", false},
        {"", "", false}, // a libcamera node, or a sandbox's
    };
    for (const Case& c : cases) {
        platform::pipewire::CameraNode node;
        node.v4l2Path = c.path;
        node.busInfo = c.bus;
        EXPECT_EQ(platform::PipeWireDriver::standsFor(node, listed), c.standsFor)
            << c.path << " " << c.bus;
    }
}

// Without a daemon nothing is listed; a daemon's socket that takes the connection and never
// answers does not hold the start-up past the bound.
TEST(PipeWireNodes, NoDaemonNoCamerasAndNoWait) {
    QTemporaryDir runtime;
    test::ScopedEnvironment remote("PIPEWIRE_REMOTE", std::nullopt);
    test::ScopedEnvironment dir("PIPEWIRE_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_FALSE(platform::pipewire::daemonSocketPresent());
    EXPECT_TRUE(platform::pipewire::cameraNodes(std::chrono::milliseconds(300)).empty());

    const QByteArray path = (runtime.path() + "/pipewire-0").toLocal8Bit();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.constData());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    EXPECT_TRUE(platform::pipewire::daemonSocketPresent());
    QElapsedTimer waited;
    waited.start();
    EXPECT_TRUE(platform::pipewire::cameraNodes(std::chrono::milliseconds(300)).empty());
    EXPECT_LT(waited.elapsed(), 3000);
    ::close(listener);
}

// Nor does it hold the exit: the process-wide monitor joins its threads as the process ends,
// and ends the provider's start that still waits for such a daemon rather than wait with it.
TEST(PipeWireNodes, ADaemonThatNeverAnswersDoesNotHoldTheExit) {
    // A fresh process: one forked from a test that has run the monitor lacks its threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20); // an exit held for good dies of the alarm instead
            char dir[] = "/tmp/nimbacast-pw-XXXXXX";
            ASSERT_TRUE(::mkdtemp(dir));
            ::unsetenv("PIPEWIRE_REMOTE");
            ::setenv("PIPEWIRE_RUNTIME_DIR", dir, 1);
            const std::string path = std::string(dir) + "/pipewire-0";
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
            ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ASSERT_EQ(::listen(listener, 4), 0);
            const bool none =
                platform::pipewire::cameraNodes(std::chrono::milliseconds(200)).empty();
            // The listener stays open to the end: the connection waits in it, unanswered.
            ::unlink(path.c_str());
            ::rmdir(dir);
            std::exit(none ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
