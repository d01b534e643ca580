// The pixel formats besides YUYV and MJPG: their descriptions, layouts and colour fields,
// and frames of the documented picture in each.

#include "Harness.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

namespace fakecam::test {
namespace {

struct Format {
    const char* name;
    std::uint32_t fourcc;
    const char* description;
    std::uint32_t flags;
    std::uint32_t bytesPerLine, sizeImage; // at 640 x 480
    std::uint32_t colorspace, quantization;
};

constexpr std::uint32_t kSmpte = V4L2_COLORSPACE_SMPTE170M;
constexpr std::uint32_t kLimited = V4L2_QUANTIZATION_LIM_RANGE;
constexpr std::uint32_t kFull = V4L2_QUANTIZATION_FULL_RANGE;

const Format kRawFormats[] = {
    {"YUYV", V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 0, 1280, 614400, kSmpte, kLimited},
    {"NV12", V4L2_PIX_FMT_NV12, "Y/UV 4:2:0", 0, 640, 460800, kSmpte, kLimited},
    {"NV21", V4L2_PIX_FMT_NV21, "Y/VU 4:2:0", 0, 640, 460800, kSmpte, kLimited},
    {"YU12", V4L2_PIX_FMT_YUV420, "Planar YUV 4:2:0", 0, 640, 460800, kSmpte, kLimited},
    {"YV12", V4L2_PIX_FMT_YVU420, "Planar YVU 4:2:0", 0, 640, 460800, kSmpte, kLimited},
    {"UYVY", V4L2_PIX_FMT_UYVY, "UYVY 4:2:2", 0, 1280, 614400, kSmpte, kLimited},
    {"YVYU", V4L2_PIX_FMT_YVYU, "YVYU 4:2:2", 0, 1280, 614400, kSmpte, kLimited},
    {"GREY", V4L2_PIX_FMT_GREY, "8-bit Greyscale", 0, 640, 307200, kSmpte, kLimited},
    {"RGB3", V4L2_PIX_FMT_RGB24, "24-bit RGB 8-8-8", 0, 1920, 921600, V4L2_COLORSPACE_SRGB, kFull},
    {"BGR3", V4L2_PIX_FMT_BGR24, "24-bit BGR 8-8-8", 0, 1920, 921600, V4L2_COLORSPACE_SRGB, kFull},
};

// One camera offering every format at 640 x 480 and, for the odd strip height of
// 320 x 200 (25 rows), at that size too.
std::string everyFormatCamera(const std::string& extraFormat = "") {
    std::string formats;
    for (const Format& f : kRawFormats) {
        formats += std::string(formats.empty() ? "" : ",") + R"({"fourcc":")" + f.name +
                   R"(","sizes":[[640,480,[30]],[320,200,[30]]]})";
    }
    return configOf(
        {R"({"node":"video0","controls":"none","formats":[)" + formats + extraFormat + "]}"});
}

class Formats : public testing::Test {
protected:
    void SetUp() override {
        clearLog();
        writeConfig(everyFormatCamera());
    }
};

TEST_F(Formats, EachFormatHasItsDescriptionLayoutAndColour) {
    Fd fd = openNode("video0");
    for (std::uint32_t i = 0; i < std::size(kRawFormats); ++i) {
        const Format& f = kRawFormats[i];
        SCOPED_TRACE(f.name);
        v4l2_fmtdesc d = fmtdesc(i);
        ASSERT_EQ(request(fd.get(), VIDIOC_ENUM_FMT, &d), 0);
        EXPECT_EQ(d.pixelformat, f.fourcc);
        EXPECT_STREQ(reinterpret_cast<char*>(d.description), f.description);
        EXPECT_EQ(d.flags, f.flags);
        for (unsigned long req : {VIDIOC_TRY_FMT, VIDIOC_S_FMT}) {
            v4l2_format format = pixFormat(f.fourcc, 640, 480);
            ASSERT_EQ(request(fd.get(), req, &format), 0);
            EXPECT_EQ(format.fmt.pix.pixelformat, f.fourcc);
            EXPECT_EQ(format.fmt.pix.bytesperline, f.bytesPerLine);
            EXPECT_EQ(format.fmt.pix.sizeimage, f.sizeImage);
            EXPECT_EQ(format.fmt.pix.colorspace, f.colorspace);
            EXPECT_EQ(format.fmt.pix.quantization, f.quantization);
            EXPECT_EQ(format.fmt.pix.ycbcr_enc, V4L2_YCBCR_ENC_601);
        }
    }
    v4l2_fmtdesc past = fmtdesc(std::size(kRawFormats));
    EXPECT_EQ(request(fd.get(), VIDIOC_ENUM_FMT, &past), EINVAL);

    // A description of the camera's own, cut as the kernel's field is.
    writeConfig(everyFormatCamera(R"(,{"fourcc":"MJPG","description":)"
                                  R"("Motion-JPEG, the camera's own words for it",)"
                                  R"("sizes":[[640,480,[30]]]})"));
    Fd own = openNode("video0");
    v4l2_fmtdesc d = fmtdesc(std::size(kRawFormats));
    ASSERT_EQ(request(own.get(), VIDIOC_ENUM_FMT, &d), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(d.description), "Motion-JPEG, the camera's own w");
    EXPECT_EQ(d.flags, static_cast<std::uint32_t>(V4L2_FMT_FLAG_COMPRESSED));
}

TEST_F(Formats, RawFramesShowTheBandsAndTheirSequence) {
    for (const Format& f : kRawFormats) {
        for (const auto& [width, height] : {std::pair{640, 480}, std::pair{320, 200}}) {
            SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            Stream stream("video0", f.fourcc, width, height, 30);
            for (int i = 0; i < 2; ++i) {
                v4l2_buffer b{};
                ASSERT_TRUE(stream.next(b));
                EXPECT_EQ(b.bytesused, static_cast<std::uint32_t>(std::uint64_t{f.sizeImage} *
                                                                  width * height / (640 * 480)));
                std::string problem;
                const int counter = checkPicture(
                    width, height, 3,
                    [&](int x, int y) {
                        return rawPixelAt(f.fourcc, stream.data(b), width, height, x, y);
                    },
                    problem, f.fourcc == V4L2_PIX_FMT_GREY ? kGreyBands : kBands);
                EXPECT_EQ(counter, static_cast<int>(b.sequence)) << problem;
                // At an odd strip height, a 4:2:0 chroma row that the strip's last row
                // shares with the bands' first is the strip's: the strip stays untinted.
                const int strip = std::max(1, height / 8);
                const Rgb zero =
                    rawPixelAt(f.fourcc, stream.data(b), width, height, width / 8 + 1, strip - 1);
                const Rgb band =
                    rawPixelAt(f.fourcc, stream.data(b), width, height, width / 8 + 1, strip + 1);
                const Rgb red = f.fourcc == V4L2_PIX_FMT_GREY ? kGreyBands[0] : kBands[0];
                for (const auto& [got, want] :
                     {std::pair{zero.r, 16}, std::pair{zero.g, 16}, std::pair{zero.b, 16},
                      std::pair{band.r, red.r}, std::pair{band.g, red.g},
                      std::pair{band.b, red.b}}) {
                    EXPECT_NEAR(got, want, 3);
                }
                ASSERT_EQ(stream.requeue(b), 0);
            }
        }
    }
}

// The NAL unit types of an Annex B access unit, in order; -1 where it is not one.
std::vector<int> nalTypes(const std::uint8_t* data, std::size_t size) {
    std::vector<int> types;
    std::size_t i = 0;
    if (size < 4 || data[0] != 0 || data[1] != 0 || (data[2] != 1 && data[3] != 1)) {
        return {-1};
    }
    while (i + 3 < size) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            types.push_back(data[i + 3] & 0x1f);
            i += 3;
        } else {
            ++i;
        }
    }
    return types;
}

TEST_F(Formats, H264IsAnAccessUnitPerBufferWithAKeyFrameEverySecond) {
    writeConfig(configOf({R"({"node":"video0","controls":"none","formats":[{"fourcc":"H264",)"
                          R"("sizes":[[640,480,[30]],[2,2,[30]]]}]})"}));
    Fd probe = openNode("video0");
    v4l2_fmtdesc d = fmtdesc(0);
    ASSERT_EQ(request(probe.get(), VIDIOC_ENUM_FMT, &d), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(d.description), "H.264");
    EXPECT_EQ(d.flags, static_cast<std::uint32_t>(V4L2_FMT_FLAG_COMPRESSED));
    v4l2_format f = pixFormat(V4L2_PIX_FMT_H264, 640, 480);
    ASSERT_EQ(request(probe.get(), VIDIOC_TRY_FMT, &f), 0);
    EXPECT_EQ(f.fmt.pix.bytesperline, 0u);
    EXPECT_EQ(f.fmt.pix.sizeimage, 640u * 480 * 3 / 2);
    EXPECT_EQ(f.fmt.pix.quantization, kLimited);
    probe = Fd();

    const std::vector<int> key = {7, 8, 5}; // SPS, PPS, IDR slice
    const std::vector<int> other = {1};     // a slice of a frame that is not a key frame
    {
        // Even at a tiny size a key frame with its headers is within sizeimage.
        Stream tiny("video0", V4L2_PIX_FMT_H264, 2, 2, 30);
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(tiny.fd(), VIDIOC_G_FMT, &format), 0);
        v4l2_buffer b{};
        ASSERT_TRUE(tiny.next(b));
        EXPECT_EQ(nalTypes(tiny.data(b), b.bytesused), key);
        EXPECT_LE(b.bytesused, format.fmt.pix.sizeimage);
    }
    Stream stream("video0", V4L2_PIX_FMT_H264, 640, 480, 30);
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start ? "after a new STREAMON" : "the first stream");
        const int frames = start ? 2 : 32;
        for (int i = 0; i < frames; ++i) {
            v4l2_buffer b{};
            ASSERT_TRUE(stream.next(b)) << i;
            EXPECT_EQ(nalTypes(stream.data(b), b.bytesused), i % 30 == 0 ? key : other)
                << "frame " << i;
            EXPECT_LE(b.bytesused, f.fmt.pix.sizeimage);
            ASSERT_EQ(stream.requeue(b), 0);
        }
        // A new STREAMON starts a new encoder: its first frame is a key frame again.
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        ASSERT_EQ(request(stream.fd(), VIDIOC_STREAMOFF, &type), 0);
        for (std::uint32_t index = 0; index < 4; ++index) {
            v4l2_buffer b{};
            b.index = index;
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            ASSERT_EQ(stream.requeue(b), 0);
        }
        ASSERT_EQ(request(stream.fd(), VIDIOC_STREAMON, &type), 0);
    }
}

TEST_F(Formats, SizesTheFormatCannotDrawAreConfigErrors) {
    struct Case {
        const char* format;
        const char* reason;
    };
    const Case cases[] = {
        {R"({"fourcc":"NV12","sizes":[[640,481,[30]]]})", "NV12 heights must be even"},
        {R"({"fourcc":"YU12","sizes":[[641,480,[30]]]})", "YU12 widths must be even"},
        {R"({"fourcc":"NV21","sizes":{"stepwise":[160,121,640,480,2,2],"fps":[30]}})",
         "NV21 heights must be even"},
        {R"({"fourcc":"H264","sizes":[[1920,1081,[30]]]})", "H264 heights must be even"},
        {R"({"fourcc":"Y10 ","sizes":[[640,480,[30]]]})",
         "fourcc \"Y10 \" is not one the emulator can draw (YUYV MJPG H264 NV12 NV21 YU12 YV12 "
         "UYVY YVYU GREY RGB3 BGR3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(configError(
                      configOf({std::string(R"({"node":"video0","formats":[)") + c.format + "]}"})),
                  std::string("camera video0: ") + c.reason);
    }
    // Odd sizes are fine where no chroma is shared.
    EXPECT_EQ(configError(configOf({R"({"node":"video0","formats":[{"fourcc":"GREY",)"
                                    R"("sizes":[[641,481,[30]]]},{"fourcc":"RGB3",)"
                                    R"("sizes":[[641,481,[30]]]}]})"})),
              "");
}

} // namespace
} // namespace fakecam::test
