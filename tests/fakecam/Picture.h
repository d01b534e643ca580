#pragma once
// The picture every emulated camera shows: four vertical bands of flat colour under a
// strip that carries the frame's sequence number as sixteen black or white blocks.
// README.md describes it for the tests that check grabbed frames.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fakecam {

struct Rgb {
    std::uint8_t r, g, b;
};

// Well inside the range that survives a round trip through limited-range YUV.
inline constexpr std::array<Rgb, 4> kBandColours{{
    {200, 50, 50},  // red
    {50, 200, 50},  // green
    {50, 50, 200},  // blue
    {200, 200, 50}, // yellow
}};
inline constexpr Rgb kCounterZero{16, 16, 16};
inline constexpr Rgb kCounterOne{235, 235, 235};
inline constexpr int kCounterBits = 16;

struct Layout {
    int stripHeight;              // rows 0 .. stripHeight-1 hold the counter
    std::array<int, 5> bandEdges; // band i covers columns bandEdges[i] .. bandEdges[i+1]-1
    int blockWidth;               // counter bit i (most significant first) covers
                                  // columns i*blockWidth .. (i+1)*blockWidth-1
};

Layout layoutFor(int width, int height);

struct Yuv {
    std::uint8_t y, u, v;
};
// BT.601 at limited range (Y 16..235, Cb/Cr 16..240), rounded to the nearest level.
Yuv toYuv(Rgb c);

// Paints frames of one format and size. Not thread-safe: one per producer, made and used
// on its thread (an H.264 stream's encoder with it). What does not change from frame to
// frame (a row of the bands in each plane, the counter strip's rows of 0s and of 1s) is
// made once, so that a raw frame is row copies and a strip.
class Picture {
public:
    // framesPerSecond (a fraction, numerator over denominator) is the rate the frames come
    // at: an H.264 stream has a key frame every second.
    // `brightness` raises every channel of the bands by that much (the counter strip stays
    // as it is).
    Picture(std::uint32_t fourcc, int width, int height, std::uint64_t framesPerSecondNum = 30,
            std::uint64_t framesPerSecondDen = 1, int brightness = 0);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Paints the frame with this sequence number into dst; returns the bytes used, or 0
    // when the frame does not fit.
    std::size_t paint(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity);

private:
    // One plane of a raw frame: rows of rowBytes, the counter strip's rows first.
    struct Plane {
        std::size_t offset = 0; // from the start of the frame
        std::size_t rowBytes = 0;
        int rows = 0;
        int stripRows = 0;
        // Bytes each pixel takes in the row, for copying the counter's blocks; 0 where the
        // rows of 0s and of 1s are the same (the chroma planes: the strip is grey).
        int pixelBytes = 0;
        std::vector<std::uint8_t> band, zero, one;
    };

    std::size_t paintRaw(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity);
    std::size_t paintJpeg(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity);
    std::size_t paintH264(std::uint32_t sequence, std::uint8_t* dst, std::size_t capacity);
    bool counterBit(std::uint32_t sequence, int x) const;
    Rgb bandColour(int x) const;

    struct JpegHandle;
    struct H264Encoder;
    std::uint32_t fourcc_;
    std::uint32_t rawFourcc_; // the raw layout painted: H.264 encodes YU12 frames
    int width_, height_;
    int brightness_;
    Layout layout_;
    std::vector<Plane> planes_;       // raw formats
    std::size_t rawBytes_ = 0;        // a raw frame's size
    std::vector<std::uint8_t> strip_; // one strip row being assembled
    std::vector<std::uint8_t> rgb_;   // the whole RGB picture, for JPEG
    std::unique_ptr<JpegHandle> jpeg_;
    std::vector<std::uint8_t> yuv_; // the frame H.264 encodes
    std::unique_ptr<H264Encoder> h264_;
};

} // namespace fakecam
