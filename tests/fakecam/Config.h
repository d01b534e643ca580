#pragma once
// The cameras the emulator stands in for, as read from the JSON file in FAKECAM_CONFIG.

#include <cstdint>
#include <linux/videodev2.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fakecam {

// A frame interval in seconds, as V4L2 gives it: 1/30, 1001/30000, 2/15.
struct Interval {
    std::uint32_t numerator = 1;
    std::uint32_t denominator = 30;
};

// A range of intervals from the shortest to the longest; without a step, any interval
// between them (V4L2_FRMIVAL_TYPE_CONTINUOUS).
struct IntervalRange {
    Interval min, max;
    std::optional<Interval> step;
};

// The intervals a size offers: a list in the camera's own order, or a range.
struct Rates {
    std::vector<Interval> list; // empty when range is set
    std::optional<IntervalRange> range;
};

struct DiscreteSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Rates rates;
};

// A range of sizes, as virtual cameras report them instead of a list.
struct StepwiseSizes {
    std::uint32_t minWidth = 0, minHeight = 0;
    std::uint32_t maxWidth = 0, maxHeight = 0;
    std::uint32_t stepWidth = 1, stepHeight = 1;
    Rates rates;
};

struct FormatConfig {
    std::uint32_t fourcc = 0;
    std::string description;               // ENUM_FMT's text
    std::vector<DiscreteSize> sizes;       // empty when stepwise is set
    std::optional<StepwiseSizes> stepwise; // set instead of sizes
};

// A control whose INACTIVE flag follows another control's value: it is inactive, and a
// set of it refused, while that control holds one of these values.
struct ControlDependency {
    std::uint32_t id = 0;
    std::vector<std::int32_t> values;
};

// One control as the kernel's QUERYCTRL describes it. The class controls are not listed
// here: the control set adds them for the classes its controls use.
struct ControlConfig {
    std::uint32_t id = 0;
    std::string name;
    std::uint32_t type = V4L2_CTRL_TYPE_INTEGER; // enum v4l2_ctrl_type
    std::int32_t minimum = 0, maximum = 0, step = 0, defaultValue = 0;
    std::uint32_t flags = 0;                  // V4L2_CTRL_FLAG_*
    std::map<std::int32_t, std::string> menu; // a menu's items by value; the rest are skipped
    std::optional<ControlDependency> inactiveWhen;
};

// The format a camera is in when the config is read and at each replug, when it is not
// the first format's first size and rate (another program left it set).
struct CurrentFormat {
    std::uint32_t fourcc = 0;
    std::uint32_t width = 0, height = 0;
    std::optional<Interval> interval; // unset: the size's first
};

// Another program holds the camera. The UVC driver refuses the second program's format and
// buffer requests; some drivers only fail when streaming starts.
enum class Busy { No, AtStreamOn, AtFormat };

struct CameraConfig {
    std::string node;
    std::string metaNode; // empty: no metadata node
    bool m2m = false;
    std::string card;
    std::string bus;
    std::string driver;
    std::uint32_t version = 0;
    std::vector<FormatConfig> formats;
    std::vector<ControlConfig> controls; // "uvc": the preset below
    std::optional<CurrentFormat> current;
    // TRY_FMT and S_FMT asked for the key's fourcc give the value's (a capture card does).
    std::map<std::uint32_t, std::uint32_t> answers;
    int openError = 0;                   // open() of the capture node fails with this errno
    std::uint32_t firstFrameDelayMs = 0; // 0: the first frame after one interval
    std::uint32_t rateDivisor = 1;       // frames come at the interval times this
    // QUERYCAP's capabilities: those of every node of the device, that is of every camera
    // entry with this bus (set by parseConfig).
    std::uint32_t deviceCapabilities = 0;
    std::vector<std::string> inputs;
    std::optional<std::uint64_t> unplugAfterFrames;
    std::string unplugFile; // empty: none
    Busy busy = Busy::No;
};

struct Config {
    std::vector<CameraConfig> cameras;
};

// Parses and checks the whole file; throws std::runtime_error naming the camera and the
// field at fault, so that a typo in a test's config fails loudly instead of half-working.
Config parseConfig(std::string_view text);

// The controls of a common UVC webcam, the config's "uvc" (Controls.cpp).
std::vector<ControlConfig> uvcControlPreset();

// "6.1.76" or a plain number, as the kernel packs it: (major << 16) | (minor << 8) | patch.
std::uint32_t parseVersion(std::string_view text);

} // namespace fakecam
