#pragma once
// Pixel formats, sizes and frame intervals of a camera, and the one it is set to: what
// ENUM_FMT, the format calls, ENUM_FRAMESIZES/FRAMEINTERVALS and G/S_PARM answer.

#include "Config.h"

#include <cstdint>
#include <linux/videodev2.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fakecam {

class FormatSet {
public:
    explicit FormatSet(std::vector<FormatConfig> formats,
                       std::optional<CurrentFormat> current = std::nullopt,
                       std::map<std::uint32_t, std::uint32_t> answers = {});

    // The current format of the config if it has one; else the first format, its first
    // size (or 640 x 480 within a range) and first interval.
    void reset();

    int enumFormat(v4l2_fmtdesc& d) const;
    // Adjusts pix to what the camera can do: the format asked (the first one when it has
    // no such format) at its nearest size, with the layout and colour fields filled in.
    void tryFormat(v4l2_pix_format& pix) const;
    // pix must have come out of tryFormat. Keeps the interval nearest to the current one.
    void setFormat(const v4l2_pix_format& pix);
    void currentFormat(v4l2_pix_format& pix) const;
    int enumFrameSizes(v4l2_frmsizeenum& e) const;
    int enumFrameIntervals(v4l2_frmivalenum& e) const;

    Interval interval() const { return interval_; }
    // Sets and returns the offered interval nearest to the one asked.
    Interval setInterval(Interval asked);

    std::uint32_t fourcc() const { return formats_[format_].fourcc; }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    std::uint32_t sizeImage() const;

private:
    const FormatConfig* find(std::uint32_t fourcc) const;

    std::vector<FormatConfig> formats_;
    std::optional<CurrentFormat> current_;
    std::map<std::uint32_t, std::uint32_t> answers_;
    std::size_t format_ = 0;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    Interval interval_;
};

// The intervals offered at a size of f; nullptr when f offers no such size.
const Rates* ratesAt(const FormatConfig& f, std::uint32_t width, std::uint32_t height);

// Frame intervals, compared and rounded exactly (no floating point).
// a is a shorter interval than b.
bool shorter(Interval a, Interval b);
// True when every step of r is a fraction of 32-bit numbers.
bool stepsFit(const IntervalRange& r);
// True when rates offer exactly this interval (1/30 and 2/60 are the same).
bool offers(const Rates& rates, Interval interval);
// The offered interval nearest to the one asked. In a list, the nearest in time, and on a
// tie the longer one, as the UVC driver chooses; in a range, asked clamped to it and, with
// a step, rounded to the nearest step from the minimum (halves up). A zero numerator or
// denominator asks for the shortest interval.
Interval nearestInterval(const Rates& rates, Interval asked);
Interval firstInterval(const Rates& rates);

// A pixel format the emulator can draw, with the kernel's name for it.
struct PixelFormat {
    std::uint32_t fourcc;
    const char* name;        // as the config writes it: "NV12"
    const char* description; // ENUM_FMT's text unless the config gives one
    bool compressed;
    bool evenWidth;  // chroma shared by two columns
    bool evenHeight; // and by two rows
};
// nullptr when the emulator cannot draw it.
const PixelFormat* pixelFormat(std::uint32_t fourcc);
const PixelFormat* pixelFormatNamed(std::string_view name);
// The names the config takes, for its error messages.
std::string pixelFormatNames();

// Bytes of a row of the first plane (0 for compressed formats), and bytes a frame of this
// format and size may take.
std::uint32_t bytesPerLine(std::uint32_t fourcc, std::uint32_t width);
std::uint32_t frameBytes(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height);

} // namespace fakecam
