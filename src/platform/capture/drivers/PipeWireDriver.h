#pragma once

#include "platform/capture/CaptureDriver.h"
#include "platform/capture/pipewire/PipeWireNodes.h"
#include "platform/capture/v4l2/V4l2Device.h"

namespace platform {

// A camera that PipeWire offers as a node (a camera behind libcamera, or one handed to a
// sandboxed desktop), streamed by pipewiresrc. Its sizes and rates are the node's formats;
// it has no source dialog, as pipewiresrc reaches no controls of a node.
class PipeWireDriver : public CaptureDriver {
public:
    PipeWireDriver(DriverSpec spec, pipewire::CameraNode node);
    // The camera nodes of the running daemon, leaving out those that stand for one of the
    // V4L2 devices listed, whose own drivers have the full dialogs. Nothing, and no wait,
    // without a daemon.
    static std::vector<std::shared_ptr<const CaptureDriver>>
    discover(const std::vector<v4l2::DeviceInfo>& listed);
    // Whether the node is one of those V4L2 devices, by its device node or its bus.
    static bool standsFor(const pipewire::CameraNode& node,
                          const std::vector<v4l2::DeviceInfo>& listed);

    const pipewire::CameraNode& node() const { return node_; }

    CaptureMode currentMode() const override { return node_.preferred; }
    std::vector<PixelFormat> pixelFormats() const override;
    std::vector<PictureSize> offeredSizes(std::uint32_t fourcc) const override;
    bool choosesRate() const override { return true; }
    std::vector<FrameRate> frameRates(std::uint32_t fourcc, PictureSize size) const override;
    FrameRate effectiveRate(const CaptureMode& mode) const override { return mode.rate; }
    void appendSource(pipeline::Chain& chain, const CaptureMode& mode) const override;
    void attach(PreviewPipeline& pipeline) const override;
    bool deviceLost(const GError& error, GstElement* source) const override;
    std::unique_ptr<DeviceWatch> watchReturn(std::function<void()> changed) const override;
    bool findAgain() const override;
    std::unique_ptr<SourceSettings> sourceSettings(const SettingsKey& key) const override;

private:
    const pipewire::NodeFormat* format(std::uint32_t fourcc) const;

    pipewire::CameraNode node_;
};

} // namespace platform
