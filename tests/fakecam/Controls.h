#pragma once
// The controls of a camera, as the kernel's control framework answers for them: lookup and
// iteration in id order with the class controls, range checks, clamping and rounding to
// the step, and the controls that are inactive while another holds some value.

#include "Config.h"

#include <cstdint>
#include <functional>
#include <linux/videodev2.h>
#include <vector>

namespace fakecam {

class ControlSet {
public:
    // The camera's controls in any order; they are kept in id order, with the class
    // control of each class used.
    explicit ControlSet(const std::vector<ControlConfig>& controls);

    // Every control back at its default, as a freshly plugged camera has them.
    void reset();

    int query(v4l2_queryctrl& q) const;
    int queryExt(v4l2_query_ext_ctrl& q) const;
    int queryMenu(v4l2_querymenu& q) const;
    int get(std::uint32_t id, std::int32_t& value) const;
    // How far the brightness is from its default (0 without a brightness control): the
    // picture is that much brighter.
    std::int32_t brightnessOffset() const;

    // Sets one control; value becomes what was set (clamped and rounded). Returns 0 or
    // the errno that refused it, leaving the control unchanged.
    int set(std::uint32_t id, std::int32_t& value);

    // Called once per control an S_EXT_CTRLS applied or refused: id, value, errno.
    using Report = std::function<void(std::uint32_t, std::int32_t, int)>;

    int getExt(v4l2_ext_controls& c) const;
    // TRY_EXT_CTRLS when apply is false. All or nothing: one refused control leaves every
    // control as it was.
    int setExt(v4l2_ext_controls& c, bool apply, const Report& report);

    // The kernel's name of a control class ("User Controls"), or nullptr for an id whose
    // class it does not know.
    static const char* className(std::uint32_t id);

private:
    const ControlConfig* find(std::uint32_t id) const;
    // The next control after id in the order QUERYCTRL's NEXT_CTRL walks them.
    const ControlConfig* next(std::uint32_t id) const;
    std::uint32_t flagsOf(const ControlConfig& c, const std::vector<std::int32_t>& values) const;
    // Checks and adjusts value against the state in values; 0 or an errno.
    int validate(const ControlConfig& c, std::int32_t& value,
                 const std::vector<std::int32_t>& values) const;
    // Whether G_CTRL and G_EXT_CTRLS may read it: 0 or an errno.
    static int readable(const ControlConfig& c);
    std::size_t indexOf(const ControlConfig& c) const { return &c - controls_.data(); }
    int checkList(const v4l2_ext_controls& c, bool forGet) const;

    std::vector<ControlConfig> controls_; // sorted by id, class controls included
    std::vector<std::ptrdiff_t> masters_; // by index: the index inactiveWhen names, or -1
    std::vector<std::int32_t> values_;    // by index in controls_
};

} // namespace fakecam
