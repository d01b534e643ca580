#include "Controls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fakecam {

namespace {

constexpr std::uint32_t kClassFlags = V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
constexpr std::uint32_t kButtonFlags = V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_EXECUTE_ON_WRITE;

// The kernel's names of the control classes (v4l2_ctrl_get_name).
struct ControlClass {
    std::uint32_t id;
    const char* name;
};
constexpr ControlClass kClasses[] = {
    {V4L2_CID_USER_CLASS, "User Controls"},
    {V4L2_CID_CODEC_CLASS, "Codec Controls"},
    {V4L2_CID_CAMERA_CLASS, "Camera Controls"},
    {V4L2_CID_FM_TX_CLASS, "FM Radio Modulator Controls"},
    {V4L2_CID_FLASH_CLASS, "Flash Controls"},
    {V4L2_CID_JPEG_CLASS, "JPEG Compression Controls"},
    {V4L2_CID_IMAGE_SOURCE_CLASS, "Image Source Controls"},
    {V4L2_CID_IMAGE_PROC_CLASS, "Image Processing Controls"},
    {V4L2_CID_DV_CLASS, "Digital Video Controls"},
    {V4L2_CID_FM_RX_CLASS, "FM Radio Receiver Controls"},
    {V4L2_CID_RF_TUNER_CLASS, "RF Tuner Controls"},
    {V4L2_CID_DETECT_CLASS, "Detection Controls"},
    {V4L2_CID_CODEC_STATELESS_CLASS, "Stateless Codec Controls"},
    {V4L2_CID_COLORIMETRY_CLASS, "Colorimetry Controls"},
};

// The kernel's rounding: to the nearest step counted from the minimum, halves up, never
// past the maximum.
std::int32_t roundToRange(std::int64_t value, const ControlConfig& c) {
    if (value >= static_cast<std::int64_t>(c.maximum) - c.step / 2) {
        value = c.maximum;
    } else {
        value += c.step / 2;
    }
    value = std::clamp<std::int64_t>(value, c.minimum, c.maximum);
    std::int64_t offset = value - c.minimum;
    offset = c.step * (offset / c.step);
    return static_cast<std::int32_t>(c.minimum + offset);
}

bool isClass(std::uint32_t which) {
    return which != V4L2_CTRL_WHICH_CUR_VAL && which != V4L2_CTRL_WHICH_DEF_VAL &&
           which != V4L2_CTRL_WHICH_REQUEST_VAL;
}

void copyName(char (&dst)[32], const std::string& name) {
    std::memset(dst, 0, sizeof dst);
    std::memcpy(dst, name.data(), std::min(name.size(), sizeof dst - 1));
}

} // namespace

// What a common UVC webcam lists, with the kernel's names. Auto exposure offers only
// manual and aperture priority: QUERYMENU of items 0 and 2 fails, as on real cameras.
std::vector<ControlConfig> uvcControlPreset() {
    constexpr std::uint32_t slider = V4L2_CTRL_FLAG_SLIDER;
    return {
        {V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, -64, 64, 1, 0, slider, {}, {}},
        {V4L2_CID_CONTRAST, "Contrast", V4L2_CTRL_TYPE_INTEGER, 0, 95, 1, 32, slider, {}, {}},
        {V4L2_CID_SATURATION, "Saturation", V4L2_CTRL_TYPE_INTEGER, 0, 100, 5, 55, slider, {}, {}},
        {V4L2_CID_HUE, "Hue", V4L2_CTRL_TYPE_INTEGER, -2000, 2000, 100, 0, slider, {}, {}},
        {V4L2_CID_AUTO_WHITE_BALANCE,
         "White Balance, Automatic",
         V4L2_CTRL_TYPE_BOOLEAN,
         0,
         1,
         1,
         1,
         V4L2_CTRL_FLAG_UPDATE,
         {},
         {}},
        {V4L2_CID_DO_WHITE_BALANCE,
         "Do White Balance",
         V4L2_CTRL_TYPE_BUTTON,
         0,
         0,
         0,
         0,
         kButtonFlags,
         {},
         {}},
        {V4L2_CID_POWER_LINE_FREQUENCY,
         "Power Line Frequency",
         V4L2_CTRL_TYPE_MENU,
         0,
         2,
         1,
         1,
         0,
         {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}},
         {}},
        // The camera refuses a manual temperature while it balances automatically.
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE,
         "White Balance Temperature",
         V4L2_CTRL_TYPE_INTEGER,
         2800,
         6500,
         10,
         4600,
         slider,
         {},
         ControlDependency{V4L2_CID_AUTO_WHITE_BALANCE, {1}}},
        {V4L2_CID_EXPOSURE_AUTO,
         "Auto Exposure",
         V4L2_CTRL_TYPE_MENU,
         0,
         3,
         1,
         3,
         V4L2_CTRL_FLAG_UPDATE,
         {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}},
         {}},
        {V4L2_CID_PRIVACY,
         "Privacy",
         V4L2_CTRL_TYPE_BOOLEAN,
         0,
         1,
         1,
         0,
         V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_VOLATILE,
         {},
         {}},
    };
}

const char* ControlSet::className(std::uint32_t id) {
    for (const ControlClass& c : kClasses) {
        if (c.id == (V4L2_CTRL_ID2WHICH(id) | 1)) {
            return c.name;
        }
    }
    return nullptr;
}

ControlSet::ControlSet(const std::vector<ControlConfig>& controls) : controls_(controls) {
    // As the kernel lists them: each class control ahead of its class's controls, which
    // its id (the class's base + 1) gives by itself in id order.
    for (const ControlConfig& c : controls) {
        const std::uint32_t classId = V4L2_CTRL_ID2WHICH(c.id) | 1;
        const char* name = className(c.id);
        if (name && !find(classId)) {
            controls_.push_back(
                {classId, name, V4L2_CTRL_TYPE_CTRL_CLASS, 0, 0, 0, 0, kClassFlags, {}, {}});
        }
    }
    std::sort(controls_.begin(), controls_.end(),
              [](const ControlConfig& a, const ControlConfig& b) { return a.id < b.id; });
    for (const ControlConfig& c : controls_) {
        const ControlConfig* master = c.inactiveWhen ? find(c.inactiveWhen->id) : nullptr;
        masters_.push_back(master ? static_cast<std::ptrdiff_t>(indexOf(*master)) : -1);
    }
    reset();
}

void ControlSet::reset() {
    values_.clear();
    for (const ControlConfig& c : controls_) {
        values_.push_back(c.defaultValue);
    }
}

const ControlConfig* ControlSet::find(std::uint32_t id) const {
    for (const ControlConfig& c : controls_) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const ControlConfig* ControlSet::next(std::uint32_t id) const {
    for (const ControlConfig& c : controls_) {
        if (c.id > id) {
            return &c;
        }
    }
    return nullptr;
}

std::uint32_t ControlSet::flagsOf(const ControlConfig& c,
                                  const std::vector<std::int32_t>& values) const {
    std::uint32_t flags = c.flags;
    const std::ptrdiff_t master = masters_[indexOf(c)];
    if (master >= 0) {
        const std::vector<std::int32_t>& when = c.inactiveWhen->values;
        if (std::find(when.begin(), when.end(), values[master]) != when.end()) {
            flags |= V4L2_CTRL_FLAG_INACTIVE;
        }
    }
    return flags;
}

int ControlSet::query(v4l2_queryctrl& q) const {
    const std::uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    const ControlConfig* c =
        (q.id & (V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND)) ? next(id) : find(id);
    if (!c) {
        return EINVAL;
    }
    std::memset(&q, 0, sizeof q);
    q.id = c->id;
    q.type = c->type;
    copyName(reinterpret_cast<char(&)[32]>(q.name), c->name);
    q.minimum = c->minimum;
    q.maximum = c->maximum;
    q.step = c->step;
    q.default_value = c->defaultValue;
    q.flags = flagsOf(*c, values_);
    return 0;
}

int ControlSet::queryExt(v4l2_query_ext_ctrl& q) const {
    const std::uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    const ControlConfig* c =
        (q.id & (V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND)) ? next(id) : find(id);
    if (!c) {
        return EINVAL;
    }
    std::memset(&q, 0, sizeof q);
    q.id = c->id;
    q.type = c->type;
    copyName(q.name, c->name);
    q.minimum = c->minimum;
    q.maximum = c->maximum;
    q.step = static_cast<std::uint64_t>(c->step);
    q.default_value = c->defaultValue;
    q.flags = flagsOf(*c, values_);
    q.elem_size = c->type == V4L2_CTRL_TYPE_CTRL_CLASS || c->type == V4L2_CTRL_TYPE_BUTTON
                      ? 0
                      : sizeof(std::int32_t);
    q.elems = 1;
    return 0;
}

int ControlSet::queryMenu(v4l2_querymenu& q) const {
    const ControlConfig* c = find(q.id);
    if (!c || c->type != V4L2_CTRL_TYPE_MENU) {
        return EINVAL;
    }
    // Within min..max, the values the camera lists; the others it skips.
    const auto item = q.index <= static_cast<std::uint32_t>(INT32_MAX)
                          ? c->menu.find(static_cast<std::int32_t>(q.index))
                          : c->menu.end();
    if (item == c->menu.end() || item->first < c->minimum || item->first > c->maximum) {
        return EINVAL;
    }
    const std::uint32_t id = q.id;
    const std::uint32_t index = q.index;
    std::memset(&q, 0, sizeof q);
    q.id = id;
    q.index = index;
    copyName(reinterpret_cast<char(&)[32]>(q.name), item->second);
    return 0;
}

int ControlSet::readable(const ControlConfig& c) {
    if (c.flags & V4L2_CTRL_FLAG_DISABLED) {
        return EINVAL;
    }
    if (c.flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
        return EACCES;
    }
    return 0;
}

int ControlSet::get(std::uint32_t id, std::int32_t& value) const {
    const ControlConfig* c = find(id);
    if (!c) {
        return EINVAL;
    }
    if (int error = readable(*c)) {
        return error;
    }
    value = values_[indexOf(*c)];
    return 0;
}

std::int32_t ControlSet::brightnessOffset() const {
    const ControlConfig* c = find(V4L2_CID_BRIGHTNESS);
    return c && c->type == V4L2_CTRL_TYPE_INTEGER ? values_[indexOf(*c)] - c->defaultValue : 0;
}

int ControlSet::validate(const ControlConfig& c, std::int32_t& value,
                         const std::vector<std::int32_t>& values) const {
    if (c.flags & V4L2_CTRL_FLAG_DISABLED) {
        return EINVAL;
    }
    if (c.flags & V4L2_CTRL_FLAG_READ_ONLY) {
        return EACCES;
    }
    // The camera itself refuses a control while the one it depends on makes it inactive
    // (a manual temperature while it balances automatically). The INACTIVE flag on its own
    // is a hint, as the kernel treats it.
    if (masters_[indexOf(c)] >= 0 && (flagsOf(c, values) & V4L2_CTRL_FLAG_INACTIVE)) {
        return EACCES;
    }
    switch (c.type) {
    case V4L2_CTRL_TYPE_INTEGER:
        value = roundToRange(value, c);
        return 0;
    case V4L2_CTRL_TYPE_BOOLEAN:
        value = value != 0;
        return 0;
    case V4L2_CTRL_TYPE_MENU:
        if (value < c.minimum || value > c.maximum) {
            return ERANGE;
        }
        if (!c.menu.count(value)) {
            return EINVAL;
        }
        return 0;
    case V4L2_CTRL_TYPE_BUTTON:
        value = 0;
        return 0;
    default:
        return EINVAL;
    }
}

int ControlSet::set(std::uint32_t id, std::int32_t& value) {
    const ControlConfig* c = find(id);
    if (!c) {
        return EINVAL;
    }
    if (int error = validate(*c, value, values_)) {
        return error;
    }
    values_[indexOf(*c)] = value;
    return 0;
}

int ControlSet::checkList(const v4l2_ext_controls& c, bool forGet) const {
    if (c.which == V4L2_CTRL_WHICH_REQUEST_VAL) {
        return EINVAL; // no media requests on this camera
    }
    if (!forGet && c.which == V4L2_CTRL_WHICH_DEF_VAL) {
        return EINVAL;
    }
    if (c.count == 0) {
        // An empty list asks whether the class exists.
        if (!isClass(c.which)) {
            return 0;
        }
        for (const ControlConfig& info : controls_) {
            if (V4L2_CTRL_ID2WHICH(info.id) == c.which) {
                return 0;
            }
        }
        return EINVAL;
    }
    if (c.count > V4L2_CID_MAX_CTRLS) {
        return EINVAL;
    }
    if (!c.controls) {
        return EFAULT;
    }
    return 0;
}

int ControlSet::getExt(v4l2_ext_controls& c) const {
    if (int error = checkList(c, true)) {
        c.error_idx = c.count;
        return error;
    }
    for (std::uint32_t i = 0; i < c.count; ++i) {
        const ControlConfig* info = find(c.controls[i].id);
        int error = 0;
        if (!info || (isClass(c.which) && V4L2_CTRL_ID2WHICH(info->id) != c.which)) {
            error = EINVAL;
        } else {
            error = readable(*info);
        }
        if (error) {
            c.error_idx = i;
            return error;
        }
    }
    for (std::uint32_t i = 0; i < c.count; ++i) {
        const ControlConfig* info = find(c.controls[i].id);
        c.controls[i].value =
            c.which == V4L2_CTRL_WHICH_DEF_VAL ? info->defaultValue : values_[indexOf(*info)];
    }
    return 0;
}

int ControlSet::setExt(v4l2_ext_controls& c, bool apply, const Report& report) {
    if (int error = checkList(c, false)) {
        c.error_idx = c.count;
        return error;
    }
    // Checked in order against the state the earlier controls of the list leave, so that
    // "automatic off, then a temperature" in one call works as it does on a camera.
    std::vector<std::int32_t> values = values_;
    std::vector<std::int32_t> set(c.count);
    for (std::uint32_t i = 0; i < c.count; ++i) {
        const ControlConfig* info = find(c.controls[i].id);
        std::int32_t value = c.controls[i].value;
        int error = EINVAL;
        if (info && !(isClass(c.which) && V4L2_CTRL_ID2WHICH(info->id) != c.which)) {
            error = validate(*info, value, values);
        }
        if (error) {
            // The kernel points at the control only when nothing could have been written.
            c.error_idx = apply ? c.count : i;
            if (apply && report) {
                report(c.controls[i].id, c.controls[i].value, error);
            }
            return error;
        }
        values[indexOf(*info)] = value;
        set[i] = value;
    }
    for (std::uint32_t i = 0; i < c.count; ++i) {
        c.controls[i].value = set[i];
    }
    if (apply) {
        values_ = std::move(values);
        for (std::uint32_t i = 0; i < c.count; ++i) {
            if (report) {
                report(c.controls[i].id, set[i], 0);
            }
        }
    }
    return 0;
}

} // namespace fakecam
