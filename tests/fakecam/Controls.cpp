#include "Controls.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fakecam {

namespace {

constexpr std::uint32_t kClassFlags = V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
constexpr std::uint32_t kButtonFlags = V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_EXECUTE_ON_WRITE;

// What a common UVC webcam lists, with the kernel's names. Auto exposure offers only
// manual and aperture priority: QUERYMENU of items 0 and 2 fails, as on real cameras.
std::vector<ControlInfo> uvcControls() {
    return {
        {V4L2_CID_USER_CLASS,
         V4L2_CTRL_TYPE_CTRL_CLASS,
         "User Controls",
         0,
         0,
         0,
         0,
         kClassFlags,
         {}},
        {V4L2_CID_BRIGHTNESS,
         V4L2_CTRL_TYPE_INTEGER,
         "Brightness",
         -64,
         64,
         1,
         0,
         V4L2_CTRL_FLAG_SLIDER,
         {}},
        {V4L2_CID_CONTRAST,
         V4L2_CTRL_TYPE_INTEGER,
         "Contrast",
         0,
         95,
         1,
         32,
         V4L2_CTRL_FLAG_SLIDER,
         {}},
        {V4L2_CID_SATURATION,
         V4L2_CTRL_TYPE_INTEGER,
         "Saturation",
         0,
         100,
         5,
         55,
         V4L2_CTRL_FLAG_SLIDER,
         {}},
        {V4L2_CID_HUE,
         V4L2_CTRL_TYPE_INTEGER,
         "Hue",
         -2000,
         2000,
         100,
         0,
         V4L2_CTRL_FLAG_SLIDER,
         {}},
        {V4L2_CID_AUTO_WHITE_BALANCE,
         V4L2_CTRL_TYPE_BOOLEAN,
         "White Balance, Automatic",
         0,
         1,
         1,
         1,
         V4L2_CTRL_FLAG_UPDATE,
         {}},
        {V4L2_CID_DO_WHITE_BALANCE,
         V4L2_CTRL_TYPE_BUTTON,
         "Do White Balance",
         0,
         0,
         0,
         0,
         kButtonFlags,
         {}},
        {V4L2_CID_POWER_LINE_FREQUENCY,
         V4L2_CTRL_TYPE_MENU,
         "Power Line Frequency",
         0,
         2,
         1,
         1,
         0,
         {"Disabled", "50 Hz", "60 Hz"}},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE,
         V4L2_CTRL_TYPE_INTEGER,
         "White Balance Temperature",
         2800,
         6500,
         10,
         4600,
         V4L2_CTRL_FLAG_SLIDER,
         {}},
        {V4L2_CID_CAMERA_CLASS,
         V4L2_CTRL_TYPE_CTRL_CLASS,
         "Camera Controls",
         0,
         0,
         0,
         0,
         kClassFlags,
         {}},
        {V4L2_CID_EXPOSURE_AUTO,
         V4L2_CTRL_TYPE_MENU,
         "Auto Exposure",
         0,
         3,
         1,
         3,
         V4L2_CTRL_FLAG_UPDATE,
         {nullptr, "Manual Mode", nullptr, "Aperture Priority Mode"}},
        {V4L2_CID_PRIVACY,
         V4L2_CTRL_TYPE_BOOLEAN,
         "Privacy",
         0,
         1,
         1,
         0,
         V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_VOLATILE,
         {}},
    };
}

// The kernel's rounding: to the nearest step counted from the minimum, halves up, never
// past the maximum.
std::int32_t roundToRange(std::int64_t value, const ControlInfo& c) {
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

void copyName(char (&dst)[32], const char* name) {
    std::memset(dst, 0, sizeof dst);
    std::strncpy(dst, name, sizeof dst - 1);
}

} // namespace

ControlSet::ControlSet(ControlsKind kind) {
    if (kind == ControlsKind::Uvc) {
        controls_ = uvcControls();
    }
    reset();
}

void ControlSet::reset() {
    values_.clear();
    for (const ControlInfo& c : controls_) {
        values_.push_back(c.defaultValue);
    }
}

const ControlInfo* ControlSet::find(std::uint32_t id) const {
    for (const ControlInfo& c : controls_) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

const ControlInfo* ControlSet::next(std::uint32_t id) const {
    for (const ControlInfo& c : controls_) {
        if (c.id > id) {
            return &c;
        }
    }
    return nullptr;
}

std::uint32_t ControlSet::flagsOf(const ControlInfo& c,
                                  const std::vector<std::int32_t>& values) const {
    std::uint32_t flags = c.flags;
    if (c.id == V4L2_CID_WHITE_BALANCE_TEMPERATURE) {
        const ControlInfo* automatic = find(V4L2_CID_AUTO_WHITE_BALANCE);
        if (automatic && values[indexOf(*automatic)] != 0) {
            flags |= V4L2_CTRL_FLAG_INACTIVE;
        }
    }
    return flags;
}

int ControlSet::query(v4l2_queryctrl& q) const {
    const std::uint32_t id = q.id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    const ControlInfo* c =
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
    const ControlInfo* c =
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
    const ControlInfo* c = find(q.id);
    if (!c || c->type != V4L2_CTRL_TYPE_MENU) {
        return EINVAL;
    }
    if (q.index < static_cast<std::uint32_t>(c->minimum) ||
        q.index > static_cast<std::uint32_t>(c->maximum) || q.index >= c->menu.size() ||
        !c->menu[q.index]) {
        return EINVAL;
    }
    const std::uint32_t id = q.id;
    const std::uint32_t index = q.index;
    std::memset(&q, 0, sizeof q);
    q.id = id;
    q.index = index;
    copyName(reinterpret_cast<char(&)[32]>(q.name), c->menu[index]);
    return 0;
}

int ControlSet::get(std::uint32_t id, std::int32_t& value) const {
    const ControlInfo* c = find(id);
    if (!c) {
        return EINVAL;
    }
    if (c->flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
        return EACCES;
    }
    value = values_[indexOf(*c)];
    return 0;
}

int ControlSet::validate(const ControlInfo& c, std::int32_t& value,
                         const std::vector<std::int32_t>& values) const {
    if (c.flags & V4L2_CTRL_FLAG_READ_ONLY) {
        return EACCES;
    }
    // The camera itself refuses a manual temperature while it balances automatically.
    if (flagsOf(c, values) & V4L2_CTRL_FLAG_INACTIVE) {
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
        if (static_cast<std::size_t>(value) >= c.menu.size() || !c.menu[value]) {
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
    const ControlInfo* c = find(id);
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
        for (const ControlInfo& info : controls_) {
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
        const ControlInfo* info = find(c.controls[i].id);
        int error = 0;
        if (!info || (isClass(c.which) && V4L2_CTRL_ID2WHICH(info->id) != c.which)) {
            error = EINVAL;
        } else if (info->flags & V4L2_CTRL_FLAG_WRITE_ONLY) {
            error = EACCES;
        }
        if (error) {
            c.error_idx = i;
            return error;
        }
    }
    for (std::uint32_t i = 0; i < c.count; ++i) {
        const ControlInfo* info = find(c.controls[i].id);
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
        const ControlInfo* info = find(c.controls[i].id);
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
