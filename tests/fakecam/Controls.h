#pragma once
// The controls of a camera, as the kernel's control framework answers for a UVC camera:
// lookup and iteration, range checks, clamping and rounding to the step, and the
// dependency between automatic white balance and the white balance temperature.

#include "Config.h"

#include <cstdint>
#include <functional>
#include <linux/videodev2.h>
#include <vector>

namespace fakecam {

struct ControlInfo {
    std::uint32_t id;
    std::uint32_t type; // enum v4l2_ctrl_type
    const char* name;
    std::int32_t minimum, maximum, step, defaultValue;
    std::uint32_t flags;
    std::vector<const char*> menu; // by value; nullptr where the camera skips an item
};

class ControlSet {
public:
    explicit ControlSet(ControlsKind kind);

    // Every control back at its default, as a freshly plugged camera has them.
    void reset();

    int query(v4l2_queryctrl& q) const;
    int queryExt(v4l2_query_ext_ctrl& q) const;
    int queryMenu(v4l2_querymenu& q) const;
    int get(std::uint32_t id, std::int32_t& value) const;

    // Sets one control; value becomes what was set (clamped and rounded). Returns 0 or
    // the errno that refused it, leaving the control unchanged.
    int set(std::uint32_t id, std::int32_t& value);

    // Called once per control an S_EXT_CTRLS applied or refused: id, value, errno.
    using Report = std::function<void(std::uint32_t, std::int32_t, int)>;

    int getExt(v4l2_ext_controls& c) const;
    // TRY_EXT_CTRLS when apply is false. All or nothing: one refused control leaves every
    // control as it was.
    int setExt(v4l2_ext_controls& c, bool apply, const Report& report);

private:
    const ControlInfo* find(std::uint32_t id) const;
    // The next control after id in the order QUERYCTRL's NEXT_CTRL walks them.
    const ControlInfo* next(std::uint32_t id) const;
    std::uint32_t flagsOf(const ControlInfo& c, const std::vector<std::int32_t>& values) const;
    // Checks and adjusts value against the state in values; 0 or an errno.
    int validate(const ControlInfo& c, std::int32_t& value,
                 const std::vector<std::int32_t>& values) const;
    std::size_t indexOf(const ControlInfo& c) const { return &c - controls_.data(); }
    int checkList(const v4l2_ext_controls& c, bool forGet) const;

    std::vector<ControlInfo> controls_; // sorted by id
    std::vector<std::int32_t> values_;  // by index in controls_
};

} // namespace fakecam
