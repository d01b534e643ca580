#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <linux/videodev2.h>
#include <numeric>
#include <turbojpeg.h>
#include <x264.h>

namespace fakecam {

namespace {

constexpr int kJpegQuality = 90;

std::uint8_t level(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

struct Picture::JpegHandle {
    tjhandle handle = tjInitCompress();
    ~JpegHandle() {
        if (handle) {
            tjDestroy(handle);
        }
    }
};

// One H.264 encoder, as a webcam's: a key frame with its SPS and PPS every second, no
// B-frames (each frame out as it goes in), no threads of its own (it runs on the caller's),
// and BT.601 limited range written in the stream so that a decoder converts it back right.
struct Picture::H264Encoder {
    x264_t* encoder = nullptr;
    x264_picture_t in{};
    std::int64_t frames = 0;

    H264Encoder(int width, int height, std::uint64_t fpsNum, std::uint64_t fpsDen) {
        // x264 keeps the rate in 32 bits.
        const std::uint64_t common = std::gcd(fpsNum, fpsDen);
        fpsNum /= common;
        fpsDen /= common;
        while (fpsNum > INT32_MAX || fpsDen > INT32_MAX) {
            fpsNum = std::max<std::uint64_t>(fpsNum / 2, 1);
            fpsDen = std::max<std::uint64_t>(fpsDen / 2, 1);
        }
        x264_param_t p;
        if (x264_param_default_preset(&p, "ultrafast", "zerolatency") != 0) {
            return;
        }
        p.i_log_level = X264_LOG_NONE;
        p.i_threads = 1;
        p.b_sliced_threads = 0;
        p.i_lookahead_threads = 1;
        p.i_width = width;
        p.i_height = height;
        p.i_csp = X264_CSP_I420;
        p.i_fps_num = static_cast<std::uint32_t>(fpsNum);
        p.i_fps_den = static_cast<std::uint32_t>(fpsDen);
        p.b_vfr_input = 0;
        const auto second = std::max<std::uint64_t>(1, (fpsNum + fpsDen / 2) / fpsDen);
        p.i_keyint_max = static_cast<int>(std::min<std::uint64_t>(second, 1000));
        p.i_keyint_min = p.i_keyint_max;
        p.i_scenecut_threshold = 0;
        p.i_bframe = 0;
        p.b_repeat_headers = 1;
        p.b_annexb = 1;
        p.rc.i_rc_method = X264_RC_CRF;
        p.rc.f_rf_constant = 20;
        p.vui.b_fullrange = 0;
        p.vui.i_colorprim = 6; // SMPTE 170M, that is BT.601
        p.vui.i_transfer = 6;
        p.vui.i_colmatrix = 6;
        encoder = x264_encoder_open(&p);
        x264_picture_init(&in);
        in.img.i_csp = X264_CSP_I420;
        in.img.i_plane = 3;
        in.img.i_stride[0] = width;
        in.img.i_stride[1] = width / 2;
        in.img.i_stride[2] = width / 2;
    }
    ~H264Encoder() {
        if (encoder) {
            x264_encoder_close(encoder);
        }
    }
    H264Encoder(const H264Encoder&) = delete;
    H264Encoder& operator=(const H264Encoder&) = delete;
};

Layout layoutFor(int width, int height) {
    Layout layout{};
    layout.stripHeight = std::max(1, height / 8);
    for (int k = 0; k <= 4; ++k) {
        // Even edges keep each YUYV pixel pair inside one band, so chroma never mixes.
        layout.bandEdges[k] = k == 4 ? width : (k * width / 4) & ~1;
    }
    layout.blockWidth = width / kCounterBits;
    return layout;
}

Yuv toYuv(Rgb c) {
    const double r = c.r, g = c.g, b = c.b;
    return {level(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255),
            level(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255),
            level(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255)};
}

namespace {

// Writes row bytes of one plane of a raw format, pixel x in the colour colourAt(x). Two
// pixels that share their chroma take it from the left one: the band edges are even, so
// both are of one colour.
template <typename ColourAt>
void writeRow(std::uint32_t fourcc, int plane, int width, ColourAt colourAt, std::uint8_t* row) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_YVYU:
        for (int x = 0; x + 1 < width; x += 2) {
            const Yuv a = toYuv(colourAt(x));
            const Yuv b = toYuv(colourAt(x + 1));
            const std::uint8_t yuyv[4] = {a.y, a.u, b.y, a.v};
            const std::uint8_t uyvy[4] = {a.u, a.y, a.v, b.y};
            const std::uint8_t yvyu[4] = {a.y, a.v, b.y, a.u};
            std::memcpy(row + 2 * x,
                        fourcc == V4L2_PIX_FMT_YUYV   ? yuyv
                        : fourcc == V4L2_PIX_FMT_UYVY ? uyvy
                                                      : yvyu,
                        4);
        }
        return;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
        for (int x = 0; x < width; ++x) {
            const Rgb c = colourAt(x);
            const bool rgb = fourcc == V4L2_PIX_FMT_RGB24;
            row[3 * x] = rgb ? c.r : c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = rgb ? c.b : c.r;
        }
        return;
    default:
        break;
    }
    if (plane == 0) { // GREY, and the luma plane of the 4:2:0 formats
        for (int x = 0; x < width; ++x) {
            row[x] = toYuv(colourAt(x)).y;
        }
        return;
    }
    const bool uFirst = fourcc == V4L2_PIX_FMT_NV12 || fourcc == V4L2_PIX_FMT_YUV420;
    for (int x = 0; x + 1 < width; x += 2) {
        const Yuv c = toYuv(colourAt(x));
        if (fourcc == V4L2_PIX_FMT_NV12 || fourcc == V4L2_PIX_FMT_NV21) {
            row[x] = uFirst ? c.u : c.v;
            row[x + 1] = uFirst ? c.v : c.u;
        } else {
            row[x / 2] = (plane == 1) == uFirst ? c.u : c.v;
        }
    }
}

} // namespace

Picture::Picture(std::uint32_t fourcc, int width, int height, std::uint64_t framesPerSecondNum,
                 std::uint64_t framesPerSecondDen, int brightness)
    : fourcc_(fourcc), rawFourcc_(fourcc == V4L2_PIX_FMT_H264 ? V4L2_PIX_FMT_YUV420 : fourcc),
      width_(width), height_(height), brightness_(brightness), layout_(layoutFor(width, height)) {
    if (fourcc_ == V4L2_PIX_FMT_MJPEG) {
        jpeg_ = std::make_unique<JpegHandle>();
        rgb_.resize(static_cast<std::size_t>(width) * height * 3);
        for (int x = 0; x < width; ++x) {
            const Rgb c = bandColour(x);
            std::uint8_t* p = &rgb_[static_cast<std::size_t>(x) * 3];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
        const std::size_t row = static_cast<std::size_t>(width) * 3;
        for (int y = 1; y < height; ++y) {
            std::memcpy(&rgb_[y * row], rgb_.data(), row);
        }
        return;
    }
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    const int strip = layout_.stripHeight;
    // A chroma row of the 4:2:0 formats that the strip's last row shares with the bands'
    // first (an odd strip height) is the strip's.
    const int chromaStrip = (strip + 1) / 2;
    switch (rawFourcc_) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_YVYU:
        planes_ = {{0, 2 * w, height, strip, 2, {}, {}, {}}};
        break;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
        planes_ = {{0, 3 * w, height, strip, 3, {}, {}, {}}};
        break;
    case V4L2_PIX_FMT_GREY:
        planes_ = {{0, w, height, strip, 1, {}, {}, {}}};
        break;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_NV21:
        planes_ = {{0, w, height, strip, 1, {}, {}, {}},
                   {w * h, w, height / 2, chromaStrip, 0, {}, {}, {}}};
        break;
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
        planes_ = {{0, w, height, strip, 1, {}, {}, {}},
                   {w * h, w / 2, height / 2, chromaStrip, 0, {}, {}, {}},
                   {w * h + w / 2 * (h / 2), w / 2, height / 2, chromaStrip, 0, {}, {}, {}}};
        break;
    default:
        return; // paints nothing
    }
    for (std::size_t i = 0; i < planes_.size(); ++i) {
        Plane& p = planes_[i];
        const int index = static_cast<int>(i);
        p.band.resize(p.rowBytes);
        p.zero.resize(p.rowBytes);
        p.one.resize(p.rowBytes);
        writeRow(
            rawFourcc_, index, width, [this](int x) { return bandColour(x); }, p.band.data());
        writeRow(
            rawFourcc_, index, width, [](int) { return kCounterZero; }, p.zero.data());
        writeRow(
            rawFourcc_, index, width, [](int) { return kCounterOne; }, p.one.data());
        rawBytes_ = std::max(rawBytes_, p.offset + p.rowBytes * static_cast<std::size_t>(p.rows));
        strip_.resize(std::max(strip_.size(), p.rowBytes));
    }
    if (fourcc_ == V4L2_PIX_FMT_H264) {
        yuv_.resize(rawBytes_);
        h264_ =
            std::make_unique<H264Encoder>(width, height, framesPerSecondNum, framesPerSecondDen);
        if (!h264_->encoder) {
            std::fprintf(stderr, "fakecam: cannot make an H.264 encoder for %dx%d\n", width,
                         height);
        }
        h264_->in.img.plane[0] = yuv_.data();
        h264_->in.img.plane[1] = yuv_.data() + planes_[1].offset;
        h264_->in.img.plane[2] = yuv_.data() + planes_[2].offset;
    }
}

Picture::~Picture() = default;

Rgb Picture::bandColour(int x) const {
    int band = 0;
    while (band < 3 && x >= layout_.bandEdges[band + 1]) {
        ++band;
    }
    const Rgb c = kBandColours[band];
    const auto lit = [this](std::uint8_t channel) {
        return static_cast<std::uint8_t>(std::clamp(channel + brightness_, 0, 255));
    };
    return {lit(c.r), lit(c.g), lit(c.b)};
}

bool Picture::counterBit(std::uint32_t sequence, int x) const {
    if (layout_.blockWidth == 0 || x >= layout_.blockWidth * kCounterBits) {
        return false;
    }
    const int bit = kCounterBits - 1 - x / layout_.blockWidth;
    return (sequence >> bit) & 1;
}

std::size_t Picture::paint(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    switch (fourcc_) {
    case V4L2_PIX_FMT_MJPEG:
        return paintJpeg(sequence, dst, capacity);
    case V4L2_PIX_FMT_H264:
        return paintH264(sequence, dst, capacity);
    default:
        return paintRaw(sequence, dst, capacity);
    }
}

std::size_t Picture::paintH264(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    if (!h264_->encoder) {
        return 0;
    }
    paintRaw(sequence, yuv_.data(), yuv_.size());
    h264_->in.i_pts = h264_->frames++;
    x264_nal_t* nals = nullptr;
    int count = 0;
    x264_picture_t out;
    if (x264_encoder_encode(h264_->encoder, &nals, &count, &h264_->in, &out) < 0) {
        return 0;
    }
    // One access unit: its NAL units in order, each with its start code. The encoder's
    // own SEI (its name and settings) is left out, as a camera sends none.
    std::size_t used = 0;
    for (int i = 0; i < count; ++i) {
        if (nals[i].i_type == NAL_SEI) {
            continue;
        }
        const auto size = static_cast<std::size_t>(nals[i].i_payload);
        if (used + size > capacity) {
            return 0;
        }
        std::memcpy(dst + used, nals[i].p_payload, size);
        used += size;
    }
    return used;
}

std::size_t Picture::paintRaw(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    if (capacity < rawBytes_) {
        return 0;
    }
    const std::size_t block = static_cast<std::size_t>(layout_.blockWidth);
    for (const Plane& p : planes_) {
        // This frame's strip row: the row of 0s with the blocks of the 1 bits copied in.
        const std::uint8_t* strip = p.zero.data();
        if (p.pixelBytes > 0 && block > 0) {
            std::memcpy(strip_.data(), p.zero.data(), p.rowBytes);
            const std::size_t blockBytes = block * static_cast<std::size_t>(p.pixelBytes);
            for (int bit = 0; bit < kCounterBits; ++bit) {
                if ((sequence >> (kCounterBits - 1 - bit)) & 1) {
                    const std::size_t at = static_cast<std::size_t>(bit) * blockBytes;
                    std::memcpy(strip_.data() + at, p.one.data() + at, blockBytes);
                }
            }
            strip = strip_.data();
        }
        std::uint8_t* row = dst + p.offset;
        for (int y = 0; y < p.rows; ++y, row += p.rowBytes) {
            std::memcpy(row, y < p.stripRows ? strip : p.band.data(), p.rowBytes);
        }
    }
    return rawBytes_;
}

std::size_t Picture::paintJpeg(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    if (!jpeg_->handle) {
        return 0;
    }
    const std::size_t row = static_cast<std::size_t>(width_) * 3;
    for (int x = 0; x < width_; ++x) {
        const Rgb c = counterBit(sequence, x) ? kCounterOne : kCounterZero;
        rgb_[x * 3] = c.r;
        rgb_[x * 3 + 1] = c.g;
        rgb_[x * 3 + 2] = c.b;
    }
    for (int y = 1; y < layout_.stripHeight; ++y) {
        std::memcpy(&rgb_[y * row], rgb_.data(), row);
    }
    unsigned char* out = dst;
    unsigned long size = capacity;
    if (tjCompress2(jpeg_->handle, rgb_.data(), width_, 0, height_, TJPF_RGB, &out, &size,
                    TJSAMP_422, kJpegQuality, TJFLAG_NOREALLOC) != 0) {
        return 0;
    }
    return size;
}

} // namespace fakecam
