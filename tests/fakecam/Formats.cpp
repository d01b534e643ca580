#include "Formats.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <turbojpeg.h>

namespace fakecam {

namespace {

// The kernel's descriptions (v4l_fill_fmtdesc).
constexpr PixelFormat kPixelFormats[] = {
    {V4L2_PIX_FMT_YUYV, "YUYV", "YUYV 4:2:2", false, true, false},
    {V4L2_PIX_FMT_MJPEG, "MJPG", "Motion-JPEG", true, false, false},
    {V4L2_PIX_FMT_H264, "H264", "H.264", true, true, true},
    {V4L2_PIX_FMT_NV12, "NV12", "Y/UV 4:2:0", false, true, true},
    {V4L2_PIX_FMT_NV21, "NV21", "Y/VU 4:2:0", false, true, true},
    {V4L2_PIX_FMT_YUV420, "YU12", "Planar YUV 4:2:0", false, true, true},
    {V4L2_PIX_FMT_YVU420, "YV12", "Planar YVU 4:2:0", false, true, true},
    {V4L2_PIX_FMT_UYVY, "UYVY", "UYVY 4:2:2", false, true, false},
    {V4L2_PIX_FMT_YVYU, "YVYU", "YVYU 4:2:2", false, true, false},
    {V4L2_PIX_FMT_GREY, "GREY", "8-bit Greyscale", false, false, false},
    {V4L2_PIX_FMT_RGB24, "RGB3", "24-bit RGB 8-8-8", false, false, false},
    {V4L2_PIX_FMT_BGR24, "BGR3", "24-bit BGR 8-8-8", false, false, false},
};

// Nearest step of a range, as v4l2's frame size constraints round it.
std::uint32_t onStep(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum,
                     std::uint32_t step) {
    value = std::clamp(value, minimum, maximum);
    std::uint32_t steps = (value - minimum + step / 2) / step;
    return std::min(minimum + steps * step, maximum - (maximum - minimum) % step);
}

using Wide = unsigned __int128;

// The values of a stepped interval range: (first + k * step) / unit for k = 0 .. last.
struct Grid {
    std::uint64_t unit = 1;
    Wide first = 0, step = 1, last = 0;
    bool fits = false; // every value's numerator and denominator fit in 32 bits
};

Grid gridOf(const IntervalRange& r) {
    Grid g;
    g.unit = std::lcm<std::uint64_t>(r.min.denominator, r.step->denominator);
    if (g.unit > UINT32_MAX) {
        return g;
    }
    g.first = Wide{r.min.numerator} * (g.unit / r.min.denominator);
    g.step = Wide{r.step->numerator} * (g.unit / r.step->denominator);
    // The last k with first + k * step <= max * unit.
    g.last = (Wide{r.max.numerator} * g.unit - g.first * r.max.denominator) /
             (g.step * r.max.denominator);
    g.fits = g.first + g.last * g.step <= UINT32_MAX;
    return g;
}

Interval reduced(std::uint64_t numerator, std::uint64_t denominator) {
    const std::uint64_t common = std::gcd(numerator, denominator);
    return {static_cast<std::uint32_t>(numerator / common),
            static_cast<std::uint32_t>(denominator / common)};
}

bool same(Interval a, Interval b) {
    return std::uint64_t{a.numerator} * b.denominator == std::uint64_t{b.numerator} * a.denominator;
}

// |asked - i| * asked.denominator * i.denominator, exactly.
Wide gapOf(Interval asked, Interval i) {
    const std::uint64_t a = std::uint64_t{asked.numerator} * i.denominator;
    const std::uint64_t b = std::uint64_t{i.numerator} * asked.denominator;
    return a > b ? a - b : b - a;
}

} // namespace

bool shorter(Interval a, Interval b) {
    return std::uint64_t{a.numerator} * b.denominator < std::uint64_t{b.numerator} * a.denominator;
}

bool stepsFit(const IntervalRange& r) {
    return !r.step || gridOf(r).fits;
}

Interval firstInterval(const Rates& rates) {
    return rates.range ? rates.range->min : rates.list.front();
}

bool offers(const Rates& rates, Interval interval) {
    if (interval.numerator == 0 || interval.denominator == 0) {
        return false;
    }
    if (!rates.range) {
        return std::any_of(rates.list.begin(), rates.list.end(),
                           [&](Interval i) { return same(i, interval); });
    }
    const IntervalRange& r = *rates.range;
    if (shorter(interval, r.min) || shorter(r.max, interval)) {
        return false;
    }
    if (!r.step) {
        return true;
    }
    const Grid g = gridOf(r);
    const Wide scaled = Wide{interval.numerator} * g.unit;
    if (scaled % interval.denominator != 0) {
        return false;
    }
    const Wide offset = scaled / interval.denominator - g.first;
    return offset % g.step == 0 && offset / g.step <= g.last;
}

Interval nearestInterval(const Rates& rates, Interval asked) {
    const bool fastest = asked.numerator == 0 || asked.denominator == 0;
    if (rates.range) {
        const IntervalRange& r = *rates.range;
        if (fastest || !shorter(r.min, asked)) {
            return r.min;
        }
        if (!r.step) {
            return shorter(r.max, asked) ? r.max : asked;
        }
        // k = (asked - min) / step rounded, halves up, and never past max's last step.
        const Grid g = gridOf(r);
        const Wide above = Wide{asked.numerator} * g.unit - g.first * asked.denominator;
        const Wide stepScaled = g.step * asked.denominator;
        const Wide k = std::min((2 * above + stepScaled) / (2 * stepScaled), g.last);
        return reduced(static_cast<std::uint64_t>(g.first + k * g.step), g.unit);
    }
    std::vector<Interval> sorted = rates.list;
    std::stable_sort(sorted.begin(), sorted.end(), shorter);
    if (fastest) {
        return sorted.front();
    }
    // As the UVC driver does: the smallest distance in time wins, and on a tie the longer
    // interval (it walks them shortest first and keeps going while not worse). The
    // distances |asked - i| are compared exactly, over a common denominator.
    Interval best = sorted.front();
    for (Interval i : sorted) {
        if (gapOf(asked, i) * best.denominator <= gapOf(asked, best) * i.denominator) {
            best = i;
        }
    }
    return best;
}

const PixelFormat* pixelFormat(std::uint32_t fourcc) {
    for (const PixelFormat& f : kPixelFormats) {
        if (f.fourcc == fourcc) {
            return &f;
        }
    }
    return nullptr;
}

const PixelFormat* pixelFormatNamed(std::string_view name) {
    for (const PixelFormat& f : kPixelFormats) {
        if (name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

std::string pixelFormatNames() {
    std::string names;
    for (const PixelFormat& f : kPixelFormats) {
        names += (names.empty() ? "" : " ") + std::string(f.name);
    }
    return names;
}

std::uint32_t bytesPerLine(std::uint32_t fourcc, std::uint32_t width) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_YVYU:
        return width * 2;
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
        return width * 3;
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_NV21:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
    case V4L2_PIX_FMT_GREY:
        return width; // the luma plane's; the chroma planes follow it in the one buffer
    default:
        return 0;
    }
}

std::uint32_t frameBytes(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height) {
    switch (fourcc) {
    case V4L2_PIX_FMT_MJPEG:
        // The most TurboJPEG can produce at this size, so that no frame is ever cut.
        return static_cast<std::uint32_t>(
            tjBufSize(static_cast<int>(width), static_cast<int>(height), TJSAMP_422));
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_NV21:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
        return width * height * 3 / 2;
    case V4L2_PIX_FMT_H264:
        // What UVC cameras give: the raw 4:2:0 frame, which an access unit of this picture
        // stays far below; at least 64 KiB, for a key frame with its headers at tiny sizes.
        return std::max(width * height * 3 / 2, 65536u);
    default:
        return bytesPerLine(fourcc, width) * height;
    }
}

const Rates* ratesAt(const FormatConfig& f, std::uint32_t width, std::uint32_t height) {
    if (f.stepwise) {
        const StepwiseSizes& s = *f.stepwise;
        const bool offered = width >= s.minWidth && width <= s.maxWidth && height >= s.minHeight &&
                             height <= s.maxHeight && (width - s.minWidth) % s.stepWidth == 0 &&
                             (height - s.minHeight) % s.stepHeight == 0;
        return offered ? &s.rates : nullptr;
    }
    for (const DiscreteSize& size : f.sizes) {
        if (size.width == width && size.height == height) {
            return &size.rates;
        }
    }
    return nullptr;
}

FormatSet::FormatSet(std::vector<FormatConfig> formats, std::optional<CurrentFormat> current,
                     std::map<std::uint32_t, std::uint32_t> answers)
    : formats_(std::move(formats)), current_(std::move(current)), answers_(std::move(answers)) {
    reset();
}

void FormatSet::reset() {
    format_ = 0;
    if (formats_.empty()) {
        return;
    }
    if (current_) {
        // The config checked that the camera offers it.
        for (std::size_t i = 0; i < formats_.size(); ++i) {
            if (formats_[i].fourcc == current_->fourcc) {
                format_ = i;
                break;
            }
        }
        width_ = current_->width;
        height_ = current_->height;
        const Rates* rates = ratesAt(formats_[format_], width_, height_);
        interval_ = current_->interval.value_or(rates ? firstInterval(*rates) : interval_);
        return;
    }
    const FormatConfig& f = formats_.front();
    if (f.stepwise) {
        const StepwiseSizes& s = *f.stepwise;
        width_ = onStep(640, s.minWidth, s.maxWidth, s.stepWidth);
        height_ = onStep(480, s.minHeight, s.maxHeight, s.stepHeight);
        interval_ = firstInterval(s.rates);
    } else {
        width_ = f.sizes.front().width;
        height_ = f.sizes.front().height;
        interval_ = firstInterval(f.sizes.front().rates);
    }
}

const FormatConfig* FormatSet::find(std::uint32_t fourcc) const {
    for (const FormatConfig& f : formats_) {
        if (f.fourcc == fourcc) {
            return &f;
        }
    }
    return nullptr;
}

int FormatSet::enumFormat(v4l2_fmtdesc& d) const {
    if (d.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || d.index >= formats_.size()) {
        return EINVAL;
    }
    const FormatConfig& f = formats_[d.index];
    const std::uint32_t index = d.index;
    std::memset(&d, 0, sizeof d);
    d.index = index;
    d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    d.flags = pixelFormat(f.fourcc)->compressed ? V4L2_FMT_FLAG_COMPRESSED : 0;
    std::strncpy(reinterpret_cast<char*>(d.description), f.description.c_str(),
                 sizeof d.description - 1);
    d.pixelformat = f.fourcc;
    return 0;
}

void FormatSet::tryFormat(v4l2_pix_format& pix) const {
    const auto answer = answers_.find(pix.pixelformat);
    const FormatConfig* f = find(answer == answers_.end() ? pix.pixelformat : answer->second);
    if (!f) {
        f = &formats_.front();
    }
    std::uint32_t width = pix.width;
    std::uint32_t height = pix.height;
    if (f->stepwise) {
        const StepwiseSizes& s = *f->stepwise;
        width = onStep(width, s.minWidth, s.maxWidth, s.stepWidth);
        height = onStep(height, s.minHeight, s.maxHeight, s.stepHeight);
    } else {
        // The UVC driver's choice: the size whose area differs least from the one asked.
        std::uint64_t best = UINT64_MAX;
        for (const DiscreteSize& size : f->sizes) {
            std::uint64_t common = static_cast<std::uint64_t>(std::min(size.width, pix.width)) *
                                   std::min(size.height, pix.height);
            std::uint64_t d = static_cast<std::uint64_t>(size.width) * size.height +
                              static_cast<std::uint64_t>(pix.width) * pix.height - 2 * common;
            if (d < best) {
                best = d;
                width = size.width;
                height = size.height;
            }
        }
    }
    std::memset(&pix, 0, sizeof pix);
    pix.width = width;
    pix.height = height;
    pix.pixelformat = f->fourcc;
    pix.field = V4L2_FIELD_NONE;
    pix.bytesperline = bytesPerLine(f->fourcc, width);
    pix.sizeimage = frameBytes(f->fourcc, width, height);
    pix.priv = V4L2_PIX_FMT_PRIV_MAGIC;
    if (f->fourcc == V4L2_PIX_FMT_MJPEG) {
        // A JPEG carries its own full-range BT.601 colour (JFIF).
        pix.colorspace = V4L2_COLORSPACE_JPEG;
        pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
        pix.quantization = V4L2_QUANTIZATION_FULL_RANGE;
        pix.xfer_func = V4L2_XFER_FUNC_SRGB;
    } else if (f->fourcc == V4L2_PIX_FMT_RGB24 || f->fourcc == V4L2_PIX_FMT_BGR24) {
        // The band colours as they are, at full range.
        pix.colorspace = V4L2_COLORSPACE_SRGB;
        pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
        pix.quantization = V4L2_QUANTIZATION_FULL_RANGE;
        pix.xfer_func = V4L2_XFER_FUNC_SRGB;
    } else {
        // The YUV formats and GREY (the same luma) are drawn with BT.601 at limited range;
        // say so, so that a consumer converts them back with the same matrix and range.
        pix.colorspace = V4L2_COLORSPACE_SMPTE170M;
        pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
        pix.quantization = V4L2_QUANTIZATION_LIM_RANGE;
        pix.xfer_func = V4L2_XFER_FUNC_709;
    }
}

void FormatSet::setFormat(const v4l2_pix_format& pix) {
    for (std::size_t i = 0; i < formats_.size(); ++i) {
        if (formats_[i].fourcc == pix.pixelformat) {
            format_ = i;
        }
    }
    width_ = pix.width;
    height_ = pix.height;
    if (const Rates* rates = ratesAt(formats_[format_], width_, height_)) {
        interval_ = nearestInterval(*rates, interval_);
    }
}

void FormatSet::currentFormat(v4l2_pix_format& pix) const {
    pix.pixelformat = fourcc();
    pix.width = width_;
    pix.height = height_;
    tryFormat(pix);
}

std::uint32_t FormatSet::sizeImage() const {
    return frameBytes(fourcc(), width_, height_);
}

int FormatSet::enumFrameSizes(v4l2_frmsizeenum& e) const {
    const FormatConfig* f = find(e.pixel_format);
    if (!f) {
        return EINVAL;
    }
    const std::uint32_t index = e.index;
    const std::uint32_t fourcc = e.pixel_format;
    if (f->stepwise) {
        if (index != 0) {
            return EINVAL;
        }
        std::memset(&e, 0, sizeof e);
        e.type = V4L2_FRMSIZE_TYPE_STEPWISE;
        e.stepwise = {f->stepwise->minWidth,  f->stepwise->maxWidth,  f->stepwise->stepWidth,
                      f->stepwise->minHeight, f->stepwise->maxHeight, f->stepwise->stepHeight};
    } else {
        if (index >= f->sizes.size()) {
            return EINVAL;
        }
        std::memset(&e, 0, sizeof e);
        e.type = V4L2_FRMSIZE_TYPE_DISCRETE;
        e.discrete = {f->sizes[index].width, f->sizes[index].height};
    }
    e.index = index;
    e.pixel_format = fourcc;
    return 0;
}

int FormatSet::enumFrameIntervals(v4l2_frmivalenum& e) const {
    const FormatConfig* f = find(e.pixel_format);
    if (!f) {
        return EINVAL;
    }
    const Rates* rates = ratesAt(*f, e.width, e.height);
    if (!rates || e.index >= (rates->range ? 1 : rates->list.size())) {
        return EINVAL;
    }
    const v4l2_frmivalenum asked = e;
    std::memset(&e, 0, sizeof e);
    e.index = asked.index;
    e.pixel_format = asked.pixel_format;
    e.width = asked.width;
    e.height = asked.height;
    if (rates->range) {
        const IntervalRange& r = *rates->range;
        // A continuous range says so with a step of 1/1.
        const Interval step = r.step.value_or(Interval{1, 1});
        e.type = r.step ? V4L2_FRMIVAL_TYPE_STEPWISE : V4L2_FRMIVAL_TYPE_CONTINUOUS;
        e.stepwise = {{r.min.numerator, r.min.denominator},
                      {r.max.numerator, r.max.denominator},
                      {step.numerator, step.denominator}};
    } else {
        const Interval i = rates->list[asked.index];
        e.type = V4L2_FRMIVAL_TYPE_DISCRETE;
        e.discrete = {i.numerator, i.denominator};
    }
    return 0;
}

Interval FormatSet::setInterval(Interval asked) {
    if (const Rates* rates = ratesAt(formats_[format_], width_, height_)) {
        interval_ = nearestInterval(*rates, asked);
    }
    return interval_;
}

} // namespace fakecam
