// Per-camera settings a real camera's profile needs: the format another program left set,
// the fourcc a capture card answers with, a node the user may not open, the slow camera,
// and several capture nodes of one device.

#include "Harness.h"

#include <algorithm>
#include <vector>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>

namespace fakecam::test {
namespace {

class CameraConfig : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove(paths().unplug);
        clearLog();
    }
    void TearDown() override { std::filesystem::remove(paths().unplug); }
};

struct Mode {
    std::uint32_t fourcc, width, height, numerator, denominator;
    bool operator==(const Mode& o) const {
        return fourcc == o.fourcc && width == o.width && height == o.height &&
               numerator == o.numerator && denominator == o.denominator;
    }
};
std::ostream& operator<<(std::ostream& os, const Mode& m) {
    const char text[5] = {static_cast<char>(m.fourcc), static_cast<char>(m.fourcc >> 8),
                          static_cast<char>(m.fourcc >> 16), static_cast<char>(m.fourcc >> 24), 0};
    return os << text << " " << m.width << "x" << m.height << " " << m.numerator << "/"
              << m.denominator;
}

Mode modeOf(int fd) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(request(fd, VIDIOC_G_FMT, &f), 0);
    EXPECT_EQ(request(fd, VIDIOC_G_PARM, &p), 0);
    return {f.fmt.pix.pixelformat, f.fmt.pix.width, f.fmt.pix.height,
            p.parm.capture.timeperframe.numerator, p.parm.capture.timeperframe.denominator};
}

TEST_F(CameraConfig, CurrentIsTheFormatAtLoadAndAtEachReplug) {
    struct Case {
        const char* current;
        Mode mode;
    };
    const Case cases[] = {
        {nullptr, {kYuyv, 640, 480, 1, 30}},
        {R"({"fourcc":"MJPG","width":1280,"height":720,"interval":"1/30"})",
         {kMjpg, 1280, 720, 1, 30}},
        {R"({"fourcc":"YUYV","width":640,"height":480,"interval":"2/30"})",
         {kYuyv, 640, 480, 1, 15}}, // as the camera lists it
        {R"({"fourcc":"YUYV","width":1280,"height":720})", {kYuyv, 1280, 720, 1, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current ? c.current : "no current");
        writeConfig(
            configOf({standardCamera(c.current ? std::string(R"("current":)") + c.current : "")}));
        Fd fd = openNode("video0");
        EXPECT_EQ(modeOf(fd.get()), c.mode);
        v4l2_format f = pixFormat(kMjpg, 1920, 1080);
        ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
        EXPECT_EQ(modeOf(fd.get()), (Mode{kMjpg, 1920, 1080, 1, 30}));
        std::ofstream(paths().unplug).close();
        EXPECT_LT(openNode("video0").get(), 0);
        std::filesystem::remove(paths().unplug);
        Fd replugged = openNode("video0");
        EXPECT_EQ(modeOf(replugged.get()), c.mode);
    }
    // A stream started without S_FMT runs in the current format.
    writeConfig(configOf({standardCamera(
        R"("current":{"fourcc":"MJPG","width":1280,"height":720,"interval":"1/30"})")}));
    Fd fd = openNode("video0");
    v4l2_requestbuffers req = reqbufs(2);
    ASSERT_EQ(request(fd.get(), VIDIOC_REQBUFS, &req), 0);
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    ASSERT_EQ(request(fd.get(), VIDIOC_QUERYBUF, &b), 0);
    v4l2_format f = pixFormat(kMjpg, 1280, 720);
    ASSERT_EQ(request(fd.get(), VIDIOC_TRY_FMT, &f), 0);
    EXPECT_GE(b.length, f.fmt.pix.sizeimage);
}

TEST_F(CameraConfig, AnswersGiveAnotherFourcc) {
    const std::uint32_t yu12 = V4L2_PIX_FMT_YUV420, nv12 = V4L2_PIX_FMT_NV12;
    writeConfig(configOf({R"({"node":"video0","controls":"none","answers":{"YU12":"NV12",)"
                          R"("RGB3":"YUYV"},"formats":[)"
                          R"({"fourcc":"YU12","sizes":[[640,480,[30]]]},)"
                          R"({"fourcc":"NV12","sizes":[[640,480,[30]],[1280,720,[30]]]},)"
                          R"({"fourcc":"YUYV","sizes":[[320,240,[30]]]}]})"}));
    struct Case {
        std::uint32_t asked, askedWidth, answered, width;
    };
    const Case cases[] = {
        {yu12, 1280, nv12, 1280},
        {V4L2_PIX_FMT_RGB24, 640, kYuyv, 320},
        {nv12, 640, nv12, 640},
    };
    Fd fd = openNode("video0");
    v4l2_fmtdesc d = fmtdesc(0);
    ASSERT_EQ(request(fd.get(), VIDIOC_ENUM_FMT, &d), 0);
    EXPECT_EQ(d.pixelformat, yu12); // listed, yet never given
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        for (unsigned long req : {VIDIOC_TRY_FMT, VIDIOC_S_FMT}) {
            v4l2_format f = pixFormat(c.asked, c.askedWidth, c.askedWidth * 9 / 16);
            ASSERT_EQ(request(fd.get(), req, &f), 0);
            EXPECT_EQ(f.fmt.pix.pixelformat, c.answered);
            EXPECT_EQ(f.fmt.pix.width, c.width);
        }
    }
    EXPECT_TRUE(logHas("video0 S_FMT NV12 1280x720"));
}

TEST_F(CameraConfig, CurrentAndAnswersMustBeWhatTheCameraOffers) {
    struct Case {
        const char* field;
        const char* reason;
    };
    const Case cases[] = {
        {R"("current":{"fourcc":"NV12","width":640,"height":480})",
         "\"current\": NV12 is not a format of the camera"},
        {R"("current":{"fourcc":"YUYV","width":1920,"height":1080})",
         "\"current\": 1920x1080 is not a size of YUYV"},
        {R"("current":{"fourcc":"YUYV","width":640,"height":480,"interval":"1/60"})",
         "\"current\": 1/60 is not an interval of YUYV 640x480"},
        {R"("current":{"fourcc":"YUYV","width":640})",
         "\"current\": must be {\"fourcc\",\"width\",\"height\"} and may have \"interval\""},
        {R"("answers":{"YU12":"NV12"})", "\"answers\": NV12 is not a format of the camera"},
        {R"("answers":{"YU1":"YUYV"})", "\"answers\": \"YU1\" is not a fourcc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(configError(configOf({standardCamera(c.field)})),
                  std::string("camera video0: ") + c.reason);
    }
    EXPECT_EQ(configError(configOf({R"({"node":"video0","current":{"fourcc":"YUYV",)"
                                    R"("width":336,"height":252,"interval":"1/20"},)"
                                    R"("formats":[{"fourcc":"YUYV","sizes":{"stepwise":)"
                                    R"([160,120,1920,1080,8,2],"fps":{"min":"1/30",)"
                                    R"("max":"1/5"}}}]})"})),
              "");
}

// The node's name file in the emulated sysfs, or "(none)".
std::string sysfsName(const std::string& node) {
    std::ifstream in(paths().sysfs + "/class/video4linux/" + node + "/name");
    if (!in) {
        return "(none)";
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(CameraConfig, OpenErrorRefusesTheCaptureNodeThatIsStillThere) {
    const std::pair<const char*, int> cases[] = {
        {"EACCES", EACCES}, {"EPERM", EPERM}, {"EBUSY", EBUSY}, {"ENODEV", ENODEV}};
    for (const auto& [name, error] : cases) {
        SCOPED_TRACE(name);
        writeConfig(configOf({standardCamera(std::string(R"("openError":")") + name + "\"")}));
        errno = 0;
        EXPECT_LT(openNode("video0").get(), 0);
        EXPECT_EQ(errno, error);
        EXPECT_TRUE(logHas(std::string("video0 OPEN refused ") + name));
        struct stat st {};
        ASSERT_EQ(stat((paths().dir + "/video0").c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        // Its card name can still be read, as a program does for a node it may not open.
        EXPECT_EQ(sysfsName("video0"), "Quorix USB Camera\n");
        EXPECT_GE(openNode("video1").get(), 0); // the metadata node opens
    }
    EXPECT_EQ(configError(configOf({standardCamera(R"("openError":"EIO")")})),
              "camera video0: \"openError\" must be \"EACCES\", \"EPERM\", \"EBUSY\" or "
              "\"ENODEV\"");
}

TEST_F(CameraConfig, SysfsNamesComeAndGoWithTheNodes) {
    writeConfig(configOf({standardCamera(R"("card":"Quorix Ultra Wide 4K Conference Camera")"),
                          R"({"node":"video4","card":"Loop","m2m":true})"}));
    Fd probe = openNode("video0");
    EXPECT_EQ(sysfsName("video0"), "Quorix Ultra Wide 4K Conference\n"); // cut at 31 bytes
    EXPECT_EQ(sysfsName("video1"), "Quorix Ultra Wide 4K Conference\n");
    EXPECT_EQ(sysfsName("video4"), "Loop\n");

    writeConfig(configOf({R"({"node":"video4","card":"Loop Two","m2m":true})"}));
    probe = openNode("video4");
    EXPECT_EQ(sysfsName("video4"), "Loop Two\n");
    EXPECT_EQ(sysfsName("video0"), "(none)");
    EXPECT_FALSE(std::filesystem::exists(paths().sysfs + "/class/video4linux/video1"));

    EXPECT_NE(configError("not json"), "");
    EXPECT_EQ(sysfsName("video4"), "(none)");
}

TEST_F(CameraConfig, SlowCamerasDelayTheFirstFrameAndDivideTheRate) {
    struct Case {
        const char* fields;
        double firstMs, gapMs; // after STREAMON, and between frames
    };
    const Case cases[] = {
        {R"("firstFrameDelayMs":400)", 400, 33.3},
        {R"("rateDivisor":2)", 66.7, 66.7},
        {R"("firstFrameDelayMs":200,"rateDivisor":3)", 200, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        writeConfig(configOf({standardCamera(c.fields)}));
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const timeval started{now.tv_sec, now.tv_nsec / 1000};
        Stream stream("video0", kYuyv, 640, 480, 30);
        v4l2_buffer b{};
        ASSERT_TRUE(stream.next(b, 3000));
        // The first frame's bound leaves room for a loaded machine (the tests run beside
        // builds): what it tells apart is a delay of a hundred milliseconds or more.
        const double first = millisecondsBetween(started, b.timestamp);
        EXPECT_GE(first, c.firstMs - 5);
        EXPECT_LT(first, c.firstMs + 150);
        // The pace is the median of five gaps: one late wake-up of the camera's thread does
        // not move it.
        EXPECT_NEAR(stream.medianGapMs(b, 5), c.gapMs, 20);
        EXPECT_EQ(b.sequence, 5u); // the camera's own count: nothing was dropped
        // The interval asked is what G_PARM still says.
        v4l2_streamparm p{};
        p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(stream.fd(), VIDIOC_G_PARM, &p), 0);
        EXPECT_EQ(p.parm.capture.timeperframe.denominator, 30u);
    }
    for (const char* field : {R"("rateDivisor":0)", R"("firstFrameDelayMs":-1)"}) {
        SCOPED_TRACE(field);
        EXPECT_NE(configError(configOf({standardCamera(field)})), "");
    }
    EXPECT_EQ(configError(configOf({standardCamera(R"("rateDivisor":101)")})),
              "camera video0: \"rateDivisor\" must be a whole number from 1 to 100");
}

TEST_F(CameraConfig, NodesSharingABusAreOneDevice) {
    const std::string laptop = R"("bus":"usb-0000:00:14.0-8","controls":"none")";
    const std::string webcam = R"("bus":"usb-0000:00:14.0-3","controls":"none")";
    writeConfig(configOf({
        R"({"node":"video2","metaNode":"video3","card":"Integrated Camera: Integrated C",)" +
            laptop + R"(,"formats":[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]})",
        R"({"node":"video4","metaNode":"video5","card":"Integrated Camera: Integrated I",)" +
            laptop + R"(,"formats":[{"fourcc":"GREY","sizes":[[640,360,[15]]]}]})",
        R"({"node":"video6","card":"Quorix Stream",)" + webcam +
            R"(,"formats":[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]})",
        R"({"node":"video7","metaNode":"video8","card":"Quorix Stream",)" + webcam +
            R"(,"formats":[{"fourcc":"H264","sizes":[[1920,1080,[30]]]}]})",
        R"({"node":"video10","card":"Alone","bus":"usb-0000:00:14.0-5","controls":"none",)"
        R"("formats":[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]})",
    }));
    const std::uint32_t common = V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
    const std::uint32_t capture = V4L2_CAP_VIDEO_CAPTURE | common;
    const std::uint32_t meta = V4L2_CAP_META_CAPTURE | common;
    const std::uint32_t both = capture | meta | V4L2_CAP_DEVICE_CAPS;
    struct Case {
        const char* node;
        const char* card;
        std::uint32_t deviceCaps, capabilities, fourcc; // fourcc 0: a metadata node
    };
    const Case cases[] = {
        {"video2", "Integrated Camera: Integrated C", capture, both, kYuyv},
        {"video3", "Integrated Camera: Integrated C", meta, both, 0},
        {"video4", "Integrated Camera: Integrated I", capture, both, V4L2_PIX_FMT_GREY},
        {"video5", "Integrated Camera: Integrated I", meta, both, 0},
        {"video6", "Quorix Stream", capture, both, kYuyv}, // its device has a metadata node
        {"video7", "Quorix Stream", capture, both, V4L2_PIX_FMT_H264},
        {"video10", "Alone", capture, capture | V4L2_CAP_DEVICE_CAPS, kYuyv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Fd fd = openNode(c.node);
        v4l2_capability cap{};
        ASSERT_EQ(request(fd.get(), VIDIOC_QUERYCAP, &cap), 0);
        EXPECT_STREQ(reinterpret_cast<char*>(cap.card), c.card);
        EXPECT_EQ(cap.device_caps, c.deviceCaps);
        EXPECT_EQ(cap.capabilities, c.capabilities);
        if (c.fourcc) {
            // Each node has its own formats, and only those.
            v4l2_fmtdesc d = fmtdesc(0);
            ASSERT_EQ(request(fd.get(), VIDIOC_ENUM_FMT, &d), 0);
            EXPECT_EQ(d.pixelformat, c.fourcc);
            d = fmtdesc(1);
            EXPECT_EQ(request(fd.get(), VIDIOC_ENUM_FMT, &d), EINVAL);
        }
        struct stat st {};
        ASSERT_EQ(fstat(fd.get(), &st), 0);
        EXPECT_EQ(minor(st.st_rdev), std::stoul(c.node + 5));
    }
    // Each node streams on its own: the colour node's stream leaves the infrared one free.
    Stream colour("video2", kYuyv, 640, 480, 30);
    Stream infrared("video4", V4L2_PIX_FMT_GREY, 640, 360, 15);
    v4l2_buffer b{};
    ASSERT_TRUE(colour.next(b));
    ASSERT_TRUE(infrared.next(b));
    EXPECT_EQ(b.bytesused, 640u * 360);
}

} // namespace
} // namespace fakecam::test
