#pragma once

#include "platform/capture/CaptureDriver.h"
#include "platform/capture/v4l2/V4l2Device.h"

namespace platform {

// A camera reached through its V4L2 capture node, streamed by v4l2src.
class V4l2Driver : public CaptureDriver {
public:
    // `bus` and `place`: the port the camera hangs on, and which of its capture nodes this
    // is (1 for the first); how the camera is found again when it comes back.
    V4l2Driver(DriverSpec spec, std::string node, std::string bus = {}, int place = 1);
    // A driver for each of the devices (the device directory's capture nodes, in device
    // order), named by its card.
    static std::vector<std::shared_ptr<const CaptureDriver>>
    discover(const std::vector<v4l2::DeviceInfo>& devices);

    const std::string& node() const { return node_; }

    CaptureMode currentMode() const override;
    std::vector<PixelFormat> pixelFormats() const override;
    std::vector<PictureSize> offeredSizes(std::uint32_t fourcc) const override;
    bool choosesRate() const override { return true; }
    std::vector<FrameRate> frameRates(std::uint32_t fourcc, PictureSize size) const override;
    FrameRate effectiveRate(const CaptureMode& mode) const override { return mode.rate; }
    CaptureMode inForce(const CaptureMode& mode) const override;
    Result<> checkAccess() const override;
    void appendSource(pipeline::Chain& chain, const CaptureMode& mode) const override;
    bool deviceLost(const GError& error, GstElement* source) const override;
    Result<> checkStream() const override;
    std::string deviceName() const override;
    std::unique_ptr<DeviceWatch> watchReturn(std::function<void()> changed) const override;
    bool findAgain() const override;
    std::unique_ptr<SourceSettings> sourceSettings(const SettingsKey& key) const override;

private:
    // A camera plugged in again may get another node (another device took its number
    // meanwhile): found again, it is streamed from there. Only the interface thread asks.
    mutable std::string node_;
    std::string bus_;
    int place_;
};

} // namespace platform
