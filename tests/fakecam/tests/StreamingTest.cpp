// Streaming from the emulated camera: the frames' picture, dropping, refusals, unplugging.

#include "Harness.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <thread>
#include <turbojpeg.h>

namespace fakecam::test {
namespace {

class Streaming : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove(paths().unplug);
        clearLog();
        writeConfig(configOf({standardCamera()}));
    }
    void TearDown() override { std::filesystem::remove(paths().unplug); }
};

// Polls until the node reports an error, within a bound.
short waitForError(int fd) {
    pollfd p{fd, POLLIN, 0};
    for (int i = 0; i < 40; ++i) {
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLERR)) {
            return p.revents;
        }
    }
    return p.revents;
}

TEST_F(Streaming, YuyvFramesShowTheBandsAndTheirSequence) {
    Stream stream("video0", kYuyv, 640, 480, 30);
    timeval last{};
    int lastSequence = -1;
    for (int i = 0; i < 3; ++i) {
        v4l2_buffer b{};
        ASSERT_TRUE(stream.next(b));
        EXPECT_EQ(b.bytesused, 640u * 480 * 2);
        EXPECT_EQ(b.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK, V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC);
        EXPECT_TRUE(timercmp(&last, &b.timestamp, <));
        last = b.timestamp;
        std::string problem;
        const int counter = checkPicture(
            640, 480, 3, [&](int x, int y) { return yuyvAt(stream.data(b), 640, x, y); }, problem);
        EXPECT_EQ(counter, static_cast<int>(b.sequence)) << problem;
        EXPECT_GT(static_cast<int>(b.sequence), lastSequence);
        lastSequence = static_cast<int>(b.sequence);
        ASSERT_EQ(stream.requeue(b), 0);
    }
    EXPECT_TRUE(logHas("video0 REQBUFS 4"));
    EXPECT_TRUE(logHas("video0 STREAMON"));
}

TEST_F(Streaming, MjpgFramesDecodeToTheSamePicture) {
    Stream stream("video0", kMjpg, 1280, 720, 30);
    v4l2_buffer b{};
    ASSERT_TRUE(stream.next(b));
    std::unique_ptr<void, int (*)(tjhandle)> jpeg(tjInitDecompress(), tjDestroy);
    int width = 0, height = 0, sampling = -1, colours = 0;
    auto* data = const_cast<unsigned char*>(stream.data(b));
    ASSERT_EQ(
        tjDecompressHeader3(jpeg.get(), data, b.bytesused, &width, &height, &sampling, &colours),
        0);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 720);
    EXPECT_EQ(sampling, TJSAMP_422);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    ASSERT_EQ(
        tjDecompress2(jpeg.get(), data, b.bytesused, rgb.data(), width, 0, height, TJPF_RGB, 0), 0);
    std::string problem;
    const int counter = checkPicture(
        width, height, 4,
        [&](int x, int y) {
            const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            return Rgb{p[0], p[1], p[2]};
        },
        problem);
    EXPECT_EQ(counter, static_cast<int>(b.sequence)) << problem;
}

TEST_F(Streaming, FramesFindingNoBufferAreDroppedButCounted) {
    Stream stream("video0", kYuyv, 640, 480, 30, 1);
    v4l2_buffer b{};
    ASSERT_TRUE(stream.next(b));
    EXPECT_EQ(b.sequence, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // frames come, none queued
    ASSERT_EQ(stream.requeue(b), 0);
    ASSERT_TRUE(stream.next(b));
    EXPECT_GE(b.sequence, 2u);
}

TEST_F(Streaming, ControlsFromAnotherThreadWhileStreaming) {
    Stream stream("video0", kMjpg, 1920, 1080, 30); // painting runs outside the lock
    Fd control = openNode("video0");
    std::thread dialog([&] {
        for (int i = 0; i < 300; ++i) {
            v4l2_control c{V4L2_CID_BRIGHTNESS, i % 64};
            EXPECT_EQ(request(control.get(), VIDIOC_S_CTRL, &c), 0);
        }
    });
    std::vector<v4l2_buffer> held(4);
    for (v4l2_buffer& b : held) {
        ASSERT_TRUE(stream.next(b));
    }
    dialog.join();
    // Every buffer is held: a blocking DQBUF waits until another thread stops the stream.
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        EXPECT_EQ(request(stream.fd(), VIDIOC_STREAMOFF, &type), 0);
    });
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(request(stream.fd(), VIDIOC_DQBUF, &b), EINVAL);
    stopper.join();
}

TEST_F(Streaming, RequestsRefusedAsVideobuf2Does) {
    Fd fd = openNode("video0", O_NONBLOCK);
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    v4l2_buffer dq{};
    dq.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    dq.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(request(fd.get(), VIDIOC_STREAMON, &type), EINVAL); // no buffers yet
    EXPECT_EQ(request(fd.get(), VIDIOC_DQBUF, &dq), EINVAL);      // not streaming
    for (std::uint32_t memory : {V4L2_MEMORY_USERPTR, V4L2_MEMORY_DMABUF}) {
        v4l2_requestbuffers req = reqbufs(2, memory);
        EXPECT_EQ(request(fd.get(), VIDIOC_REQBUFS, &req), EINVAL);
    }
    v4l2_requestbuffers req = reqbufs(2);
    ASSERT_EQ(request(fd.get(), VIDIOC_REQBUFS, &req), 0);
    EXPECT_TRUE(req.capabilities & V4L2_BUF_CAP_SUPPORTS_MMAP);
    EXPECT_FALSE(req.capabilities & V4L2_BUF_CAP_SUPPORTS_USERPTR);
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    ASSERT_EQ(request(fd.get(), VIDIOC_QUERYBUF, &b), 0);
    EXPECT_EQ(mmap(nullptr, b.length, PROT_READ, MAP_PRIVATE, fd.get(), b.m.offset), MAP_FAILED);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(mmap(nullptr, b.length, PROT_READ, MAP_SHARED, fd.get(), b.m.offset + 4096),
              MAP_FAILED);
    v4l2_format f = pixFormat(kYuyv, 1280, 720);
    EXPECT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), EBUSY);
    v4l2_exportbuffer expbuf{};
    expbuf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(request(fd.get(), VIDIOC_EXPBUF, &expbuf), ENOTTY);
    ASSERT_EQ(request(fd.get(), VIDIOC_QBUF, &b), 0);
    EXPECT_EQ(request(fd.get(), VIDIOC_QBUF, &b), EINVAL); // already queued
    ASSERT_EQ(request(fd.get(), VIDIOC_STREAMON, &type), 0);
    EXPECT_EQ(request(fd.get(), VIDIOC_DQBUF, &dq), EAGAIN); // no frame yet
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {1, 15};
    EXPECT_EQ(request(fd.get(), VIDIOC_S_PARM, &parm), EBUSY);
    ASSERT_EQ(request(fd.get(), VIDIOC_STREAMOFF, &type), 0);
    EXPECT_TRUE(logHas("video0 S_FMT refused EBUSY"));
    EXPECT_TRUE(logHas("video0 STREAMOFF"));
    fd = Fd();
    EXPECT_TRUE(logHas("video0 RELEASE"));
}

TEST_F(Streaming, UnplugAfterFramesFailsEveryRequest) {
    writeConfig(configOf({standardCamera(R"("unplugAfterFrames":3)")}));
    Stream stream("video0", kYuyv, 640, 480, 30);
    v4l2_buffer b{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(stream.next(b)) << i;
        ASSERT_EQ(stream.requeue(b), 0);
    }
    EXPECT_TRUE(waitForError(stream.fd()) & POLLERR);
    b = {};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(request(stream.fd(), VIDIOC_DQBUF, &b), ENODEV);
    v4l2_capability cap{};
    EXPECT_EQ(request(stream.fd(), VIDIOC_QUERYCAP, &cap), ENODEV);
    EXPECT_LT(openNode("video1").get(), 0);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(logHas("video0 UNPLUG"));
    // The unplug file says it is out, and taking it away plugs the camera back in.
    EXPECT_TRUE(std::filesystem::exists(paths().unplug));
    std::filesystem::remove(paths().unplug);
    EXPECT_GE(openNode("video0").get(), 0);
}

TEST_F(Streaming, UnplugFileUnplugsAndReplugsWithDefaults) {
    Fd control = openNode("video0");
    v4l2_control brightness{V4L2_CID_BRIGHTNESS, 30};
    ASSERT_EQ(request(control.get(), VIDIOC_S_CTRL, &brightness), 0);
    Stream stream("video0", kYuyv, 640, 480, 30);
    v4l2_buffer b{};
    ASSERT_TRUE(stream.next(b));
    std::ofstream(paths().unplug).close();
    EXPECT_TRUE(waitForError(stream.fd()) & POLLERR);
    EXPECT_EQ(request(control.get(), VIDIOC_G_CTRL, &brightness), ENODEV);
    EXPECT_LT(openNode("video0").get(), 0);
    EXPECT_EQ(errno, ENOENT);
    // The kernel takes an unplugged device's nodes away, and makes them again when it is
    // back, whether or not anyone asks: a program watching the directory sees both.
    const std::string node = paths().dir + "/video0";
    const std::string meta = paths().dir + "/video1";
    const std::string name = paths().sysfs + "/class/video4linux/video0/name";
    EXPECT_FALSE(std::filesystem::exists(node));
    EXPECT_FALSE(std::filesystem::exists(meta));
    EXPECT_FALSE(std::filesystem::exists(name));

    std::filesystem::remove(paths().unplug);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!std::filesystem::exists(node) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(node));
    EXPECT_TRUE(std::filesystem::exists(meta));
    EXPECT_TRUE(std::filesystem::exists(name));
    Fd replugged = openNode("video0");
    ASSERT_GE(replugged.get(), 0);
    ASSERT_EQ(request(replugged.get(), VIDIOC_G_CTRL, &brightness), 0);
    EXPECT_EQ(brightness.value, 0);
    // A descriptor of the device that went away stays dead.
    EXPECT_EQ(request(control.get(), VIDIOC_G_CTRL, &brightness), ENODEV);
    EXPECT_TRUE(logHas("video0 UNPLUG"));
    EXPECT_TRUE(logHas("video0 REPLUG"));
}

TEST_F(Streaming, BusyCameraRefusesAsConfigured) {
    struct Case {
        const char* busy;
        int format, reqbufs, streamon;
    };
    const Case cases[] = {{"true", 0, 0, EBUSY}, {R"("format")", EBUSY, EBUSY, EBUSY}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busy);
        writeConfig(configOf({standardCamera(std::string(R"("busy":)") + c.busy)}));
        Fd fd = openNode("video0");
        v4l2_format f = pixFormat(kYuyv, 640, 480);
        EXPECT_EQ(request(fd.get(), VIDIOC_S_FMT, &f), c.format);
        v4l2_requestbuffers req = reqbufs(2);
        EXPECT_EQ(request(fd.get(), VIDIOC_REQBUFS, &req), c.reqbufs);
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        EXPECT_EQ(request(fd.get(), VIDIOC_STREAMON, &type), c.streamon);
    }
    EXPECT_TRUE(logHas("video0 STREAMON refused EBUSY"));
}

} // namespace
} // namespace fakecam::test
