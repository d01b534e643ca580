#include "Harness.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fakecam::test {

const Rgb kBands[4] = {{200, 50, 50}, {50, 200, 50}, {50, 50, 200}, {200, 200, 50}};
const Rgb kGreyBands[4] = {{95, 95, 95}, {138, 138, 138}, {67, 67, 67}, {183, 183, 183}};

const Paths& paths() {
    static const Paths p = [] {
        const std::string scratch = std::getenv("FAKECAM_TEST_SCRATCH");
        return Paths{std::getenv("FAKECAM_DEVICE_DIR"),
                     std::getenv("FAKECAM_CONFIG"),
                     std::getenv("FAKECAM_LOG"),
                     scratch + "/unplugged",
                     scratch,
                     std::getenv("FAKECAM_SYSFS_DIR")};
    }();
    return p;
}

void writeConfig(const std::string& json) {
    const std::string next = paths().config + ".next";
    std::ofstream(next) << json;
    std::filesystem::rename(next, paths().config);
}

std::string standardCamera(const std::string& extra) {
    return R"({"node":"video0","metaNode":"video1","card":"Quorix USB Camera",)"
           R"("bus":"usb-0000:00:14.0-2","version":"6.1.76",)"
           R"("formats":[{"fourcc":"YUYV","sizes":[[640,480,[30,15]],[1280,720,[10]]]},)"
           R"({"fourcc":"MJPG","sizes":[[640,480,[30]],[1280,720,[30]],[1920,1080,[30]]]}],)"
           R"("controls":"uvc","inputs":["Camera 1","Camera 2"],"unplugFile":")" +
           paths().unplug + "\"" + (extra.empty() ? "" : "," + extra) + "}";
}

std::string configOf(const std::vector<std::string>& cameras) {
    std::string json = R"({"cameras":[)";
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        json += (i ? "," : "") + cameras[i];
    }
    return json + "]}";
}

std::string hexId(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", id);
    return text;
}

std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::ifstream in(paths().log);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string configError(const std::string& json) {
    clearLog();
    writeConfig(json);
    // Opening a path of the device directory makes the emulator read the config again.
    Fd probe = openNode("video0");
    const std::string prefix = "* CONFIG error ";
    for (const std::string& line : logLines()) {
        if (line.rfind(prefix, 0) == 0) {
            return line.substr(prefix.size());
        }
    }
    return "";
}

void clearLog() {
    std::filesystem::remove(paths().log);
}

bool logHas(const std::string& line) {
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

Fd& Fd::operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Fd openNode(const std::string& node, int flags) {
    return Fd(::open((paths().dir + "/" + node).c_str(), O_RDWR | O_CLOEXEC | flags));
}

v4l2_fmtdesc fmtdesc(std::uint32_t index, std::uint32_t type) {
    v4l2_fmtdesc d{};
    d.index = index;
    d.type = type;
    return d;
}

v4l2_frmsizeenum frmsize(std::uint32_t index, std::uint32_t fourcc) {
    v4l2_frmsizeenum e{};
    e.index = index;
    e.pixel_format = fourcc;
    return e;
}

v4l2_frmivalenum frmival(std::uint32_t index, std::uint32_t fourcc, std::uint32_t width,
                         std::uint32_t height) {
    v4l2_frmivalenum e{};
    e.index = index;
    e.pixel_format = fourcc;
    e.width = width;
    e.height = height;
    return e;
}

v4l2_format pixFormat(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.pixelformat = fourcc;
    f.fmt.pix.width = width;
    f.fmt.pix.height = height;
    return f;
}

v4l2_requestbuffers reqbufs(std::uint32_t count, std::uint32_t memory) {
    v4l2_requestbuffers r{};
    r.count = count;
    r.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    r.memory = memory;
    return r;
}

int request(int fd, unsigned long req, void* arg) {
    return ::ioctl(fd, req, arg) == 0 ? 0 : errno;
}

double millisecondsBetween(const timeval& earlier, const timeval& later) {
    return static_cast<double>(later.tv_sec - earlier.tv_sec) * 1000.0 +
           static_cast<double>(later.tv_usec - earlier.tv_usec) / 1000.0;
}

Rgb yuyvAt(const std::uint8_t* frame, int width, int x, int y) {
    const std::uint8_t* pair = frame + (static_cast<std::size_t>(y) * width + (x & ~1)) * 2;
    const double luma = 1.164 * (pair[(x & 1) * 2] - 16);
    const double u = pair[1] - 128, v = pair[3] - 128;
    return {static_cast<int>(std::lround(luma + 1.596 * v)),
            static_cast<int>(std::lround(luma - 0.392 * u - 0.813 * v)),
            static_cast<int>(std::lround(luma + 2.017 * u))};
}

namespace {

Rgb fromYuv(int luma, int cb, int cr) {
    const double l = 1.164 * (luma - 16);
    const double u = cb - 128, v = cr - 128;
    return {static_cast<int>(std::lround(l + 1.596 * v)),
            static_cast<int>(std::lround(l - 0.392 * u - 0.813 * v)),
            static_cast<int>(std::lround(l + 2.017 * u))};
}

} // namespace

Rgb rawPixelAt(std::uint32_t fourcc, const std::uint8_t* frame, int width, int height, int x,
               int y) {
    const std::size_t w = width, h = height;
    const std::size_t at = static_cast<std::size_t>(y) * w + x;
    const std::uint8_t* pair = frame + (static_cast<std::size_t>(y) * w + (x & ~1)) * 2;
    const std::size_t chroma = static_cast<std::size_t>(y / 2) * w + (x & ~1); // NV12 and NV21
    const std::size_t planar = static_cast<std::size_t>(y / 2) * (w / 2) + x / 2;
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
        return yuyvAt(frame, width, x, y);
    case V4L2_PIX_FMT_UYVY:
        return fromYuv(pair[1 + (x & 1) * 2], pair[0], pair[2]);
    case V4L2_PIX_FMT_YVYU:
        return fromYuv(pair[(x & 1) * 2], pair[3], pair[1]);
    case V4L2_PIX_FMT_NV12:
        return fromYuv(frame[at], frame[w * h + chroma], frame[w * h + chroma + 1]);
    case V4L2_PIX_FMT_NV21:
        return fromYuv(frame[at], frame[w * h + chroma + 1], frame[w * h + chroma]);
    case V4L2_PIX_FMT_YUV420:
        return fromYuv(frame[at], frame[w * h + planar], frame[w * h + w * h / 4 + planar]);
    case V4L2_PIX_FMT_YVU420:
        return fromYuv(frame[at], frame[w * h + w * h / 4 + planar], frame[w * h + planar]);
    case V4L2_PIX_FMT_GREY: {
        const int l = static_cast<int>(std::lround(1.164 * (frame[at] - 16)));
        return {l, l, l};
    }
    case V4L2_PIX_FMT_RGB24:
        return {frame[at * 3], frame[at * 3 + 1], frame[at * 3 + 2]};
    case V4L2_PIX_FMT_BGR24:
        return {frame[at * 3 + 2], frame[at * 3 + 1], frame[at * 3]};
    default:
        return {-1, -1, -1};
    }
}

Stream::Stream(const std::string& node, std::uint32_t fourcc, int width, int height, int fps,
               int buffers)
    : fd_(openNode(node)) {
    v4l2_format format = pixFormat(fourcc, width, height);
    EXPECT_EQ(request(fd(), VIDIOC_S_FMT, &format), 0);
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {1, static_cast<std::uint32_t>(fps)};
    EXPECT_EQ(request(fd(), VIDIOC_S_PARM, &parm), 0);
    v4l2_requestbuffers req = reqbufs(buffers);
    EXPECT_EQ(request(fd(), VIDIOC_REQBUFS, &req), 0);
    for (std::uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer b{};
        b.index = i;
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        EXPECT_EQ(request(fd(), VIDIOC_QUERYBUF, &b), 0);
        void* p = mmap(nullptr, b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd(), b.m.offset);
        EXPECT_NE(p, MAP_FAILED);
        maps_.push_back(static_cast<std::uint8_t*>(p));
        lengths_.push_back(b.length);
        EXPECT_EQ(request(fd(), VIDIOC_QBUF, &b), 0);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(request(fd(), VIDIOC_STREAMON, &type), 0);
}

Stream::~Stream() {
    for (std::size_t i = 0; i < maps_.size(); ++i) {
        if (maps_[i] != MAP_FAILED) {
            munmap(maps_[i], lengths_[i]);
        }
    }
}

bool Stream::next(v4l2_buffer& buffer, int timeoutMs) {
    pollfd p{fd(), POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1 || !(p.revents & POLLIN)) {
        return false;
    }
    buffer = {};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    return request(fd(), VIDIOC_DQBUF, &buffer) == 0;
}

int Stream::requeue(v4l2_buffer& buffer) {
    return request(fd(), VIDIOC_QBUF, &buffer);
}

double Stream::medianGapMs(v4l2_buffer& buffer, int gaps) {
    std::vector<double> found;
    for (int i = 0; i < gaps; ++i) {
        const timeval before = buffer.timestamp;
        if (requeue(buffer) != 0 || !next(buffer)) {
            return -1;
        }
        found.push_back(millisecondsBetween(before, buffer.timestamp));
    }
    if (found.empty()) {
        return -1;
    }
    std::nth_element(found.begin(), found.begin() + found.size() / 2, found.end());
    return found[found.size() / 2];
}

} // namespace fakecam::test

namespace {

// Runs this program again under the preload, in a directory of its own that goes away
// afterwards: parallel test processes never share a config or a device directory.
int runUnderPreload(char** argv) {
    char dirTemplate[] = "/tmp/fakecam-tests-XXXXXX";
    const char* dir = mkdtemp(dirTemplate);
    if (!dir) {
        std::perror("fakecam_tests: mkdtemp");
        return 1;
    }
    const std::string root = dir;
    std::filesystem::create_directory(root + "/dev");
    std::ofstream(root + "/cameras.json") << R"({"cameras":[]})";
    setenv("FAKECAM_DEVICE_DIR", (root + "/dev").c_str(), 1);
    setenv("FAKECAM_CONFIG", (root + "/cameras.json").c_str(), 1);
    setenv("FAKECAM_LOG", (root + "/requests.log").c_str(), 1);
    setenv("FAKECAM_TEST_SCRATCH", root.c_str(), 1);
    setenv("FAKECAM_SYSFS_DIR", (root + "/sys").c_str(), 1);
    unsetenv("FAKECAM_TRACE");
    const char* before = std::getenv("LD_PRELOAD");
    std::string preload = FAKECAM_PRELOAD;
    if (before && *before) {
        preload += std::string(":") + before;
    }
    setenv("LD_PRELOAD", preload.c_str(), 1);
    const pid_t child = fork();
    if (child == 0) {
        execv("/proc/self/exe", argv);
        std::perror("fakecam_tests: exec");
        _exit(127);
    }
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::filesystem::remove_all(root);
    if (child < 0 || !WIFEXITED(status)) {
        std::fprintf(stderr, "fakecam_tests: the test process died (status %d)\n", status);
        return 1;
    }
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("FAKECAM_TEST_SCRATCH")) {
        return runUnderPreload(argv);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
