#include "platform/capture/v4l2/V4l2Device.h"

#include "platform/capture/CommonModes.h"
#include "platform/files/SmallFile.h"
#include "platform/files/UniqueFd.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace platform::v4l2 {
namespace {

// An open device node and its requests; remembers why the last request failed.
class Fd {
public:
    explicit Fd(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)),
          error_(fd_.valid() ? 0 : errno) {}
    bool valid() const { return fd_.valid(); }

    template <class T> bool query(unsigned long request, T& out) const {
        if (!fd_)
            return false;
        int r;
        do {
            r = ::ioctl(fd_.get(), request, &out);
        } while (r < 0 && errno == EINTR);
        error_ = r == 0 ? 0 : errno;
        return r == 0;
    }
    std::string why() const {
        return error_ ? std::strerror(error_) : std::string("the device did not answer");
    }
    int error() const { return error_; }

private:
    UniqueFd fd_;
    mutable int error_;
};

// "video12" -> 12, anything else -> -1.
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

bool reaches(std::uint32_t value, std::uint32_t low, std::uint32_t high, std::uint32_t step) {
    return value >= low && value <= high && (step <= 1 || (value - low) % step == 0);
}

// An interval of n/d seconds is d/n frames a second.
FrameRate rateOf(const v4l2_fract& interval) {
    return FrameRate::of(interval.denominator, interval.numerator);
}

bool isAccessError(int error) {
    return error == EACCES || error == EPERM;
}

// The name the system gives the node in its device list, readable by every user; empty when
// it has none.
std::string sysfsName(const std::string& path) {
    const std::string node = std::filesystem::path(path).filename().string();
    // sysfs says every attribute holds a page, whatever the name in it (at most 31 bytes).
    const Result<QByteArray> text =
        readSmallFile(sysfsDirectory() + "/class/video4linux/" + node + "/name", 4096);
    if (!text)
        return {};
    return text->trimmed().toStdString();
}

} // namespace

std::string deviceDirectory() {
    const char* dir = std::getenv("NIMBACAST_DEVICE_DIR");
    return dir && *dir ? dir : "/dev";
}

std::string sysfsDirectory() {
    const char* dir = std::getenv("NIMBACAST_SYSFS_DIR");
    return dir && *dir ? dir : "/sys";
}

Result<> checkAccess(const std::string& path) {
    Fd fd(path);
    if (fd.valid() || !isAccessError(fd.error()))
        return done();
    return Failure(fd.why() + ". Your user may need to be in the \"video\" group.", fd.error());
}

std::string versionText(std::uint32_t version) {
    return std::to_string((version >> 16) & 0xFF) + "." + std::to_string((version >> 8) & 0xFF) +
           "." + std::to_string(version & 0xFF);
}

std::string fourccText(std::uint32_t fourcc) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
        text += c >= ' ' && c < 127 ? c : '?';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool isJpeg(std::uint32_t fourcc) {
    return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG;
}

std::vector<DeviceInfo> captureDevices() {
    std::vector<std::pair<int, std::string>> nodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(deviceDirectory(), ec)) {
        const int n = deviceNumber(entry.path().filename().string());
        if (n >= 0)
            nodes.emplace_back(n, entry.path().string());
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<DeviceInfo> devices;
    for (const auto& [number, path] : nodes) {
        Fd fd(path);
        if (!fd.valid() && isAccessError(fd.error())) {
            // Not this user's to open, but a camera all the same: listed under the name the
            // system gives it, so that choosing it says why it cannot show a picture.
            const std::string name = sysfsName(path);
            devices.push_back(
                {path, name.empty() ? std::filesystem::path(path).filename().string() : name, "",
                 ""});
            continue;
        }
        v4l2_capability cap{};
        if (!fd.query(VIDIOC_QUERYCAP, cap))
            continue;
        const std::uint32_t caps =
            (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
        // A codec captures too, but only what is written to it.
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE) ||
            (caps & (V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_VIDEO_M2M)))
            continue;
        devices.push_back({path, fixedText(cap.card, sizeof cap.card), versionText(cap.version),
                           fixedText(cap.bus_info, sizeof cap.bus_info)});
    }
    return devices;
}

bool present(const std::string& path) {
    Fd fd(path);
    v4l2_capability cap{};
    return fd.query(VIDIOC_QUERYCAP, cap);
}

bool descriptorGone(int fd) {
    v4l2_capability cap{};
    return ::ioctl(fd, VIDIOC_QUERYCAP, &cap) < 0 && errno == ENODEV;
}

Result<> tryStream(const std::string& path) {
    Fd fd(path);
    v4l2_requestbuffers request{};
    request.count = 1;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    const auto why = [&fd](int error) -> std::string {
        switch (error) {
        case EBUSY:
            return "the device is busy; another program may be using it (" + fd.why() + ")";
        case ENOSPC:
            return "the bus it hangs on has no room for its stream; try a smaller picture or "
                   "another port (" +
                   fd.why() + ")";
        default:
            return fd.why();
        }
    };
    if (!fd.query(VIDIOC_REQBUFS, request))
        return Failure(fd.valid() ? why(fd.error()) : fd.why(), fd.error());
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Result<> streams = done();
    if (!fd.query(VIDIOC_STREAMON, type))
        streams = Failure(why(fd.error()), fd.error());
    else
        fd.query(VIDIOC_STREAMOFF, type);
    request.count = 0;
    fd.query(VIDIOC_REQBUFS, request);
    return streams;
}

std::vector<PixelFormat> pixelFormats(const std::string& path) {
    Fd fd(path);
    std::vector<PixelFormat> found;
    for (std::uint32_t i = 0; i < 64; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!fd.query(VIDIOC_ENUM_FMT, desc))
            break;
        found.push_back({desc.pixelformat, fixedText(desc.description, sizeof desc.description),
                         (desc.flags & V4L2_FMT_FLAG_COMPRESSED) != 0 || isJpeg(desc.pixelformat)});
    }
    return found;
}

std::vector<PictureSize> frameSizes(const std::string& path, std::uint32_t fourcc) {
    Fd fd(path);
    std::vector<PictureSize> sizes;
    for (std::uint32_t i = 0; i < 256; ++i) {
        v4l2_frmsizeenum size{};
        size.index = i;
        size.pixel_format = fourcc;
        if (!fd.query(VIDIOC_ENUM_FRAMESIZES, size))
            break;
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            sizes.push_back(
                {static_cast<int>(size.discrete.width), static_cast<int>(size.discrete.height)});
            continue;
        }
        // A range is given once, at index 0.
        const v4l2_frmsize_stepwise& range = size.stepwise;
        const bool continuous = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
        const std::uint32_t stepW = continuous ? 1 : range.step_width;
        const std::uint32_t stepH = continuous ? 1 : range.step_height;
        sizes.push_back({static_cast<int>(range.min_width), static_cast<int>(range.min_height)});
        sizes.push_back({static_cast<int>(range.max_width), static_cast<int>(range.max_height)});
        for (const PictureSize& common : kCommonSizes)
            if (reaches(common.width, range.min_width, range.max_width, stepW) &&
                reaches(common.height, range.min_height, range.max_height, stepH))
                sizes.push_back(common);
        break;
    }
    if (sizes.empty())
        if (const auto current = currentFormat(path); current && current->fourcc == fourcc)
            sizes.push_back({current->width, current->height});
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    std::erase_if(sizes, [](const PictureSize& s) { return s.width <= 0 || s.height <= 0; });
    return sizes;
}

std::vector<FrameRate> frameRates(const std::string& path, std::uint32_t fourcc, PictureSize size) {
    Fd fd(path);
    std::vector<FrameRate> rates;
    for (std::uint32_t i = 0; i < 64; ++i) {
        v4l2_frmivalenum interval{};
        interval.index = i;
        interval.pixel_format = fourcc;
        interval.width = static_cast<std::uint32_t>(size.width);
        interval.height = static_cast<std::uint32_t>(size.height);
        if (!fd.query(VIDIOC_ENUM_FRAMEINTERVALS, interval))
            break;
        if (interval.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (const FrameRate rate = rateOf(interval.discrete); rate.isSet())
                rates.push_back(rate);
            continue;
        }
        // The shortest interval is the highest rate.
        const FrameRate highest = rateOf(interval.stepwise.min);
        const FrameRate lowest = rateOf(interval.stepwise.max);
        if (highest.isSet() && lowest.isSet())
            rates = rangeRates(lowest, highest);
        break;
    }
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

std::vector<Control> controls(const std::string& path) {
    Fd fd(path);
    std::vector<Control> found;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    // Bounded: a device that keeps answering with the same id must not hang the dialog.
    for (int guard = 0; guard < 1024 && fd.query(VIDIOC_QUERYCTRL, query); ++guard) {
        const std::uint32_t id = query.id;
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (query.flags & V4L2_CTRL_FLAG_DISABLED)
            continue;
        Control c;
        c.id = id;
        c.name = fixedText(query.name, sizeof query.name);
        c.minimum = query.minimum;
        c.maximum = query.maximum;
        c.step = std::max(1, query.step);
        c.defaultValue = query.default_value;
        c.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
        c.readOnly = (query.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
        switch (query.type) {
        case V4L2_CTRL_TYPE_INTEGER:
            c.kind = Control::Kind::Integer;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            c.kind = Control::Kind::Boolean;
            break;
        case V4L2_CTRL_TYPE_MENU:
            c.kind = Control::Kind::Menu;
            // Counted in 64 bits: a menu may end at INT_MAX.
            for (std::int64_t i = query.minimum; i <= query.maximum && i - query.minimum < 64;
                 ++i) {
                v4l2_querymenu item{};
                item.id = id;
                item.index = static_cast<std::uint32_t>(i);
                if (fd.query(VIDIOC_QUERYMENU, item))
                    c.menu.emplace_back(static_cast<int>(i),
                                        fixedText(item.name, sizeof item.name));
            }
            break;
        case V4L2_CTRL_TYPE_BUTTON:
            c.kind = Control::Kind::Button;
            found.push_back(std::move(c));
            continue; // a button has no value to read
        default:
            continue; // classes, texts and the like have no place in the dialog
        }
        v4l2_control value{};
        value.id = id;
        if (fd.query(VIDIOC_G_CTRL, value))
            c.value = value.value;
        else
            c.value = c.defaultValue;
        found.push_back(std::move(c));
    }
    return found;
}

Result<> setControl(const std::string& path, std::uint32_t id, int value) {
    Fd fd(path);
    v4l2_control control{};
    control.id = id;
    control.value = value;
    if (!fd.query(VIDIOC_S_CTRL, control))
        return Failure(fd.why(), fd.error());
    return done();
}

std::vector<std::string> inputs(const std::string& path) {
    Fd fd(path);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < 32; ++i) {
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
    return fd.query(VIDIOC_G_INPUT, index) ? index : -1;
}

Result<> setInput(const std::string& path, int index) {
    Fd fd(path);
    if (!fd.query(VIDIOC_S_INPUT, index))
        return Failure(fd.why(), fd.error());
    return done();
}

std::optional<Format> tryFormat(const std::string& path, const Format& asked) {
    Fd fd(path);
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = static_cast<std::uint32_t>(asked.width);
    fmt.fmt.pix.height = static_cast<std::uint32_t>(asked.height);
    fmt.fmt.pix.pixelformat = asked.fourcc;
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (!fd.query(VIDIOC_TRY_FMT, fmt))
        return std::nullopt;
    const auto& pix = fmt.fmt.pix;
    return Format{static_cast<int>(pix.width), static_cast<int>(pix.height), pix.pixelformat};
}

std::optional<Format> currentFormat(const std::string& path) {
    Fd fd(path);
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!fd.query(VIDIOC_G_FMT, fmt))
        return std::nullopt;
    const auto& pix = fmt.fmt.pix;
    return Format{static_cast<int>(pix.width), static_cast<int>(pix.height), pix.pixelformat};
}

} // namespace platform::v4l2
