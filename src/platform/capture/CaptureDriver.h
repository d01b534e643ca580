#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureMode.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A driver's part of a pipeline is GStreamer elements; the interface names them as
// GStreamer's own headers declare them, so that what includes it compiles none of those.
typedef struct _GstElement GstElement;
typedef struct _GError GError;

namespace platform {

// A camera's first picture may take seconds at a large size.
inline constexpr std::chrono::milliseconds kCameraFirstPicture{10000};

class PreviewPipeline;
class SourceSettings;
struct SettingsKey;
namespace pipeline {
class Chain;
}

// What a driver says of itself.
struct DriverSpec {
    std::string name;
    std::string version;
    // The driver's stable device path in the system's form ("\\?\..."); its registry key is
    // named after it.
    std::string devicePath;
    // false for a camera that is not for pictures of the user (an infrared node, all its
    // formats grey): start-up passes over it while another driver connects.
    bool pickedAtStart = true;
};

// A watch on what the system says of a lost device; it ends when it goes.
class DeviceWatch {
public:
    virtual ~DeviceWatch() = default;
};

// One kind of capture driver (the test picture, a camera reached through some camera stack):
// what it offers, how its pictures come into a preview pipeline, what its source dialog
// adjusts and how it tells that its device has gone. Nothing outside a driver's own file
// asks which kind it is.
class CaptureDriver {
public:
    explicit CaptureDriver(DriverSpec spec) : spec_(std::move(spec)) {}
    virtual ~CaptureDriver() = default;
    CaptureDriver(const CaptureDriver&) = delete;
    CaptureDriver& operator=(const CaptureDriver&) = delete;

    const DriverSpec& spec() const { return spec_; }

    // The format the driver is in before anything has been asked of it; its size is the one
    // its registry key is first made with.
    virtual CaptureMode currentMode() const = 0;
    // The pixel formats the user may choose between, in the driver's own order; empty when
    // there is nothing to choose.
    virtual std::vector<PixelFormat> pixelFormats() const { return {}; }
    // The sizes offered in that pixel format, ascending.
    virtual std::vector<PictureSize> offeredSizes(std::uint32_t fourcc) const = 0;
    // Whether the format dialog offers frame rates to choose from.
    virtual bool choosesRate() const { return false; }
    // The frame rates offered in that format and size, ascending.
    virtual std::vector<FrameRate> frameRates(std::uint32_t, PictureSize) const { return {}; }
    // The frame rate to ask of the driver in `mode` for a preview of `fps` frames a second
    // (not set: the driver's own choice). A device is asked for the lowest rate it offers that
    // keeps up with the preview (29.97 keeps up with 30), or its fastest when none does.
    virtual FrameRate rateFor(const CaptureMode& mode, int fps) const {
        const std::vector<FrameRate> rates = frameRates(mode.fourcc, mode.size);
        for (const FrameRate& rate : rates)
            if (rate.perSecond() >= fps * 0.99)
                return rate;
        return rates.empty() ? FrameRate{} : rates.back();
    }
    // The frame rate the driver delivers in `mode` (not set: the driver's own choice, unknown).
    virtual FrameRate effectiveRate(const CaptureMode& mode) const = 0;
    // The mode the device is in once asked for `mode`: a device may answer a pixel format
    // with another it prefers (a capture card gives NV12 for I420), and the preview then asks
    // for what it gives.
    virtual CaptureMode inForce(const CaptureMode& mode) const { return mode; }
    // Whether the driver takes a connection at all; one that does not is refused without a
    // word to the user.
    virtual bool acceptsConnect() const { return true; }
    // Fails where the device cannot be opened by this user at all (no permission to its
    // node), saying so and what to do about it.
    virtual Result<> checkAccess() const { return done(); }

    // Appends the elements that bring the driver's pictures into a pipeline, ending in BGRx
    // frames of the mode's size. When the driver cannot give its part (an element that could
    // not be made, a device that is not there), the chain is given the reason and the
    // pipeline is not built.
    virtual void appendSource(pipeline::Chain& chain, const CaptureMode& mode) const = 0;
    // Called once the pipeline is built and before it plays.
    virtual void attach(PreviewPipeline&) const {}
    // Whether the error a running pipeline posted means that the device itself has gone;
    // `source` is the pipeline's source element, null when it has none.
    virtual bool deviceLost(const GError& error, GstElement* source) const = 0;
    // Whether the device would stream now, asked once its pipeline has let go of it: a
    // failure says what the driver finds out for itself of why it streamed not one frame.
    // Done when it finds nothing (the pipeline's own reason then stands).
    virtual Result<> checkStream() const { return done(); }
    // Watches for a lost device to come back: `changed` runs on the interface thread each time
    // the system tells of something that may be its return (a device node made or its
    // permissions changed, a PipeWire node added). Null when the device never comes back by
    // itself.
    virtual std::unique_ptr<DeviceWatch> watchReturn(std::function<void()>) const {
        return nullptr;
    }
    // Whether the lost device is there again and answers; a camera that comes back under
    // another node is found by the port it hangs on.
    virtual bool findAgain() const { return false; }
    // How long the device may take over its first picture before the preview is said to have
    // stopped.
    virtual std::chrono::milliseconds firstPictureWithin() const { return kCameraFirstPicture; }
    // How messages name the driver's device.
    virtual std::string deviceName() const { return spec_.name; }

    // Whether the driver offers its own format dialog.
    virtual bool hasFormatDialog() const { return true; }
    // What the driver's source dialog adjusts, for one connection; what it keeps across
    // connections goes in `key`. Null: the driver offers no source dialog.
    virtual std::unique_ptr<SourceSettings> sourceSettings(const SettingsKey& key) const = 0;

private:
    DriverSpec spec_;
};

} // namespace platform
