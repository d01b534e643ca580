// The emulator under a real GStreamer pipeline: gst-launch-1.0 with v4l2src, run under
// the preload with a registry of its own (so the plugin scanner runs under it too).

#include "Harness.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace fakecam::test {
namespace {

// Runs a command with this process's environment, the preload included; its exit status.
int run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Case {
    const char* name;
    const char* caps;
    const char* decode;
    int width, height;
    std::vector<const char*> elements;
    const char* fourcc = nullptr; // a camera of this one format; nullptr: the standard camera
    const Rgb* bands = kBands;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class GstLaunch : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        // A registry of our own makes the plugin scanner run under the preload. gst-launch
        // keeps process-wide allocations until exit: not what the sanitizer is here for.
        setenv("GST_REGISTRY", (paths().scratch + "/registry.bin").c_str(), 1);
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
    }
};

TEST_P(GstLaunch, PipelineFramesShowTheBandsAndCount) {
    const Case& c = GetParam();
    for (const char* element : c.elements) {
        ASSERT_EQ(run({"gst-inspect-1.0", "--exists", element}), 0)
            << "GStreamer element " << element
            << " is not installed: scripts/setup installs gstreamer1.0-tools, "
               "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad "
               "(h264parse) and gstreamer1.0-libav (avdec_h264)";
    }
    std::filesystem::remove(paths().unplug);
    writeConfig(configOf({c.fourcc ? std::string(R"({"node":"video0","formats":[{"fourcc":")") +
                                         c.fourcc + R"(","sizes":[[)" + std::to_string(c.width) +
                                         "," + std::to_string(c.height) + ",[30]]]}]}"
                                   : standardCamera()}));
    const std::string out = paths().scratch + "/frames.bgrx";
    const std::string pipeline =
        std::string("v4l2src device=") + paths().dir + "/video0 num-buffers=5 ! " + c.caps + " ! " +
        c.decode + "videoconvert ! video/x-raw,format=BGRx ! filesink location=" + out;
    std::vector<std::string> args = {"timeout", "60", "gst-launch-1.0", "-q"};
    for (std::size_t start = 0, end; start < pipeline.size(); start = end + 1) {
        end = pipeline.find(' ', start);
        end = end == std::string::npos ? pipeline.size() : end;
        args.push_back(pipeline.substr(start, end - start));
    }
    ASSERT_EQ(run(args), 0) << pipeline;

    std::ifstream in(out, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::size_t frame = static_cast<std::size_t>(c.width) * c.height * 4;
    ASSERT_EQ(bytes.size(), 5 * frame);
    // Under load a frame may find no free buffer and be dropped: the counters only rise.
    int last = -1;
    for (int i = 0; i < 5; ++i) {
        const unsigned char* f = bytes.data() + i * frame;
        std::string problem;
        const int counter = checkPicture(
            c.width, c.height, 6,
            [&](int x, int y) {
                const unsigned char* p = f + (static_cast<std::size_t>(y) * c.width + x) * 4;
                return Rgb{p[2], p[1], p[0]};
            },
            problem, c.bands);
        EXPECT_GT(counter, last) << "frame " << i << " " << problem;
        last = counter;
    }
    EXPECT_TRUE(logHas("video0 STREAMON"));
    EXPECT_TRUE(logHas("video0 STREAMOFF"));
}

// A raw format as v4l2src names it, converted by videoconvert alone.
Case raw(const char* name, const char* fourcc, const char* caps, const Rgb* bands = kBands) {
    return {name, caps, "", 640, 480, {"v4l2src", "videoconvert", "filesink"}, fourcc, bands};
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GstLaunch,
    testing::Values(Case{"Yuyv",
                         "video/x-raw,format=YUY2,width=640,height=480",
                         "",
                         640,
                         480,
                         {"v4l2src", "videoconvert", "filesink"}},
                    Case{"Mjpg",
                         "image/jpeg,width=1280,height=720",
                         "jpegdec ! ",
                         1280,
                         720,
                         {"v4l2src", "jpegdec", "videoconvert", "filesink"}},
                    raw("Nv12", "NV12", "video/x-raw,format=NV12"),
                    raw("Nv21", "NV21", "video/x-raw,format=NV21"),
                    raw("Yu12", "YU12", "video/x-raw,format=I420"),
                    raw("Yv12", "YV12", "video/x-raw,format=YV12"),
                    raw("Uyvy", "UYVY", "video/x-raw,format=UYVY"),
                    raw("Yvyu", "YVYU", "video/x-raw,format=YVYU"),
                    raw("Grey", "GREY", "video/x-raw,format=GRAY8", kGreyBands),
                    raw("Rgb3", "RGB3", "video/x-raw,format=RGB"),
                    raw("Bgr3", "BGR3", "video/x-raw,format=BGR"),
                    // At 1280 x 720 a decoder would take BT.709 unless the stream says 601.
                    Case{"H264",
                         "video/x-h264,width=1280,height=720",
                         "h264parse ! avdec_h264 ! ",
                         1280,
                         720,
                         {"v4l2src", "h264parse", "avdec_h264", "videoconvert", "filesink"},
                         "H264"}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace
} // namespace fakecam::test
