// Controls of the emulated UVC camera: listing, ranges, rounding, refusals and the log.

#include "Harness.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

namespace fakecam::test {
namespace {

constexpr std::uint32_t kTemperature = V4L2_CID_WHITE_BALANCE_TEMPERATURE;
constexpr std::uint32_t kAutoWhite = V4L2_CID_AUTO_WHITE_BALANCE;

// A camera opened on video0, and its control requests.
class ControlRequests : public testing::Test {
protected:
    void openCamera(const std::string& camera) {
        clearLog();
        writeConfig(configOf({camera}));
        fd_ = openNode("video0");
        ASSERT_GE(fd_.get(), 0);
    }
    int set(std::uint32_t id, std::int32_t& value) {
        v4l2_control c{id, value};
        const int error = request(fd_.get(), VIDIOC_S_CTRL, &c);
        value = c.value;
        return error;
    }
    int get(std::uint32_t id, std::int32_t& value) {
        v4l2_control c{id, 0};
        const int error = request(fd_.get(), VIDIOC_G_CTRL, &c);
        value = c.value;
        return error;
    }
    std::uint32_t flags(std::uint32_t id) {
        v4l2_queryctrl q{};
        q.id = id;
        EXPECT_EQ(request(fd_.get(), VIDIOC_QUERYCTRL, &q), 0);
        return q.flags;
    }
    Fd fd_;
};

class Controls : public ControlRequests {
protected:
    void SetUp() override {
        std::filesystem::remove(paths().unplug);
        openCamera(standardCamera());
    }
};

TEST_F(Controls, ListedInIdOrderWithTheirRanges) {
    struct Expected {
        std::uint32_t id, type;
        const char* name;
        std::int32_t min, max, step, def;
        std::uint32_t flags;
    };
    const std::uint32_t cls = V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
    const std::uint32_t slider = V4L2_CTRL_FLAG_SLIDER;
    const Expected expected[] = {
        {V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0, cls},
        {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0, slider},
        {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 1, 32, slider},
        {V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 100, 5, 55, slider},
        {V4L2_CID_HUE, V4L2_CTRL_TYPE_INTEGER, "Hue", -2000, 2000, 100, 0, slider},
        {kAutoWhite, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1, 1,
         V4L2_CTRL_FLAG_UPDATE},
        {V4L2_CID_DO_WHITE_BALANCE, V4L2_CTRL_TYPE_BUTTON, "Do White Balance", 0, 0, 0, 0,
         V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_EXECUTE_ON_WRITE},
        {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 1, 0},
        {kTemperature, V4L2_CTRL_TYPE_INTEGER, "White Balance Temperature", 2800, 6500, 10, 4600,
         slider | V4L2_CTRL_FLAG_INACTIVE},
        {V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0, cls},
        {V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3,
         V4L2_CTRL_FLAG_UPDATE},
        {V4L2_CID_PRIVACY, V4L2_CTRL_TYPE_BOOLEAN, "Privacy", 0, 1, 1, 0,
         V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_VOLATILE},
    };
    std::size_t i = 0;
    v4l2_queryctrl q{};
    for (q.id = V4L2_CTRL_FLAG_NEXT_CTRL; request(fd_.get(), VIDIOC_QUERYCTRL, &q) == 0;
         q.id |= V4L2_CTRL_FLAG_NEXT_CTRL, ++i) {
        ASSERT_LT(i, std::size(expected));
        const Expected& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(q.id, e.id);
        EXPECT_EQ(q.type, e.type);
        EXPECT_STREQ(reinterpret_cast<char*>(q.name), e.name);
        EXPECT_EQ(q.minimum, e.min);
        EXPECT_EQ(q.maximum, e.max);
        EXPECT_EQ(q.step, e.step);
        EXPECT_EQ(q.default_value, e.def);
        EXPECT_EQ(q.flags, e.flags);
        v4l2_query_ext_ctrl x{};
        x.id = e.id;
        ASSERT_EQ(request(fd_.get(), VIDIOC_QUERY_EXT_CTRL, &x), 0);
        EXPECT_EQ(x.maximum, e.max);
        EXPECT_EQ(x.step, static_cast<std::uint64_t>(e.step));
        EXPECT_EQ(x.flags, e.flags);
    }
    EXPECT_EQ(i, std::size(expected));

    writeConfig(configOf({standardCamera(R"("controls":"none")")}));
    Fd bare = openNode("video0");
    q = {};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    EXPECT_EQ(request(bare.get(), VIDIOC_QUERYCTRL, &q), EINVAL);
}

TEST_F(Controls, ValuesAreClampedAndRoundedToTheStep) {
    struct Case {
        std::uint32_t id;
        std::int32_t asked, set;
    };
    const Case cases[] = {
        {V4L2_CID_BRIGHTNESS, 12, 12},
        {V4L2_CID_BRIGHTNESS, 100, 64},
        {V4L2_CID_BRIGHTNESS, -65, -64},
        {V4L2_CID_HUE, 149, 100},
        {V4L2_CID_HUE, 150, 200},
        {V4L2_CID_HUE, -2049, -2000},
        {V4L2_CID_HUE, 1999, 2000},
        {V4L2_CID_SATURATION, 57, 55},
        {V4L2_CID_SATURATION, 58, 60},
        {V4L2_CID_SATURATION, 99, 100},
        {kAutoWhite, 5, 1},
        {kAutoWhite, 0, 0},
        {kTemperature, 2805, 2810},
        {kTemperature, 9999, 6500},
        {V4L2_CID_EXPOSURE_AUTO, 1, 1},
        {V4L2_CID_DO_WHITE_BALANCE, 7, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hexId(c.id) + " " + std::to_string(c.asked));
        std::int32_t value = c.asked;
        ASSERT_EQ(set(c.id, value), 0);
        EXPECT_EQ(value, c.set);
        EXPECT_TRUE(logHas("video0 S_CTRL " + hexId(c.id) + " " + std::to_string(c.set)));
        if (c.id != V4L2_CID_DO_WHITE_BALANCE) {
            ASSERT_EQ(get(c.id, value), 0);
            EXPECT_EQ(value, c.set);
        }
    }
}

TEST_F(Controls, RefusedRequestsChangeNothing) {
    struct Case {
        unsigned long req;
        std::uint32_t id;
        std::int32_t value;
        int error;
    };
    const Case cases[] = {
        {VIDIOC_S_CTRL, kTemperature, 5000, EACCES}, // inactive while automatic
        {VIDIOC_S_CTRL, V4L2_CID_PRIVACY, 1, EACCES},
        {VIDIOC_S_CTRL, V4L2_CID_USER_CLASS, 1, EACCES},
        {VIDIOC_S_CTRL, 0x00981999, 1, EINVAL},
        {VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO, 2, EINVAL}, // an item the camera lacks
        {VIDIOC_S_CTRL, V4L2_CID_EXPOSURE_AUTO, 4, ERANGE},
        {VIDIOC_S_CTRL, V4L2_CID_POWER_LINE_FREQUENCY, -1, ERANGE},
        {VIDIOC_G_CTRL, V4L2_CID_DO_WHITE_BALANCE, 0, EACCES},
        {VIDIOC_G_CTRL, V4L2_CID_CAMERA_CLASS, 0, EACCES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hexId(c.id) + " " + std::to_string(c.value));
        v4l2_control control{c.id, c.value};
        EXPECT_EQ(request(fd_.get(), c.req, &control), c.error);
    }
    std::int32_t value = 0;
    ASSERT_EQ(get(kTemperature, value), 0);
    EXPECT_EQ(value, 4600);
    ASSERT_EQ(get(V4L2_CID_EXPOSURE_AUTO, value), 0);
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(logHas("video0 S_CTRL 0x0098091a 5000 refused EACCES"));
    EXPECT_TRUE(logHas("video0 S_CTRL 0x009a0901 4 refused ERANGE"));
}

TEST_F(Controls, TemperatureFollowsAutomaticWhiteBalance) {
    EXPECT_TRUE(flags(kTemperature) & V4L2_CTRL_FLAG_INACTIVE);
    std::int32_t value = 0;
    ASSERT_EQ(set(kAutoWhite, value), 0);
    EXPECT_FALSE(flags(kTemperature) & V4L2_CTRL_FLAG_INACTIVE);
    value = 3300;
    EXPECT_EQ(set(kTemperature, value), 0);
    value = 1;
    ASSERT_EQ(set(kAutoWhite, value), 0);
    EXPECT_TRUE(flags(kTemperature) & V4L2_CTRL_FLAG_INACTIVE);
    ASSERT_EQ(get(kTemperature, value), 0);
    EXPECT_EQ(value, 3300);
}

TEST_F(Controls, MenusSkipTheItemsTheCameraLacks) {
    struct Case {
        std::uint32_t id;
        std::vector<std::string> items; // "" where QUERYMENU fails
    };
    const Case cases[] = {
        {V4L2_CID_EXPOSURE_AUTO, {"", "Manual Mode", "", "Aperture Priority Mode", ""}},
        {V4L2_CID_POWER_LINE_FREQUENCY, {"Disabled", "50 Hz", "60 Hz", ""}},
        {V4L2_CID_BRIGHTNESS, {""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> items;
        for (std::uint32_t index = 0; index < c.items.size(); ++index) {
            v4l2_querymenu m{};
            m.id = c.id;
            m.index = index;
            const int error = request(fd_.get(), VIDIOC_QUERYMENU, &m);
            items.push_back(error ? "" : reinterpret_cast<char*>(m.name));
            EXPECT_EQ(error, items.back().empty() ? EINVAL : 0);
        }
        EXPECT_EQ(items, c.items) << hexId(c.id);
    }
}

TEST_F(Controls, ExtendedControlsApplyAllOrNothing) {
    auto ext = [&](unsigned long req, std::vector<v4l2_ext_control>& list,
                   std::uint32_t which = V4L2_CTRL_WHICH_CUR_VAL,
                   std::uint32_t* errorIdx = nullptr) {
        v4l2_ext_controls c{};
        c.which = which;
        c.count = static_cast<std::uint32_t>(list.size());
        c.controls = list.data();
        const int error = request(fd_.get(), req, &c);
        if (errorIdx) {
            *errorIdx = c.error_idx;
        }
        return error;
    };
    auto control = [](std::uint32_t id, std::int32_t value) {
        v4l2_ext_control c{};
        c.id = id;
        c.value = value;
        return c;
    };
    std::vector<v4l2_ext_control> refused = {control(V4L2_CID_BRIGHTNESS, 10),
                                             control(V4L2_CID_PRIVACY, 1)};
    std::uint32_t errorIdx = 0;
    EXPECT_EQ(ext(VIDIOC_TRY_EXT_CTRLS, refused, 0, &errorIdx), EACCES);
    EXPECT_EQ(errorIdx, 1u);
    EXPECT_EQ(ext(VIDIOC_S_EXT_CTRLS, refused, 0, &errorIdx), EACCES);
    EXPECT_EQ(errorIdx, 2u);
    std::int32_t value = -1;
    ASSERT_EQ(get(V4L2_CID_BRIGHTNESS, value), 0);
    EXPECT_EQ(value, 0);

    // Automatic off and a temperature in one call: checked in order, as the camera does.
    std::vector<v4l2_ext_control> manual = {control(kAutoWhite, 0), control(kTemperature, 3333)};
    EXPECT_EQ(ext(VIDIOC_TRY_EXT_CTRLS, manual), 0);
    EXPECT_EQ(manual[1].value, 3330);
    EXPECT_FALSE(logHas("video0 S_EXT_CTRLS 0x0098091a 3330"));
    EXPECT_EQ(ext(VIDIOC_S_EXT_CTRLS, manual), 0);
    EXPECT_TRUE(logHas("video0 S_EXT_CTRLS 0x0098090c 0"));
    EXPECT_TRUE(logHas("video0 S_EXT_CTRLS 0x0098091a 3330"));

    std::vector<v4l2_ext_control> read = {control(kTemperature, 0), control(kAutoWhite, 9)};
    EXPECT_EQ(ext(VIDIOC_G_EXT_CTRLS, read), 0);
    EXPECT_EQ(read[0].value, 3330);
    EXPECT_EQ(read[1].value, 0);
    EXPECT_EQ(ext(VIDIOC_G_EXT_CTRLS, read, V4L2_CTRL_WHICH_DEF_VAL), 0);
    EXPECT_EQ(read[0].value, 4600);
    EXPECT_EQ(read[1].value, 1);
    EXPECT_EQ(ext(VIDIOC_G_EXT_CTRLS, read, V4L2_CTRL_CLASS_CAMERA), EINVAL);
    std::vector<v4l2_ext_control> none;
    EXPECT_EQ(ext(VIDIOC_G_EXT_CTRLS, none, V4L2_CTRL_CLASS_USER), 0);
    EXPECT_EQ(ext(VIDIOC_G_EXT_CTRLS, none, V4L2_CTRL_CLASS_FLASH), EINVAL);
}

} // namespace
} // namespace fakecam::test

namespace fakecam::test {
namespace {

constexpr std::uint32_t kInteger32 = 0x00981902; // as the kernel's test driver has it
constexpr std::uint32_t kStepped32 = 0x00981903;
constexpr std::uint32_t kAutoExposure = V4L2_CID_EXPOSURE_AUTO;
constexpr std::uint32_t kExposure = V4L2_CID_EXPOSURE_ABSOLUTE;
constexpr std::uint32_t kFocus = V4L2_CID_FOCUS_ABSOLUTE;
constexpr std::uint32_t kAutoFocus = V4L2_CID_FOCUS_AUTO;

// A camera's own control set, listed out of order.
const char* const kOwnControls = R"([
  {"id":"0x009a0902","name":"Exposure Time, Absolute","type":"int","min":3,"max":2047,
   "step":1,"default":250,"inactiveWhen":{"id":"0x009a0901","values":[0,3]}},
  {"id":"0x009a0901","name":"Auto Exposure","type":"menu","min":0,"max":3,"default":3,
   "menu":{"1":"Manual Mode","3":"Aperture Priority Mode"},"flags":["update"]},
  {"id":10094860,"name":"Focus, Automatic Continuous","type":"bool","default":1},
  {"id":"0x009a090a","name":"Focus, Absolute","type":"int","min":0,"max":250,"step":5,
   "default":0,"inactiveWhen":{"id":"0x009a090c","values":[1]}},
  {"id":"0x00981902","name":"Integer 32 Bits","type":"int","min":-2147483648,
   "max":2147483647,"default":0},
  {"id":"0x00981903","name":"Integer 32 Bits, a Quarter Step","type":"int",
   "min":-2147483648,"max":2147483647,"step":1073741824,"default":0},
  {"id":"0x0098090d","name":"Do White Balance","type":"button",
   "flags":["write-only","execute-on-write"]},
  {"id":"0x00980900","name":"Brightness","type":"int","min":-64,"max":64,"step":1,
   "default":0,"flags":["slider"]},
  {"id":"0x00980901","name":"Contrast","type":"int","min":0,"max":10,"default":5,
   "flags":["disabled"]},
  {"id":"0x00980902","name":"Saturation","type":"int","min":0,"max":10,"default":5,
   "flags":["inactive","slider"]}
])";

class ConfiguredControls : public ControlRequests {
protected:
    void SetUp() override {
        openCamera(standardCamera(std::string(R"("controls":)") + kOwnControls));
    }
    bool inactive(std::uint32_t id) { return flags(id) & V4L2_CTRL_FLAG_INACTIVE; }
};

TEST_F(ConfiguredControls, ListedInIdOrderWithTheClassesTheyUse) {
    struct Expected {
        std::uint32_t id, type;
        const char* name;
        std::int64_t min, max, step, def;
        std::uint32_t flags;
    };
    const std::uint32_t cls = V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
    const Expected expected[] = {
        {V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0, cls},
        {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 0,
         V4L2_CTRL_FLAG_SLIDER},
        {V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 10, 1, 5,
         V4L2_CTRL_FLAG_DISABLED},
        {V4L2_CID_SATURATION, V4L2_CTRL_TYPE_INTEGER, "Saturation", 0, 10, 1, 5,
         V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_SLIDER},
        {V4L2_CID_DO_WHITE_BALANCE, V4L2_CTRL_TYPE_BUTTON, "Do White Balance", 0, 0, 0, 0,
         V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_EXECUTE_ON_WRITE},
        {kInteger32, V4L2_CTRL_TYPE_INTEGER, "Integer 32 Bits", INT32_MIN, INT32_MAX, 1, 0, 0},
        {kStepped32, V4L2_CTRL_TYPE_INTEGER, "Integer 32 Bits, a Quarter Step", INT32_MIN,
         INT32_MAX, 1 << 30, 0, 0},
        {V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0, cls},
        {kAutoExposure, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3, V4L2_CTRL_FLAG_UPDATE},
        {kExposure, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 3, 2047, 1, 250,
         V4L2_CTRL_FLAG_INACTIVE},
        {kFocus, V4L2_CTRL_TYPE_INTEGER, "Focus, Absolute", 0, 250, 5, 0, V4L2_CTRL_FLAG_INACTIVE},
        {kAutoFocus, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Automatic Continuous", 0, 1, 1, 1, 0},
    };
    std::size_t i = 0;
    v4l2_query_ext_ctrl q{};
    for (q.id = V4L2_CTRL_FLAG_NEXT_CTRL; request(fd_.get(), VIDIOC_QUERY_EXT_CTRL, &q) == 0;
         q.id |= V4L2_CTRL_FLAG_NEXT_CTRL, ++i) {
        ASSERT_LT(i, std::size(expected));
        const Expected& e = expected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(q.id, e.id);
        EXPECT_EQ(q.type, e.type);
        EXPECT_STREQ(q.name, e.name);
        EXPECT_EQ(q.minimum, e.min);
        EXPECT_EQ(q.maximum, e.max);
        EXPECT_EQ(q.step, static_cast<std::uint64_t>(e.step));
        EXPECT_EQ(q.default_value, e.def);
        EXPECT_EQ(q.flags, e.flags);
    }
    EXPECT_EQ(i, std::size(expected));
    v4l2_querymenu m{};
    m.id = kAutoExposure;
    m.index = 3;
    ASSERT_EQ(request(fd_.get(), VIDIOC_QUERYMENU, &m), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(m.name), "Aperture Priority Mode");
    m.index = 2;
    EXPECT_EQ(request(fd_.get(), VIDIOC_QUERYMENU, &m), EINVAL);
}

// Ranges that span all 32 bits: the clamping and rounding must not overflow.
TEST_F(ConfiguredControls, WholeRangesClampAndRoundWithoutOverflow) {
    struct Case {
        std::uint32_t id;
        std::int32_t asked, set;
    };
    const Case cases[] = {
        {kInteger32, INT32_MAX, INT32_MAX},
        {kInteger32, INT32_MIN, INT32_MIN},
        {kInteger32, -1, -1},
        {kStepped32, INT32_MAX, 1 << 30}, // the last step at or below the maximum
        {kStepped32, 0x70000000, 1 << 30},
        {kStepped32, 1 << 29, 1 << 30}, // halfway: halves up
        {kStepped32, -(1 << 29) - 1, -(1 << 30)},
        {kStepped32, INT32_MIN, INT32_MIN},
        {kStepped32, INT32_MIN + (1 << 29), -(1 << 30)},
        {V4L2_CID_BRIGHTNESS, INT32_MAX, 64},
        {V4L2_CID_BRIGHTNESS, INT32_MIN, -64},
        {kFocus, INT32_MAX, 0}, // inactive: refused, and the value stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hexId(c.id) + " " + std::to_string(c.asked));
        v4l2_ext_control control{};
        control.id = c.id;
        control.value = c.asked;
        v4l2_ext_controls list{};
        list.which = V4L2_CTRL_WHICH_CUR_VAL;
        list.count = 1;
        list.controls = &control;
        const int tried = request(fd_.get(), VIDIOC_TRY_EXT_CTRLS, &list);
        std::int32_t value = c.asked;
        const int error = set(c.id, value);
        EXPECT_EQ(tried, error);
        if (error == 0) {
            EXPECT_EQ(value, c.set);
            EXPECT_EQ(control.value, c.set);
        }
        ASSERT_EQ(get(c.id, value), 0);
        EXPECT_EQ(value, c.set);
    }
}

TEST_F(ConfiguredControls, InactiveWhileTheOtherControlHoldsAValue) {
    struct Step {
        std::uint32_t master;
        std::int32_t masterValue;
        std::uint32_t id;
        bool inactive;
    };
    const Step steps[] = {
        {kAutoExposure, 3, kExposure, true},  // aperture priority
        {kAutoExposure, 1, kExposure, false}, // manual
        {kAutoFocus, 1, kFocus, true},
        {kAutoFocus, 0, kFocus, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(hexId(s.master) + " " + std::to_string(s.masterValue));
        std::int32_t value = s.masterValue;
        ASSERT_EQ(set(s.master, value), 0);
        EXPECT_EQ(inactive(s.id), s.inactive);
        value = 100;
        EXPECT_EQ(set(s.id, value), s.inactive ? EACCES : 0);
    }
    EXPECT_TRUE(logHas("video0 S_CTRL 0x009a0902 100"));
    EXPECT_TRUE(logHas("video0 S_CTRL 0x009a090a 100 refused EACCES"));

    // Back to aperture priority, then manual and a time in one call, checked in order.
    std::int32_t value = 3;
    ASSERT_EQ(set(kAutoExposure, value), 0);
    std::vector<v4l2_ext_control> both(2);
    both[0].id = kAutoExposure;
    both[0].value = 1;
    both[1].id = kExposure;
    both[1].value = 5000;
    v4l2_ext_controls list{};
    list.which = V4L2_CTRL_CLASS_CAMERA;
    list.count = 2;
    list.controls = both.data();
    ASSERT_EQ(request(fd_.get(), VIDIOC_S_EXT_CTRLS, &list), 0);
    EXPECT_EQ(both[1].value, 2047);

    // A disabled control is refused everything; a control only flagged inactive is set.
    EXPECT_EQ(get(V4L2_CID_CONTRAST, value), EINVAL);
    value = 3;
    EXPECT_EQ(set(V4L2_CID_CONTRAST, value), EINVAL);
    value = 3;
    EXPECT_EQ(set(V4L2_CID_SATURATION, value), 0);
    EXPECT_TRUE(inactive(V4L2_CID_SATURATION));
}

TEST_F(ConfiguredControls, MalformedControlsAreConfigErrors) {
    struct Case {
        const char* control;
        const char* reason;
    };
    const Case cases[] = {
        {R"({"name":"Brightness","type":"int","min":0,"max":1,"default":0})",
         "a control needs an \"id\""},
        {R"({"id":"980900","name":"B","type":"int","min":0,"max":1,"default":0})",
         "a control id must be a number or a hex string such as \"0x00980900\""},
        {R"({"id":"0x00980900","type":"int","min":0,"max":1,"default":0})",
         "control 0x00980900: a control needs a \"name\""},
        {R"({"id":"0x00980900","name":"B","type":"integer","min":0,"max":1,"default":0})",
         "control 0x00980900: \"type\" must be \"int\", \"bool\", \"menu\" or \"button\""},
        {R"({"id":"0x00980900","name":"B","type":"int","min":2,"max":1,"default":2})",
         "control 0x00980900: \"min\" is above \"max\""},
        {R"({"id":"0x00980900","name":"B","type":"int","min":0,"max":1,"default":2})",
         "control 0x00980900: \"default\" is outside min..max"},
        {R"({"id":"0x00980900","name":"B","type":"int","min":0,"max":9,"step":0,"default":0})",
         "control 0x00980900: \"step\" must be 1 or more"},
        {R"({"id":"0x0098090d","name":"D","type":"button","min":0})",
         "control 0x0098090d: a button has no \"min\""},
        {R"({"id":"0x00980918","name":"P","type":"menu","min":0,"max":2,"default":1,)"
         R"("menu":{"1":"50 Hz","3":"60 Hz"}})",
         "control 0x00980918: menu item \"3\" is not a value in min..max"},
        {R"({"id":"0x00980918","name":"P","type":"menu","min":0,"max":2,"default":0,)"
         R"("menu":{"1":"50 Hz"}})",
         "control 0x00980918: \"default\" is not one of the menu's items"},
        {R"({"id":"0x00980900","name":"B","type":"int","min":0,"max":1,"default":0,)"
         R"("flags":["sliding"]})",
         "control 0x00980900: a flag is one of slider, update, read-only, write-only, "
         "volatile, inactive, execute-on-write, disabled"},
        {R"({"id":"0x00980900","name":"B","type":"int","min":0,"max":1,"default":0,)"
         R"("inactiveWhen":{"id":"0x0098090c","values":[1]}})",
         "control 0x00980900: \"inactiveWhen\" names no other control of the camera"},
        {R"({"id":"0x00980001","name":"User Controls","type":"int","min":0,"max":1,"default":0})",
         "control 0x00980001: a class control is listed by the emulator itself"},
        {R"({"id":"0x00f00900","name":"B","type":"int","min":0,"max":1,"default":0})",
         "control 0x00f00900: its id is in no control class the kernel knows"},
        {R"({"id":"0x00980900","name":"B","type":"int","min":0,"max":1,"default":0},)"
         R"({"id":9963776,"name":"B","type":"int","min":0,"max":1,"default":0})",
         "control 0x00980900 is listed twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        EXPECT_EQ(
            configError(configOf({std::string(R"({"node":"video0","controls":[)") + c.control +
                                  R"(],"formats":[{"fourcc":"YUYV","sizes":[[640,480,)"
                                  R"([30]]]}]})"})),
            std::string("camera video0: ") + c.reason);
    }
}

} // namespace
} // namespace fakecam::test
