#include "platform/capture/drivers/V4l2Driver.h"

#include "platform/capture/drivers/V4l2Settings.h"
#include "platform/capture/pipeline/PipelineParts.h"
#include "platform/capture/pipeline/PreviewPipeline.h"
#include "platform/capture/v4l2/DeviceDirectoryWatch.h"
#include "platform/capture/v4l2/V4l2Device.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <map>

namespace platform {

namespace {

// GStreamer's name of a raw V4L2 pixel format; null for one it is not asked for by name.
const char* rawFormatName(std::uint32_t fourcc) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
        return "YUY2";
    case V4L2_PIX_FMT_UYVY:
        return "UYVY";
    case V4L2_PIX_FMT_YVYU:
        return "YVYU";
    case V4L2_PIX_FMT_NV12:
        return "NV12";
    case V4L2_PIX_FMT_NV21:
        return "NV21";
    case V4L2_PIX_FMT_YUV420:
        return "I420";
    case V4L2_PIX_FMT_YVU420:
        return "YV12";
    case V4L2_PIX_FMT_GREY:
        return "GRAY8";
    case V4L2_PIX_FMT_RGB24:
        return "RGB";
    case V4L2_PIX_FMT_BGR24:
        return "BGR";
    case V4L2_PIX_FMT_RGB565:
        return "RGB16";
    case V4L2_PIX_FMT_XBGR32:
        return "BGRx";
    default:
        return nullptr;
    }
}

// The formats a preview can show: JPEG and H.264 streams, which it decodes, and raw pixels
// GStreamer converts.
bool showable(std::uint32_t fourcc) {
    return v4l2::isJpeg(fourcc) || fourcc == V4L2_PIX_FMT_H264 || rawFormatName(fourcc);
}

// The node's formats a preview can show, in its own order.
std::vector<PixelFormat> showableFormats(const std::string& node) {
    std::vector<PixelFormat> formats;
    for (PixelFormat format : v4l2::pixelFormats(node))
        if (showable(format.fourcc)) {
            if (format.description.empty())
                format.description = v4l2::fourccText(format.fourcc);
            formats.push_back(std::move(format));
        }
    return formats;
}

// Formats of one shade only: an infrared node, made for face login rather than pictures.
bool greyOnly(const std::vector<PixelFormat>& formats) {
    return !formats.empty() &&
           std::all_of(formats.begin(), formats.end(),
                       [](const PixelFormat& f) { return f.fourcc == V4L2_PIX_FMT_GREY; });
}

} // namespace

V4l2Driver::V4l2Driver(DriverSpec spec, std::string node, std::string bus, int place)
    : CaptureDriver(std::move(spec)), node_(std::move(node)), bus_(std::move(bus)), place_(place) {}

std::vector<std::shared_ptr<const CaptureDriver>>
V4l2Driver::discover(const std::vector<v4l2::DeviceInfo>& devices) {
    std::vector<std::shared_ptr<const CaptureDriver>> found;
    std::map<std::string, int> nodesOnBus;
    for (const v4l2::DeviceInfo& device : devices) {
        DriverSpec spec;
        spec.name = device.card;
        spec.version = device.driverVersion;
        // The bus a camera hangs on names it across restarts and other devices coming. A
        // camera with a second capture node (infrared, H.264) has one bus for both: the later
        // nodes are told apart by their place on it.
        const std::string where = device.busInfo.empty() ? device.path : device.busInfo;
        const int place = ++nodesOnBus[where];
        spec.devicePath = "\\\\?\\v4l2\\" + where;
        if (place > 1)
            spec.devicePath += "\\" + std::to_string(place);
        spec.pickedAtStart = !greyOnly(showableFormats(device.path));
        found.push_back(
            std::make_shared<V4l2Driver>(std::move(spec), device.path, device.busInfo, place));
    }
    return found;
}

CaptureMode V4l2Driver::currentMode() const {
    CaptureMode mode;
    if (const auto format = v4l2::currentFormat(node_)) {
        mode.size = {format->width, format->height};
        mode.fourcc = format->fourcc;
    }
    // A device set to a format the preview cannot show starts in one it can; one left in
    // H.264 starts in another of its formats, which cost less to show, when it has one.
    const bool h264 = mode.fourcc == V4L2_PIX_FMT_H264;
    if (!showable(mode.fourcc) || h264) {
        const std::vector<PixelFormat> formats = pixelFormats();
        const auto other = std::find_if(formats.begin(), formats.end(), [](const PixelFormat& f) {
            return f.fourcc != V4L2_PIX_FMT_H264;
        });
        if (other != formats.end() || (!h264 && !formats.empty())) {
            mode.fourcc = other != formats.end() ? other->fourcc : formats.front().fourcc;
            mode.size = nearestSize(offeredSizes(mode.fourcc), mode.size);
        }
    }
    return mode;
}

CaptureMode V4l2Driver::inForce(const CaptureMode& mode) const {
    const auto answer = v4l2::tryFormat(node_, {mode.size.width, mode.size.height, mode.fourcc});
    if (!answer || !showable(answer->fourcc) ||
        (answer->fourcc == mode.fourcc && answer->width == mode.size.width &&
         answer->height == mode.size.height))
        return mode;
    CaptureMode given = mode;
    given.fourcc = answer->fourcc;
    given.size = {answer->width, answer->height};
    // The rate asked stays when the format given offers it.
    const std::vector<FrameRate> rates = frameRates(given.fourcc, given.size);
    if (std::find(rates.begin(), rates.end(), given.rate) == rates.end())
        given.rate = {};
    return given;
}

Result<> V4l2Driver::checkAccess() const {
    return v4l2::checkAccess(node_);
}

std::vector<PixelFormat> V4l2Driver::pixelFormats() const {
    return showableFormats(node_);
}

std::vector<PictureSize> V4l2Driver::offeredSizes(std::uint32_t fourcc) const {
    return v4l2::frameSizes(node_, fourcc);
}

std::vector<FrameRate> V4l2Driver::frameRates(std::uint32_t fourcc, PictureSize size) const {
    return v4l2::frameRates(node_, fourcc, size);
}

void V4l2Driver::appendSource(pipeline::Chain& chain, const CaptureMode& mode) const {
    Result<gst::ElementPtr> source = pipeline::make("v4l2src");
    if (source) {
        gst_object_set_name(GST_OBJECT(source->get()), PreviewPipeline::kSourceName);
        g_object_set(source->get(), "device", node_.c_str(), nullptr);
    }
    const pipeline::Encoding encoding = v4l2::isJpeg(mode.fourcc) ? pipeline::Encoding::Jpeg
                                        : mode.fourcc == V4L2_PIX_FMT_H264
                                            ? pipeline::Encoding::H264
                                            : pipeline::Encoding::Raw;
    pipeline::appendCamera(chain, std::move(source), mode, encoding, rawFormatName(mode.fourcc));
}

bool V4l2Driver::deviceLost(const GError&, GstElement* source) const {
    // A camera pulled from its port leaves the descriptor the source has of it dead for good,
    // even once it is plugged in again; it takes its node with it, or leaves one that no
    // longer answers. Any other error leaves it there.
    int fd = -1;
    if (source)
        g_object_get(source, "device-fd", &fd, nullptr);
    return (fd >= 0 && v4l2::descriptorGone(fd)) || !v4l2::present(node_);
}

Result<> V4l2Driver::checkStream() const {
    // GStreamer says only that its buffers could not be had; the device tells why.
    return v4l2::tryStream(node_);
}

std::string V4l2Driver::deviceName() const {
    return spec().name + " (" + node_ + ")";
}

std::unique_ptr<DeviceWatch> V4l2Driver::watchReturn(std::function<void()> changed) const {
    return DeviceDirectoryWatch::start(v4l2::deviceDirectory(), std::move(changed));
}

bool V4l2Driver::findAgain() const {
    // Without a bus to know it by, only its own node can be it.
    if (bus_.empty())
        return v4l2::present(node_);
    std::map<std::string, int> nodesOnBus;
    for (const v4l2::DeviceInfo& device : v4l2::captureDevices()) {
        if (device.busInfo != bus_ || ++nodesOnBus[device.busInfo] != place_)
            continue;
        node_ = device.path;
        return v4l2::present(node_);
    }
    return false;
}

std::unique_ptr<SourceSettings> V4l2Driver::sourceSettings(const SettingsKey& key) const {
    return std::make_unique<V4l2Settings>(node_, key);
}

} // namespace platform
