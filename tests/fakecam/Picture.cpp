#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <linux/videodev2.h>
#include <turbojpeg.h>

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

Picture::Picture(std::uint32_t fourcc, int width, int height)
    : fourcc_(fourcc), width_(width), height_(height), layout_(layoutFor(width, height)) {
    if (fourcc_ == V4L2_PIX_FMT_MJPEG) {
        jpeg_ = std::make_unique<JpegHandle>();
        rgb_.resize(static_cast<std::size_t>(width) * height * 3);
        for (int x = 0; x < width; ++x) {
            int band = 0;
            while (band < 3 && x >= layout_.bandEdges[band + 1]) {
                ++band;
            }
            const Rgb c = kBandColours[band];
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
    bandRow_.resize(static_cast<std::size_t>(width) * 2);
    for (int x = 0; x + 1 < width; x += 2) {
        int band = 0;
        while (band < 3 && x >= layout_.bandEdges[band + 1]) {
            ++band;
        }
        const Yuv c = toYuv(kBandColours[band]);
        std::uint8_t* p = &bandRow_[static_cast<std::size_t>(x) * 2];
        p[0] = c.y;
        p[1] = c.u;
        p[2] = c.y;
        p[3] = c.v;
    }
}

Picture::~Picture() = default;

bool Picture::counterBit(std::uint32_t sequence, int x) const {
    if (layout_.blockWidth == 0 || x >= layout_.blockWidth * kCounterBits) {
        return false;
    }
    const int bit = kCounterBits - 1 - x / layout_.blockWidth;
    return (sequence >> bit) & 1;
}

std::size_t Picture::paint(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    return fourcc_ == V4L2_PIX_FMT_MJPEG ? paintJpeg(sequence, dst, capacity)
                                         : paintYuyv(sequence, dst, capacity);
}

std::size_t Picture::paintYuyv(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity) {
    const std::size_t row = static_cast<std::size_t>(width_) * 2;
    const std::size_t bytes = row * height_;
    if (capacity < bytes) {
        return 0;
    }
    const std::uint8_t zero = toYuv(kCounterZero).y;
    const std::uint8_t one = toYuv(kCounterOne).y;
    for (int x = 0; x < width_; ++x) {
        dst[x * 2] = counterBit(sequence, x) ? one : zero;
        dst[x * 2 + 1] = 128;
    }
    for (int y = 1; y < layout_.stripHeight; ++y) {
        std::memcpy(dst + y * row, dst, row);
    }
    for (int y = layout_.stripHeight; y < height_; ++y) {
        std::memcpy(dst + y * row, bandRow_.data(), row);
    }
    return bytes;
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
