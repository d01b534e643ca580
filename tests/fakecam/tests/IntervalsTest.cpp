// Frame intervals as fractions and as ranges: what ENUM_FRAMEINTERVALS lists, where S_PARM
// rounds to, and the producer's pace.

#include "Harness.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

namespace fakecam::test {
namespace {

// video0: a list of fractions, a stepped range and a continuous one; video2: a stepped
// range whose max is off its step, at every size of a stepwise range.
const std::string kIntervalCameras = configOf({
    R"({"node":"video0","controls":"none","formats":[{"fourcc":"YUYV","sizes":[)"
    R"([640,480,["1001/60000","1001/30000",15,"2/15"]],)"
    R"([1280,720,{"min":"1/30","max":"1/1","step":"1/30"}],)"
    R"([320,240,{"min":"1/60","max":"1/5"}]]}]})",
    R"({"node":"video2","controls":"none","formats":[{"fourcc":"YUYV","sizes":)"
    R"({"stepwise":[160,120,640,480,16,2],"fps":{"min":"1/20","max":"1/5","step":"1/10"}}}]})",
});

class Intervals : public testing::Test {
protected:
    void SetUp() override {
        clearLog();
        writeConfig(kIntervalCameras);
    }
};

struct Fraction {
    std::uint32_t n, d;
    bool operator==(const Fraction& o) const { return n == o.n && d == o.d; }
};
std::ostream& operator<<(std::ostream& os, const Fraction& f) {
    return os << f.n << "/" << f.d;
}
Fraction fractionOf(const v4l2_fract& f) {
    return {f.numerator, f.denominator};
}

TEST_F(Intervals, ListedAsTheCameraGivesThem) {
    Fd fd = openNode("video0");
    std::vector<Fraction> listed;
    for (v4l2_frmivalenum e = frmival(0, kYuyv, 640, 480);
         request(fd.get(), VIDIOC_ENUM_FRAMEINTERVALS, &e) == 0;
         e = frmival(e.index + 1, kYuyv, 640, 480)) {
        EXPECT_EQ(e.type, V4L2_FRMIVAL_TYPE_DISCRETE);
        listed.push_back(fractionOf(e.discrete));
    }
    EXPECT_EQ(listed, (std::vector<Fraction>{{1001, 60000}, {1001, 30000}, {1, 15}, {2, 15}}));

    struct Case {
        const char* node;
        std::uint32_t width, height, type;
        Fraction min, max, step;
    };
    const Case cases[] = {
        {"video0", 1280, 720, V4L2_FRMIVAL_TYPE_STEPWISE, {1, 30}, {1, 1}, {1, 30}},
        {"video0", 320, 240, V4L2_FRMIVAL_TYPE_CONTINUOUS, {1, 60}, {1, 5}, {1, 1}},
        {"video2", 176, 122, V4L2_FRMIVAL_TYPE_STEPWISE, {1, 20}, {1, 5}, {1, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + std::to_string(c.width));
        Fd node = openNode(c.node);
        v4l2_frmivalenum e = frmival(0, kYuyv, c.width, c.height);
        ASSERT_EQ(request(node.get(), VIDIOC_ENUM_FRAMEINTERVALS, &e), 0);
        EXPECT_EQ(e.type, c.type);
        EXPECT_EQ(fractionOf(e.stepwise.min), c.min);
        EXPECT_EQ(fractionOf(e.stepwise.max), c.max);
        EXPECT_EQ(fractionOf(e.stepwise.step), c.step);
        e = frmival(1, kYuyv, c.width, c.height);
        EXPECT_EQ(request(node.get(), VIDIOC_ENUM_FRAMEINTERVALS, &e), EINVAL);
    }
}

TEST_F(Intervals, SetParmTakesTheNearestOfferedOne) {
    struct Case {
        const char* node;
        std::uint32_t width, height;
        Fraction asked, got;
    };
    const Case cases[] = {
        {"video0", 640, 480, {1, 60}, {1001, 60000}},
        {"video0", 640, 480, {1, 30}, {1001, 30000}},
        {"video0", 640, 480, {1, 29}, {1001, 30000}},
        {"video0", 640, 480, {1, 7}, {2, 15}},
        {"video0", 640, 480, {1, 10}, {2, 15}}, // 1/30 from 1/15 and from 2/15: the longer
        {"video0", 640, 480, {0, 0}, {1001, 60000}},
        {"video0", 1280, 720, {1, 60}, {1, 30}},            // clamped to the range
        {"video0", 1280, 720, {1, 7}, {2, 15}},             // 3.29 steps: on the third
        {"video0", 1280, 720, {1, 12}, {1, 10}},            // 1.5 steps: halves up
        {"video0", 1280, 720, {2, 1}, {1, 1}},              // clamped
        {"video0", 1280, 720, {0, 1}, {1, 30}},             // the fastest
        {"video0", 320, 240, {1001, 30000}, {1001, 30000}}, // continuous: as asked
        {"video0", 320, 240, {1, 100}, {1, 60}},
        {"video0", 320, 240, {1, 2}, {1, 5}},
        {"video2", 640, 480, {1, 5}, {3, 20}}, // max 1/5 is off the step: its last step
        {"video2", 640, 480, {1, 9}, {3, 20}},
        {"video2", 640, 480, {1, 11}, {1, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " " + std::to_string(c.width) + " asked " +
                     std::to_string(c.asked.n) + "/" + std::to_string(c.asked.d));
        Fd fd = openNode(c.node);
        v4l2_format f = pixFormat(kYuyv, c.width, c.height);
        ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
        ASSERT_EQ(f.fmt.pix.width, c.width);
        v4l2_streamparm p{};
        p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        p.parm.capture.timeperframe = {c.asked.n, c.asked.d};
        ASSERT_EQ(request(fd.get(), VIDIOC_S_PARM, &p), 0);
        EXPECT_EQ(fractionOf(p.parm.capture.timeperframe), c.got);
        v4l2_streamparm g{};
        g.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(fd.get(), VIDIOC_G_PARM, &g), 0);
        EXPECT_EQ(fractionOf(g.parm.capture.timeperframe), c.got);
    }
    EXPECT_TRUE(logHas("video0 S_PARM 1001/30000 asked 1/29"));

    // A new size keeps the interval nearest to the one set: 2/15 becomes 2/15 on the range.
    Fd fd = openNode("video0");
    v4l2_format f = pixFormat(kYuyv, 640, 480);
    ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    p.parm.capture.timeperframe = {2, 15};
    ASSERT_EQ(request(fd.get(), VIDIOC_S_PARM, &p), 0);
    f = pixFormat(kYuyv, 1280, 720);
    ASSERT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), 0);
    ASSERT_EQ(request(fd.get(), VIDIOC_G_PARM, &p), 0);
    EXPECT_EQ(fractionOf(p.parm.capture.timeperframe), (Fraction{2, 15}));
}

TEST_F(Intervals, FramesComeAtTheFractionalInterval) {
    writeConfig(configOf({R"({"node":"video0","controls":"none","formats":[{"fourcc":"YUYV",)"
                          R"("sizes":[[320,240,["2/15"]]]}]})"}));
    Stream stream("video0", kYuyv, 320, 240, 7);
    v4l2_buffer b{};
    ASSERT_TRUE(stream.next(b));
    const std::uint32_t sequence = b.sequence;
    // The median of five gaps: a first frame painted late (the thread checker's slower run
    // once gave a 60 ms gap after it, as the camera kept its schedule) does not move it.
    EXPECT_NEAR(stream.medianGapMs(b, 5), 133.3, 25.0);
    EXPECT_EQ(b.sequence, sequence + 5); // nothing dropped
}

TEST_F(Intervals, MalformedIntervalsAreConfigErrors) {
    struct Case {
        const char* rates;
        const char* reason;
    };
    const Case cases[] = {
        {R"(["0/30"])", "an interval must be \"n/d\" with whole n and d above 0, not \"0/30\""},
        {R"(["1 /30"])", "an interval must be \"n/d\" with whole n and d above 0, not \"1 /30\""},
        {R"(["1/300"])", "interval \"1/300\" is outside 1/240 .. 10/1"},
        {R"([0])", "a frame rate must be a whole number from 1 to 240 or an interval \"n/d\""},
        {R"([])", "frame rates must be a non-empty list or a range {\"min\",\"max\",\"step\"}"},
        {R"({"min":"1/5","max":"1/30"})",
         "an interval range's min (the shortest interval) is above its max"},
        {R"({"min":"1/30","max":"1/1","every":"1/30"})",
         "unknown field \"every\" in an interval range"},
        {R"({"min":"1000/65537","max":"1/1","step":"1000/65539"})",
         "an interval range's steps need more than 32 bits to be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rates);
        EXPECT_EQ(configError(configOf({std::string(R"({"node":"video0","formats":[{"fourcc":)") +
                                        R"("YUYV","sizes":[[640,480,)" + c.rates + "]]}]}"})),
                  std::string("camera video0: ") + c.reason);
    }
}

} // namespace
} // namespace fakecam::test
