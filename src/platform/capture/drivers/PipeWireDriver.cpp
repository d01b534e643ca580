#include "platform/capture/drivers/PipeWireDriver.h"

#include "platform/capture/SourceSettings.h"
#include "platform/capture/pipeline/PipelineParts.h"
#include "platform/capture/pipeline/PreviewPipeline.h"
#include "platform/capture/pipewire/PipeWireMonitor.h"

#include <sys/stat.h>

#include <algorithm>

namespace platform {

namespace {

// A start without a daemon does not wait at all; one that answers lists its nodes in a few
// milliseconds.
constexpr std::chrono::milliseconds kListingBound{400};

bool sameDeviceNode(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && S_ISCHR(sa.st_mode) &&
           S_ISCHR(sb.st_mode) && sa.st_rdev == sb.st_rdev;
}

} // namespace

PipeWireDriver::PipeWireDriver(DriverSpec spec, pipewire::CameraNode node)
    : CaptureDriver(std::move(spec)), node_(std::move(node)) {}

bool PipeWireDriver::standsFor(const pipewire::CameraNode& node,
                               const std::vector<v4l2::DeviceInfo>& listed) {
    return std::any_of(listed.begin(), listed.end(), [&](const v4l2::DeviceInfo& device) {
        return (!node.v4l2Path.empty() && sameDeviceNode(node.v4l2Path, device.path)) ||
               (!node.busInfo.empty() && node.busInfo == device.busInfo);
    });
}

std::vector<std::shared_ptr<const CaptureDriver>>
PipeWireDriver::discover(const std::vector<v4l2::DeviceInfo>& listed) {
    std::vector<std::shared_ptr<const CaptureDriver>> found;
    const std::vector<pipewire::CameraNode> nodes = pipewire::cameraNodes(kListingBound);
    if (nodes.empty())
        return found;
    const std::string version = pipewire::libraryVersion();
    for (const pipewire::CameraNode& node : nodes) {
        if (standsFor(node, listed))
            continue;
        DriverSpec spec;
        spec.name = node.description;
        spec.version = version;
        // The node's name stays the same across restarts of the daemon and the camera.
        spec.devicePath = "\\\\?\\pipewire\\" + node.nodeName;
        found.push_back(std::make_shared<PipeWireDriver>(std::move(spec), node));
    }
    return found;
}

const pipewire::NodeFormat* PipeWireDriver::format(std::uint32_t fourcc) const {
    for (const pipewire::NodeFormat& format : node_.formats)
        if (format.fourcc == fourcc)
            return &format;
    return nullptr;
}

std::vector<PixelFormat> PipeWireDriver::pixelFormats() const {
    std::vector<PixelFormat> formats;
    for (const pipewire::NodeFormat& format : node_.formats)
        formats.push_back({format.fourcc, format.compressed ? "Motion-JPEG" : format.rawFormat,
                           format.compressed});
    return formats;
}

std::vector<PictureSize> PipeWireDriver::offeredSizes(std::uint32_t fourcc) const {
    std::vector<PictureSize> sizes;
    if (const pipewire::NodeFormat* f = format(fourcc))
        for (const pipewire::NodeMode& mode : f->modes)
            sizes.push_back(mode.size);
    return sizes;
}

std::vector<FrameRate> PipeWireDriver::frameRates(std::uint32_t fourcc, PictureSize size) const {
    if (const pipewire::NodeFormat* f = format(fourcc))
        for (const pipewire::NodeMode& mode : f->modes)
            if (mode.size == size)
                return mode.rates;
    return {};
}

void PipeWireDriver::appendSource(pipeline::Chain& chain, const CaptureMode& mode) const {
    // pipewiresrc waits half a minute for a node that is not there before it gives up.
    if (!pipewire::nodePresent(node_.nodeName, kListingBound)) {
        chain.fail(Failure("the PipeWire node \"" + node_.nodeName + "\" is not there"));
        return;
    }
    Result<gst::ElementPtr> source = pipeline::make("pipewiresrc");
    if (source) {
        gst_object_set_name(GST_OBJECT(source->get()), PreviewPipeline::kSourceName);
        // The session manager links a stream to the node it names only when the stream says
        // it is video.
        const gst::StructurePtr props(gst_structure_new(
            "props", "media.type", G_TYPE_STRING, "Video", "media.category", G_TYPE_STRING,
            "Capture", "media.role", G_TYPE_STRING, "Camera", nullptr));
        // The daemon unmaps a stream's buffers when its node goes, under whatever still reads
        // them downstream: each frame is copied out of them.
        g_object_set(source->get(), "target-object", node_.nodeName.c_str(), "client-name",
                     "Nimbacast", "stream-properties", props.get(), "always-copy", TRUE, nullptr);
    }
    const pipewire::NodeFormat* f = format(mode.fourcc);
    const pipeline::Encoding encoding =
        f && f->compressed ? pipeline::Encoding::Jpeg : pipeline::Encoding::Raw;
    pipeline::appendCamera(chain, std::move(source), mode, encoding,
                           f ? f->rawFormat.c_str() : nullptr);
}

void PipeWireDriver::attach(PreviewPipeline& pipeline) const {
    if (GstElement* source = pipeline.element(PreviewPipeline::kSourceName))
        pipewire::watchNode(source, node_.nodeName);
}

bool PipeWireDriver::deviceLost(const GError& error, GstElement*) const {
    // The watch of the node says so when it goes; pipewiresrc itself only falls silent.
    return error.domain == GST_RESOURCE_ERROR && error.code == GST_RESOURCE_ERROR_NOT_FOUND;
}

std::unique_ptr<DeviceWatch> PipeWireDriver::watchReturn(std::function<void()> changed) const {
    return pipewire::watchAdded(node_.nodeName, std::move(changed));
}

bool PipeWireDriver::findAgain() const {
    return pipewire::nodePresent(node_.nodeName, kListingBound);
}

std::unique_ptr<SourceSettings> PipeWireDriver::sourceSettings(const SettingsKey&) const {
    // No source dialog: pipewiresrc reaches no controls of a node.
    return nullptr;
}

} // namespace platform
