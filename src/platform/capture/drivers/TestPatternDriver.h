#pragma once

#include "platform/capture/CaptureDriver.h"

#include <vector>

namespace platform {

// The sizes a test picture offers, and the one it is in before anything is asked of it.
struct TestPicture {
    PictureSize size{320, 240};
    // Empty: only `size`.
    std::vector<PictureSize> sizes;
};

// The moving test picture: any size it lists, any frame rate asked of it, and a source
// dialog of its pattern and colour balance.
class TestPatternDriver : public CaptureDriver {
public:
    explicit TestPatternDriver(DriverSpec spec, TestPicture picture = {});
    // The picture is made at once: its first is as late as any other may be.
    std::chrono::milliseconds firstPictureWithin() const override {
        return std::chrono::seconds(3);
    }
    // The built-in one, listed after the machine's cameras.
    static std::shared_ptr<const CaptureDriver> builtIn();

    CaptureMode currentMode() const override;
    std::vector<PictureSize> offeredSizes(std::uint32_t fourcc) const override;
    FrameRate rateFor(const CaptureMode& mode, int fps) const override;
    FrameRate effectiveRate(const CaptureMode& mode) const override;
    void appendSource(pipeline::Chain& chain, const CaptureMode& mode) const override;
    bool deviceLost(const GError& error, GstElement* source) const override;
    std::unique_ptr<SourceSettings> sourceSettings(const SettingsKey& key) const override;

private:
    TestPicture picture_;
};

} // namespace platform
