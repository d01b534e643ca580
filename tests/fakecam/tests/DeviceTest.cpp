// Nodes, capabilities, formats, rates and inputs of emulated cameras.

#include "Harness.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fakecam::test {
namespace {

const std::string kStepwise =
    R"({"node":"video4","card":"Loop Camera","driver":"v4l2 loopback","version":393216,)"
    R"("controls":"none","formats":[{"fourcc":"YUYV","sizes":)"
    R"({"stepwise":[160,120,1920,1080,8,2],"fps":[30,15]}}]})";

class Device : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove(paths().unplug);
        clearLog();
        writeConfig(configOf({standardCamera(), kStepwise,
                              R"({"node":"video6","m2m":true,"card":"Scaler","driver":"m2m"})"}));
    }
};

TEST_F(Device, NodesAreListedAndStatAsCharacterDevices) {
    std::set<std::string> listed;
    DIR* dir = opendir(paths().dir.c_str());
    ASSERT_NE(dir, nullptr);
    while (dirent* entry = readdir(dir)) {
        listed.insert(entry->d_name);
    }
    closedir(dir);
    for (const char* node : {"video0", "video1", "video4", "video6"}) {
        SCOPED_TRACE(node);
        EXPECT_TRUE(listed.count(node));
        struct stat st {};
        ASSERT_EQ(stat((paths().dir + "/" + node).c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        EXPECT_EQ(major(st.st_rdev), 81u);
        EXPECT_EQ(minor(st.st_rdev), std::stoul(node + 5));
        Fd fd = openNode(node);
        struct stat fst {};
        ASSERT_EQ(fstat(fd.get(), &fst), 0);
        EXPECT_TRUE(S_ISCHR(fst.st_mode));
        EXPECT_EQ(fst.st_rdev, st.st_rdev);
    }
}

// Programs list a directory with opendir(), or by opening it and fdopendir() as
// std::filesystem does: either way the nodes of a config just written are there.
TEST_F(Device, EitherWayOfListingFindsNewNodes) {
    const std::pair<const char*, std::function<std::set<std::string>()>> ways[] = {
        {"opendir",
         [] {
             std::set<std::string> names;
             if (DIR* dir = opendir(paths().dir.c_str())) {
                 while (dirent* entry = readdir(dir))
                     names.insert(entry->d_name);
                 closedir(dir);
             }
             return names;
         }},
        {"std::filesystem",
         [] {
             std::set<std::string> names;
             for (const auto& entry : std::filesystem::directory_iterator(paths().dir))
                 names.insert(entry.path().filename().string());
             return names;
         }},
    };
    int node = 20;
    for (const auto& [way, list] : ways) {
        SCOPED_TRACE(way);
        const std::string name = "video" + std::to_string(node++);
        writeConfig(configOf(
            {R"({"node":")" + name +
             R"(","controls":"none","formats":[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]})"}));
        EXPECT_TRUE(list().count(name));
    }
}

TEST_F(Device, QueryCapDescribesEachNode) {
    struct Case {
        const char* node;
        const char* driver;
        const char* card;
        std::uint32_t version;
        std::uint32_t deviceCaps;
    };
    const std::uint32_t common = V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
    const Case cases[] = {
        {"video0", "uvcvideo", "Quorix USB Camera", 0x6014c, V4L2_CAP_VIDEO_CAPTURE | common},
        {"video1", "uvcvideo", "Quorix USB Camera", 0x6014c, V4L2_CAP_META_CAPTURE | common},
        {"video4", "v4l2 loopback", "Loop Camera", 0x60000, V4L2_CAP_VIDEO_CAPTURE | common},
        {"video6", "m2m", "Scaler", 0x6014c, V4L2_CAP_VIDEO_M2M | common},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Fd fd = openNode(c.node);
        v4l2_capability cap{};
        ASSERT_EQ(request(fd.get(), VIDIOC_QUERYCAP, &cap), 0);
        EXPECT_STREQ(reinterpret_cast<char*>(cap.driver), c.driver);
        EXPECT_STREQ(reinterpret_cast<char*>(cap.card), c.card);
        EXPECT_EQ(cap.version, c.version);
        EXPECT_EQ(cap.device_caps, c.deviceCaps);
        EXPECT_EQ(cap.capabilities & cap.device_caps, cap.device_caps);
        EXPECT_TRUE(cap.capabilities & V4L2_CAP_DEVICE_CAPS);
    }
    Fd fd = openNode("video0");
    v4l2_capability cap{};
    ASSERT_EQ(request(fd.get(), VIDIOC_QUERYCAP, &cap), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(cap.bus_info), "usb-0000:00:14.0-2");
    EXPECT_TRUE(cap.capabilities & V4L2_CAP_META_CAPTURE);
}

TEST_F(Device, FormatsSizesAndIntervalsAreListedInOrder) {
    Fd fd = openNode("video0");
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>> formats;
    for (v4l2_fmtdesc d = fmtdesc(0); request(fd.get(), VIDIOC_ENUM_FMT, &d) == 0;
         d = fmtdesc(d.index + 1)) {
        formats.emplace_back(d.pixelformat, d.flags, reinterpret_cast<char*>(d.description));
    }
    EXPECT_EQ(formats, (decltype(formats){{kYuyv, 0, "YUYV 4:2:2"},
                                          {kMjpg, V4L2_FMT_FLAG_COMPRESSED, "Motion-JPEG"}}));

    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    for (v4l2_frmsizeenum e = frmsize(0, kMjpg); request(fd.get(), VIDIOC_ENUM_FRAMESIZES, &e) == 0;
         e = frmsize(e.index + 1, kMjpg)) {
        EXPECT_EQ(e.type, V4L2_FRMSIZE_TYPE_DISCRETE);
        sizes.emplace_back(e.discrete.width, e.discrete.height);
    }
    EXPECT_EQ(sizes, (decltype(sizes){{640, 480}, {1280, 720}, {1920, 1080}}));

    struct Case {
        std::uint32_t fourcc, width, height;
        std::vector<std::uint32_t> fps; // empty: the size is not offered
    };
    const Case cases[] = {{kYuyv, 640, 480, {30, 15}},
                          {kYuyv, 1280, 720, {10}},
                          {kYuyv, 1920, 1080, {}},
                          {v4l2_fourcc('N', 'V', '1', '2'), 640, 480, {}}};
    for (const Case& c : cases) {
        std::vector<std::uint32_t> fps;
        for (v4l2_frmivalenum e = frmival(0, c.fourcc, c.width, c.height);
             request(fd.get(), VIDIOC_ENUM_FRAMEINTERVALS, &e) == 0;
             e = frmival(e.index + 1, c.fourcc, c.width, c.height)) {
            EXPECT_EQ(e.discrete.numerator, 1u);
            fps.push_back(e.discrete.denominator);
        }
        EXPECT_EQ(fps, c.fps) << c.width << "x" << c.height;
    }

    Fd loop = openNode("video4");
    v4l2_frmsizeenum range = frmsize(0, kYuyv);
    ASSERT_EQ(request(loop.get(), VIDIOC_ENUM_FRAMESIZES, &range), 0);
    EXPECT_EQ(range.type, V4L2_FRMSIZE_TYPE_STEPWISE);
    EXPECT_EQ(range.stepwise.min_width, 160u);
    EXPECT_EQ(range.stepwise.max_height, 1080u);
    EXPECT_EQ(range.stepwise.step_width, 8u);
    range = frmsize(1, kYuyv);
    EXPECT_EQ(request(loop.get(), VIDIOC_ENUM_FRAMESIZES, &range), EINVAL);
    v4l2_frmivalenum onStep = frmival(1, kYuyv, 168, 122);
    EXPECT_EQ(request(loop.get(), VIDIOC_ENUM_FRAMEINTERVALS, &onStep), 0);
    EXPECT_EQ(onStep.discrete.denominator, 15u);
    v4l2_frmivalenum offStep = frmival(0, kYuyv, 170, 122);
    EXPECT_EQ(request(loop.get(), VIDIOC_ENUM_FRAMEINTERVALS, &offStep), EINVAL);
}

TEST_F(Device, FormatRequestsGetTheNearestOfferedSize) {
    struct Case {
        const char* node;
        std::uint32_t fourcc, width, height; // asked
        std::uint32_t gotFourcc, gotW, gotH; // answered
    };
    const Case cases[] = {
        {"video0", kYuyv, 1280, 700, kYuyv, 1280, 720},
        {"video0", kYuyv, 100, 100, kYuyv, 640, 480},
        {"video0", kYuyv, 4000, 3000, kYuyv, 1280, 720},
        {"video0", kMjpg, 1900, 1000, kMjpg, 1920, 1080},
        {"video0", v4l2_fourcc('X', 'X', 'X', 'X'), 1280, 720, kYuyv, 1280, 720},
        {"video4", kYuyv, 333, 251, kYuyv, 336, 252},
        {"video4", kYuyv, 10, 10, kYuyv, 160, 120},
        {"video4", kYuyv, 5000, 5000, kYuyv, 1920, 1080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height));
        Fd fd = openNode(c.node);
        for (unsigned long req : {VIDIOC_TRY_FMT, VIDIOC_S_FMT}) {
            v4l2_format f = pixFormat(c.fourcc, c.width, c.height);
            ASSERT_EQ(request(fd.get(), req, &f), 0);
            EXPECT_EQ(f.fmt.pix.pixelformat, c.gotFourcc);
            EXPECT_EQ(f.fmt.pix.width, c.gotW);
            EXPECT_EQ(f.fmt.pix.height, c.gotH);
            EXPECT_EQ(f.fmt.pix.field, V4L2_FIELD_NONE);
            if (c.gotFourcc == kYuyv) {
                EXPECT_EQ(f.fmt.pix.bytesperline, c.gotW * 2);
                EXPECT_EQ(f.fmt.pix.sizeimage, c.gotW * c.gotH * 2);
                EXPECT_EQ(f.fmt.pix.quantization, V4L2_QUANTIZATION_LIM_RANGE);
                EXPECT_EQ(f.fmt.pix.ycbcr_enc, V4L2_YCBCR_ENC_601);
            }
        }
        v4l2_format now{};
        now.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(fd.get(), VIDIOC_G_FMT, &now), 0);
        EXPECT_EQ(now.fmt.pix.width, c.gotW);
    }
    EXPECT_TRUE(logHas("video0 S_FMT MJPG 1920x1080"));
    EXPECT_TRUE(logHas("video4 S_FMT YUYV 336x252"));
}

TEST_F(Device, FrameIntervalIsRoundedToAnOfferedOne) {
    struct Case {
        std::uint32_t width, height, askedNum, askedDen, gotDen;
    };
    const Case cases[] = {
        {640, 480, 1, 15, 15}, {640, 480, 1, 20, 15}, // a tie goes to the longer interval
        {640, 480, 1, 25, 30}, {640, 480, 1, 60, 30},       {640, 480, 1, 5, 15},
        {640, 480, 0, 0, 30},  {640, 480, 1001, 30000, 30}, {1280, 720, 1, 30, 10},
    };
    Fd fd = openNode("video0");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.askedNum) + "/" + std::to_string(c.askedDen));
        v4l2_format f = pixFormat(kYuyv, c.width, c.height);
        ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
        v4l2_streamparm p{};
        p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        p.parm.capture.timeperframe = {c.askedNum, c.askedDen};
        ASSERT_EQ(request(fd.get(), VIDIOC_S_PARM, &p), 0);
        EXPECT_EQ(p.parm.capture.timeperframe.numerator, 1u);
        EXPECT_EQ(p.parm.capture.timeperframe.denominator, c.gotDen);
        EXPECT_EQ(p.parm.capture.capability, static_cast<std::uint32_t>(V4L2_CAP_TIMEPERFRAME));
        v4l2_streamparm g{};
        g.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(fd.get(), VIDIOC_G_PARM, &g), 0);
        EXPECT_EQ(g.parm.capture.timeperframe.denominator, c.gotDen);
    }
    EXPECT_TRUE(logHas("video0 S_PARM 1/15 asked 1/20"));

    // A new size keeps the rate nearest to the one set.
    v4l2_format f = pixFormat(kYuyv, 640, 480);
    ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(request(fd.get(), VIDIOC_G_PARM, &p), 0);
    EXPECT_EQ(p.parm.capture.timeperframe.denominator, 15u);
}

TEST_F(Device, InputsAndRequestsNotEmulated) {
    Fd fd = openNode("video0");
    v4l2_input in{};
    std::vector<std::string> names;
    for (in.index = 0; request(fd.get(), VIDIOC_ENUMINPUT, &in) == 0; ++in.index) {
        names.emplace_back(reinterpret_cast<char*>(in.name));
        EXPECT_EQ(in.type, static_cast<std::uint32_t>(V4L2_INPUT_TYPE_CAMERA));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Camera 1", "Camera 2"}));
    int index = 1;
    EXPECT_EQ(request(fd.get(), VIDIOC_S_INPUT, &index), 0);
    index = 5;
    EXPECT_EQ(request(fd.get(), VIDIOC_S_INPUT, &index), EINVAL);
    EXPECT_EQ(request(fd.get(), VIDIOC_G_INPUT, &index), 0);
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(logHas("video0 S_INPUT 1"));

    struct Case {
        const char* node;
        unsigned long req;
        int error;
    };
    const Case cases[] = {
        {"video0", _IOWR('V', 250, int), ENOTTY}, {"video0", VIDIOC_ENUMSTD, ENOTTY},
        {"video0", VIDIOC_G_SELECTION, ENOTTY},   {"video0", FIONREAD, ENOTTY},
        {"video0", VIDIOC_CREATE_BUFS, ENOTTY},   {"video1", VIDIOC_QUERYCTRL, ENOTTY},
        {"video6", VIDIOC_ENUM_FMT, ENOTTY},      {"video0", VIDIOC_G_CTRL, EINVAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + std::to_string(c.req));
        Fd node = openNode(c.node);
        char buffer[512] = {};
        EXPECT_EQ(request(node.get(), c.req, buffer), c.error);
    }
    Fd meta = openNode("video1");
    v4l2_fmtdesc d = fmtdesc(0);
    EXPECT_EQ(request(meta.get(), VIDIOC_ENUM_FMT, &d), EINVAL);
    d = fmtdesc(0, V4L2_BUF_TYPE_META_CAPTURE);
    EXPECT_EQ(request(meta.get(), VIDIOC_ENUM_FMT, &d), 0);
    EXPECT_EQ(d.pixelformat, v4l2_fourcc('U', 'V', 'C', 'H'));
    char byte = 0;
    EXPECT_EQ(::read(fd.get(), &byte, 1), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(Device, StateIsSharedUntilTheConfigChanges) {
    Fd control = openNode("video0");
    Fd second = openNode("video0");
    v4l2_control c{V4L2_CID_BRIGHTNESS, 20};
    ASSERT_EQ(request(control.get(), VIDIOC_S_CTRL, &c), 0);
    control = Fd();
    c.value = 0;
    ASSERT_EQ(request(second.get(), VIDIOC_G_CTRL, &c), 0);
    EXPECT_EQ(c.value, 20);
    Fd reopened = openNode("video0");
    ASSERT_EQ(request(reopened.get(), VIDIOC_G_CTRL, &c), 0);
    EXPECT_EQ(c.value, 20);

    // One file owns the queue; a duplicate shares it, another open does not.
    v4l2_requestbuffers req = reqbufs(2);
    ASSERT_EQ(request(second.get(), VIDIOC_REQBUFS, &req), 0);
    Fd duplicate(dup(second.get()));
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(request(duplicate.get(), VIDIOC_STREAMOFF, &type), 0);
    EXPECT_EQ(request(reopened.get(), VIDIOC_REQBUFS, &req), EBUSY);

    writeConfig(configOf({standardCamera()}));
    Fd fresh = openNode("video0");
    ASSERT_EQ(request(fresh.get(), VIDIOC_G_CTRL, &c), 0);
    EXPECT_EQ(c.value, 0);
    EXPECT_EQ(request(fresh.get(), VIDIOC_REQBUFS, &req), 0);
    EXPECT_FALSE(std::filesystem::exists(paths().dir + "/video4"));
    EXPECT_LT(openNode("video4").get(), 0);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(Device, ConfigErrorsNameTheFault) {
    writeConfig(
        R"({"cameras":[{"node":"video0","formats":[{"fourcc":"YUYV","sizes":[[641,480,[30]]]}]}]})");
    EXPECT_LT(openNode("video0").get(), 0);
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "* CONFIG error camera video0: YUYV widths must be even");
}

} // namespace
} // namespace fakecam::test
