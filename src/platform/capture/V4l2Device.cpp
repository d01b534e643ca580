#include "platform/capture/V4l2Device.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace platform::v4l2 {
namespace {

class Fd {
public:
    explicit Fd(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK)) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    bool valid() const { return fd_ >= 0; }

    template <class T> bool query(unsigned long request, T& out) const {
        int r;
        do {
            r = ::ioctl(fd_, request, &out);
        } while (r < 0 && errno == EINTR);
        return r == 0;
    }

private:
    int fd_;
};

// "/dev/video12" -> 12, anything else -> -1.
int deviceNumber(const std::string& name) {
    constexpr std::string_view prefix = "video";
    if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size())
        return -1;
    int n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
        if (n > 100000)
            return -1;
    }
    return n;
}

std::string fixedText(const __u8* text, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(text);
    return std::string(begin, strnlen(begin, size));
}

} // namespace

std::string versionText(std::uint32_t version) {
    return std::to_string((version >> 16) & 0xFF) + "." + std::to_string((version >> 8) & 0xFF) +
           "." + std::to_string(version & 0xFF);
}

std::vector<DeviceInfo> captureDevices() {
    std::vector<std::pair<int, std::string>> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
        const int n = deviceNumber(entry.path().filename().string());
        if (n >= 0)
            nodes.emplace_back(n, entry.path().string());
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<DeviceInfo> devices;
    for (const auto& [number, path] : nodes) {
        Fd fd(path);
        v4l2_capability cap{};
        if (!fd.valid() || !fd.query(VIDIOC_QUERYCAP, cap))
            continue;
        const std::uint32_t caps =
            (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE))
            continue;
        devices.push_back({path, fixedText(cap.card, sizeof cap.card), versionText(cap.version)});
    }
    return devices;
}

std::optional<Format> currentFormat(const std::string& path) {
    Fd fd(path);
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!fd.valid() || !fd.query(VIDIOC_G_FMT, fmt))
        return std::nullopt;
    const auto& pix = fmt.fmt.pix;
    return Format{static_cast<int>(pix.width), static_cast<int>(pix.height),
                  pix.pixelformat == V4L2_PIX_FMT_MJPEG || pix.pixelformat == V4L2_PIX_FMT_JPEG};
}

} // namespace platform::v4l2
