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
        devices.push_back({path, fixedText(cap.card, sizeof cap.card), versionText(cap.version),
                           fixedText(cap.bus_info, sizeof cap.bus_info)});
    }
    return devices;
}

namespace {

bool isCompressed(std::uint32_t fourcc) {
    return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG;
}

// The pixel formats of the kind asked for.
std::vector<std::uint32_t> pixelFormats(const Fd& fd, bool compressed) {
    std::vector<std::uint32_t> found;
    for (std::uint32_t i = 0; i < 64; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!fd.query(VIDIOC_ENUM_FMT, desc))
            break;
        if (isCompressed(desc.pixelformat) == compressed)
            found.push_back(desc.pixelformat);
    }
    return found;
}

} // namespace

Formats formats(const std::string& path) {
    Fd fd(path);
    Formats f;
    if (!fd.valid())
        return f;
    f.compressed = !pixelFormats(fd, true).empty();
    f.raw = !pixelFormats(fd, false).empty();
    return f;
}

std::vector<PictureSize> frameSizes(const std::string& path, bool compressed) {
    Fd fd(path);
    std::vector<PictureSize> sizes;
    if (!fd.valid())
        return sizes;
    for (const std::uint32_t pixelFormat : pixelFormats(fd, compressed)) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            v4l2_frmsizeenum size{};
            size.index = i;
            size.pixel_format = pixelFormat;
            if (!fd.query(VIDIOC_ENUM_FRAMESIZES, size) || size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
                break;
            const PictureSize s{static_cast<int>(size.discrete.width),
                                static_cast<int>(size.discrete.height)};
            if (std::find(sizes.begin(), sizes.end(), s) == sizes.end())
                sizes.push_back(s);
        }
    }
    if (sizes.empty())
        if (const auto current = currentFormat(path))
            sizes.push_back({current->width, current->height});
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

std::vector<int> frameRates(const std::string& path, bool compressed, PictureSize size) {
    Fd fd(path);
    std::vector<int> rates;
    if (!fd.valid())
        return rates;
    for (const std::uint32_t pixelFormat : pixelFormats(fd, compressed)) {
        for (std::uint32_t i = 0; i < 64; ++i) {
            v4l2_frmivalenum interval{};
            interval.index = i;
            interval.pixel_format = pixelFormat;
            interval.width = static_cast<std::uint32_t>(size.width);
            interval.height = static_cast<std::uint32_t>(size.height);
            if (!fd.query(VIDIOC_ENUM_FRAMEINTERVALS, interval) ||
                interval.type != V4L2_FRMIVAL_TYPE_DISCRETE || interval.discrete.numerator == 0)
                break;
            const int fps =
                static_cast<int>(interval.discrete.denominator / interval.discrete.numerator);
            if (fps > 0 && std::find(rates.begin(), rates.end(), fps) == rates.end())
                rates.push_back(fps);
        }
    }
    std::sort(rates.begin(), rates.end());
    return rates;
}

std::vector<Control> controls(const std::string& path) {
    Fd fd(path);
    std::vector<Control> found;
    if (!fd.valid())
        return found;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (fd.query(VIDIOC_QUERYCTRL, query)) {
        const std::uint32_t id = query.id;
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY))
            continue;
        Control c;
        c.id = id;
        c.name = fixedText(query.name, sizeof query.name);
        c.minimum = query.minimum;
        c.maximum = query.maximum;
        c.step = std::max(1, query.step);
        c.defaultValue = query.default_value;
        switch (query.type) {
        case V4L2_CTRL_TYPE_INTEGER:
            c.kind = Control::Kind::Integer;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            c.kind = Control::Kind::Boolean;
            break;
        case V4L2_CTRL_TYPE_MENU:
            c.kind = Control::Kind::Menu;
            for (int i = query.minimum; i <= query.maximum && i - query.minimum < 64; ++i) {
                v4l2_querymenu item{};
                item.id = id;
                item.index = static_cast<std::uint32_t>(i);
                if (fd.query(VIDIOC_QUERYMENU, item))
                    c.menu.emplace_back(i, fixedText(item.name, sizeof item.name));
            }
            break;
        default:
            continue; // buttons, strings and the like have no place in the dialog
        }
        v4l2_control value{};
        value.id = id;
        if (!fd.query(VIDIOC_G_CTRL, value))
            continue;
        c.value = value.value;
        found.push_back(std::move(c));
    }
    return found;
}

bool setControl(const std::string& path, std::uint32_t id, int value) {
    Fd fd(path);
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return fd.valid() && fd.query(VIDIOC_S_CTRL, control);
}

std::vector<std::string> inputs(const std::string& path) {
    Fd fd(path);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; fd.valid() && i < 32; ++i) {
        v4l2_input input{};
        input.index = i;
        if (!fd.query(VIDIOC_ENUMINPUT, input))
            break;
        names.push_back(fixedText(input.name, sizeof input.name));
    }
    return names;
}

int currentInput(const std::string& path) {
    Fd fd(path);
    int index = -1;
    return fd.valid() && fd.query(VIDIOC_G_INPUT, index) ? index : -1;
}

bool setInput(const std::string& path, int index) {
    Fd fd(path);
    return fd.valid() && fd.query(VIDIOC_S_INPUT, index);
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
