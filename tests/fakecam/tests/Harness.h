#pragma once
// What every emulator test stands on: the process runs under the preload with a private
// device directory, config, log and unplug file (set up by main), and small RAII helpers.

#include <cstdint>
#include <cstdlib>
#include <linux/videodev2.h>
#include <string>
#include <vector>

namespace fakecam::test {

// The two pixel formats an emulated camera streams.
constexpr std::uint32_t kYuyv = V4L2_PIX_FMT_YUYV;
constexpr std::uint32_t kMjpg = V4L2_PIX_FMT_MJPEG;

struct Paths {
    std::string dir;     // the device directory
    std::string config;  // FAKECAM_CONFIG
    std::string log;     // FAKECAM_LOG
    std::string unplug;  // the unplug file the standard config names
    std::string scratch; // a directory for anything else
    std::string sysfs;   // FAKECAM_SYSFS_DIR
};
const Paths& paths();

// Replaces the config atomically (a new inode), so the next open sees a fresh camera.
void writeConfig(const std::string& json);
// The standard camera: video0 (capture) + video1 (metadata), YUYV and MJPG, UVC controls,
// two inputs and the unplug file. extra is inserted into its JSON object.
std::string standardCamera(const std::string& extra = "");
std::string configOf(const std::vector<std::string>& cameras);

// The log's spelling of a control id: 0x0098091a.
std::string hexId(std::uint32_t id);

// Writes a config that must be refused and returns the reason the log gives for it
// (the text after "* CONFIG error "), or "" when it was taken.
std::string configError(const std::string& json);

std::vector<std::string> logLines();
void clearLog();
bool logHas(const std::string& line);

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept;
    ~Fd();
    int get() const { return fd_; }

private:
    int fd_;
};

// Request structures with the fields that matter set and the rest zero.
v4l2_fmtdesc fmtdesc(std::uint32_t index, std::uint32_t type = V4L2_BUF_TYPE_VIDEO_CAPTURE);
v4l2_frmsizeenum frmsize(std::uint32_t index, std::uint32_t fourcc);
v4l2_frmivalenum frmival(std::uint32_t index, std::uint32_t fourcc, std::uint32_t width,
                         std::uint32_t height);
v4l2_format pixFormat(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height);
v4l2_requestbuffers reqbufs(std::uint32_t count, std::uint32_t memory = V4L2_MEMORY_MMAP);

// Opens a node of the device directory; -1 with errno set when it fails.
Fd openNode(const std::string& node, int flags = 0);
// An ioctl's errno, 0 when it succeeded.
int request(int fd, unsigned long req, void* arg);

struct Rgb {
    int r, g, b;
};
// The documented picture: band colours and the counter's levels.
extern const Rgb kBands[4];
// The bands as GREY shows them: their BT.601 luma, 0.299R + 0.587G + 0.114B.
extern const Rgb kGreyBands[4];

// Checks a decoded frame against the documented picture: each band's centre within
// tolerance, and returns the counter read from the strip (or -1 when a band is wrong).
template <typename PixelAt>
int checkPicture(int width, int height, int tolerance, PixelAt at, std::string& problem,
                 const Rgb* bands = kBands) {
    for (int band = 0; band < 4; ++band) {
        const int x = width * (2 * band + 1) / 8;
        const int y = height / 2;
        const Rgb got = at(x, y);
        const Rgb want = bands[band];
        if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
            std::abs(got.b - want.b) > tolerance) {
            problem = "band " + std::to_string(band) + " is " + std::to_string(got.r) + "," +
                      std::to_string(got.g) + "," + std::to_string(got.b);
            return -1;
        }
    }
    int counter = 0;
    const int block = width / 16;
    for (int bit = 0; bit < 16; ++bit) {
        const Rgb level = at(bit * block + block / 2, height / 16);
        counter = counter * 2 + (level.g > 128 ? 1 : 0);
    }
    return counter;
}

double millisecondsBetween(const timeval& earlier, const timeval& later);

Rgb yuyvAt(const std::uint8_t* frame, int width, int x, int y);
// Pixel (x, y) of a raw frame of any of the raw formats, converted back to RGB with the
// BT.601 inverse at limited range (GREY: its luma in each channel).
Rgb rawPixelAt(std::uint32_t fourcc, const std::uint8_t* frame, int width, int height, int x,
               int y);

// A capture stream on a node: buffers requested, mapped and queued, streaming on.
class Stream {
public:
    Stream(const std::string& node, std::uint32_t fourcc, int width, int height, int fps,
           int buffers = 4);
    ~Stream();
    int fd() const { return fd_.get(); }
    // Waits (bounded) for the next frame; false when none came or the node failed.
    bool next(v4l2_buffer& buffer, int timeoutMs = 2000);
    const std::uint8_t* data(const v4l2_buffer& buffer) const { return maps_[buffer.index]; }
    int requeue(v4l2_buffer& buffer);
    // Requeues `buffer` and takes the next frames, `gaps` of them: the median of their
    // timestamp gaps in milliseconds, -1 when a frame did not come. One late wake-up of the
    // camera's thread (seen on a loaded machine, up to a whole interval late) makes one long
    // gap and, as the camera keeps its schedule, one short one; the median moves with neither.
    double medianGapMs(v4l2_buffer& buffer, int gaps);

private:
    Fd fd_;
    std::vector<std::uint8_t*> maps_;
    std::vector<std::size_t> lengths_;
};

} // namespace fakecam::test
