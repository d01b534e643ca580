#include "platform/capture/CaptureDriver.h"
#include "platform/capture/DriverModes.h"
#include "platform/capture/SourceSettings.h"

#include <gtest/gtest.h>

namespace {

using platform::CaptureMode;
using platform::FrameRate;
using platform::PictureSize;

// Rates are kept as the device's own fractions and shown with the decimals people know them by.
TEST(FrameRates, AreExactFractionsShownWithTheirDecimals) {
    struct Row {
        std::int64_t frames, seconds;
        FrameRate reduced;
        const char* text;
    } rows[] = {
        {30, 1, {30, 1}, "30"},
        {30000, 1001, {30000, 1001}, "29.97"},
        {60000, 1001, {60000, 1001}, "59.94"},
        {15, 2, {15, 2}, "7.5"},
        {10000000, 333333, {10000000, 333333}, "30"},
        {60, 2, {30, 1}, "30"},
        {0, 1, {0, 1}, "0"},
        {30, 0, {0, 1}, "0"},
        {std::int64_t(1) << 40, std::int64_t(1) << 35, {32, 1}, "32"},
        {(std::int64_t(1) << 33) + 1, 3, {1431655766, 1}, "1431655766"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const FrameRate rate = FrameRate::of(row.frames, row.seconds);
        EXPECT_EQ(rate, row.reduced);
        EXPECT_EQ(platform::rateText(rate), row.text);
    }
    EXPECT_LT(FrameRate::of(30000, 1001), FrameRate::whole(30));
    EXPECT_LT(FrameRate::whole(15), FrameRate::of(30000, 1001));
}

// A driver that offers what a test says, for the choices made from its offer alone.
class OfferingDriver : public platform::CaptureDriver {
public:
    struct Format {
        std::uint32_t fourcc;
        std::vector<PictureSize> sizes;
    };
    OfferingDriver(CaptureMode current, std::vector<Format> formats,
                   std::vector<FrameRate> rates = {})
        : CaptureDriver({}), current_(current), formats_(std::move(formats)),
          rates_(std::move(rates)) {}
    CaptureMode currentMode() const override { return current_; }
    std::vector<platform::PixelFormat> pixelFormats() const override {
        std::vector<platform::PixelFormat> out;
        for (const Format& f : formats_)
            out.push_back({f.fourcc, "", false});
        return out;
    }
    std::vector<PictureSize> offeredSizes(std::uint32_t fourcc) const override {
        for (const Format& f : formats_)
            if (f.fourcc == fourcc)
                return f.sizes;
        return {};
    }
    std::vector<FrameRate> frameRates(std::uint32_t, PictureSize) const override { return rates_; }
    FrameRate effectiveRate(const CaptureMode& mode) const override { return mode.rate; }
    void appendSource(platform::pipeline::Chain&, const CaptureMode&) const override {}
    bool deviceLost(const GError&, GstElement*) const override { return false; }
    std::unique_ptr<platform::SourceSettings>
    sourceSettings(const platform::SettingsKey&) const override {
        return nullptr;
    }

private:
    CaptureMode current_;
    std::vector<Format> formats_;
    std::vector<FrameRate> rates_;
};

constexpr std::uint32_t kMjpg = 0x47504a4d, kYuyv = 0x56595559, kH264 = 0x34363248;

// Where a driver starts when nobody chose its size: the largest fitted size, in its current
// format first, then its others in their order; H.264 only when nothing else has one.
TEST(FirstSight, TakesTheLargestFittedSizeInTheCurrentFormatFirst) {
    const platform::FittedWidths fitted{160, 176, 320, 352, 640, 704};
    struct Row {
        const char* name;
        CaptureMode current;
        std::vector<OfferingDriver::Format> formats;
        CaptureMode expected;
    } rows[] = {
        {"a fitted current size stays",
         {{320, 240}, kYuyv, {}},
         {{kYuyv, {{320, 240}, {640, 480}}}},
         {{320, 240}, kYuyv, {}}},
        {"MJPG 1080p first: its 640 x 480",
         {{1920, 1080}, kMjpg, {}},
         {{kMjpg, {{320, 240}, {640, 360}, {640, 480}, {1920, 1080}}}, {kYuyv, {{704, 576}}}},
         {{640, 480}, kMjpg, {}}},
        {"the current format has none: the next format's",
         {{3840, 2160}, kMjpg, {}},
         {{kYuyv, {{352, 288}, {800, 600}}}, {kMjpg, {{1920, 1080}, {3840, 2160}}}},
         {{352, 288}, kYuyv, {}}},
        {"H.264 is looked in last",
         {{1920, 1080}, kMjpg, {}},
         {{kH264, {{640, 480}}}, {kMjpg, {{1920, 1080}}}, {kYuyv, {{176, 144}}}},
         {{176, 144}, kYuyv, {}}},
        {"H.264 alone still starts",
         {{1920, 1080}, kH264, {}},
         {{kH264, {{640, 480}, {1920, 1080}}}},
         {{640, 480}, kH264, {}}},
        {"nothing fitted: the current size",
         {{480, 320}, kYuyv, {}},
         {{kYuyv, {{480, 320}, {720, 480}}}},
         {{480, 320}, kYuyv, {}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OfferingDriver driver(row.current, row.formats);
        EXPECT_EQ(platform::firstSightMode(driver, fitted), row.expected);
        EXPECT_EQ(platform::firstSightMode(driver, {}), row.current) << "no widths known";
    }
}

// A preview's rate is asked of the device as the lowest it offers that keeps up, 29.97 for 30.
TEST(FrameRates, TheDeviceIsAskedForTheLowestRateThatKeepsUp) {
    const std::vector<FrameRate> offered{FrameRate::of(15, 2), FrameRate::whole(15),
                                         FrameRate::of(30000, 1001), FrameRate::of(60000, 1001)};
    const OfferingDriver driver({{640, 480}, kYuyv, {}}, {{kYuyv, {{640, 480}}}}, offered);
    const CaptureMode mode{{640, 480}, kYuyv, {}};
    EXPECT_EQ(driver.rateFor(mode, 30), FrameRate::of(30000, 1001));
    EXPECT_EQ(driver.rateFor(mode, 15), FrameRate::whole(15));
    EXPECT_EQ(driver.rateFor(mode, 20), FrameRate::of(30000, 1001));
    EXPECT_EQ(driver.rateFor(mode, 7), FrameRate::of(15, 2));
    EXPECT_EQ(driver.rateFor(mode, 120), FrameRate::of(60000, 1001)) << "the fastest";
}

} // namespace
