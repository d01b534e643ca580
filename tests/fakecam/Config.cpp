#include "Config.h"

#include "Controls.h"
#include "Formats.h"
#include "Log.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <linux/videodev2.h>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

namespace fakecam {

namespace {

using nlohmann::json;

constexpr std::uint32_t kDefaultVersion = (6u << 16) | (1u << 8) | 76u;
constexpr std::uint32_t kMaxDimension = 8192;
constexpr std::uint64_t kMaxFps = 240;
constexpr std::uint64_t kMaxIntervalSeconds = 10;
constexpr std::uint64_t kMaxFirstFrameDelayMs = 60000;
constexpr std::uint64_t kMaxRateDivisor = 100;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw std::runtime_error(where + ": " + what);
}

std::uint32_t dimension(const json& value, const std::string& where) {
    if (!value.is_number_unsigned() || value.get<std::uint64_t>() == 0 ||
        value.get<std::uint64_t>() > kMaxDimension) {
        fail(where, "a size must be a whole number from 1 to " + std::to_string(kMaxDimension));
    }
    return value.get<std::uint32_t>();
}

// Whole numbers of a rate's text, without sign or spaces; false when it has anything else.
bool digitsOf(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= UINT32_MAX;
}

// A whole number N (the interval 1/N) or the interval itself as "n/d", kept as written.
Interval intervalOf(const json& value, const std::string& where) {
    Interval interval;
    if (value.is_number_unsigned() && value.get<std::uint64_t>() >= 1 &&
        value.get<std::uint64_t>() <= kMaxFps) {
        interval = {1, value.get<std::uint32_t>()};
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        const std::size_t slash = text.find('/');
        std::uint64_t n = 0, d = 0;
        if (slash == std::string::npos || !digitsOf(std::string_view(text).substr(0, slash), n) ||
            !digitsOf(std::string_view(text).substr(slash + 1), d) || n == 0 || d == 0) {
            fail(where,
                 "an interval must be \"n/d\" with whole n and d above 0, not \"" + text + "\"");
        }
        // The rate at most kMaxFps, the interval at most kMaxIntervalSeconds.
        if (d > n * kMaxFps || n > d * kMaxIntervalSeconds) {
            fail(where, "interval \"" + text + "\" is outside 1/" + std::to_string(kMaxFps) +
                            " .. " + std::to_string(kMaxIntervalSeconds) + "/1");
        }
        interval = {static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(d)};
    } else {
        fail(where, "a frame rate must be a whole number from 1 to " + std::to_string(kMaxFps) +
                        " or an interval \"n/d\"");
    }
    return interval;
}

Rates ratesOf(const json& value, const std::string& where) {
    Rates rates;
    if (value.is_array() && !value.empty()) {
        for (const json& rate : value) {
            rates.list.push_back(intervalOf(rate, where));
        }
        return rates;
    }
    if (!value.is_object()) {
        fail(where, "frame rates must be a non-empty list or a range {\"min\",\"max\",\"step\"}");
    }
    for (const auto& [key, item] : value.items()) {
        if (key != "min" && key != "max" && key != "step") {
            fail(where, "unknown field \"" + key + "\" in an interval range");
        }
    }
    if (!value.contains("min") || !value.contains("max")) {
        fail(where, "an interval range needs \"min\" and \"max\"");
    }
    IntervalRange range;
    range.min = intervalOf(value.at("min"), where);
    range.max = intervalOf(value.at("max"), where);
    if (shorter(range.max, range.min)) {
        fail(where, "an interval range's min (the shortest interval) is above its max");
    }
    if (value.contains("step")) {
        range.step = intervalOf(value.at("step"), where);
        if (!stepsFit(range)) {
            fail(where, "an interval range's steps need more than 32 bits to be written");
        }
    }
    rates.range = range;
    return rates;
}

const PixelFormat& fourccOf(const json& value, const std::string& where) {
    if (!value.is_string()) {
        fail(where, "\"fourcc\" must be a string");
    }
    const std::string text = value.get<std::string>();
    const PixelFormat* format = pixelFormatNamed(text);
    if (!format) {
        fail(where, "fourcc \"" + text + "\" is not one the emulator can draw (" +
                        pixelFormatNames() + ")");
    }
    return *format;
}

std::string stringOf(const json& camera, const char* key, const std::string& fallback,
                     const std::string& where) {
    if (!camera.contains(key) || camera.at(key).is_null()) {
        return fallback;
    }
    if (!camera.at(key).is_string()) {
        fail(where, std::string("\"") + key + "\" must be a string");
    }
    return camera.at(key).get<std::string>();
}

StepwiseSizes stepwiseOf(const json& value, const std::string& where) {
    for (const auto& [key, item] : value.items()) {
        if (key != "stepwise" && key != "fps") {
            fail(where, "unknown field \"" + key + "\" in stepwise sizes");
        }
    }
    const json& range = value.contains("stepwise") ? value.at("stepwise") : json();
    if (!range.is_array() || range.size() != 6) {
        fail(where, "\"stepwise\" must be [minW,minH,maxW,maxH,stepW,stepH]");
    }
    StepwiseSizes s;
    s.minWidth = dimension(range[0], where);
    s.minHeight = dimension(range[1], where);
    s.maxWidth = dimension(range[2], where);
    s.maxHeight = dimension(range[3], where);
    s.stepWidth = dimension(range[4], where);
    s.stepHeight = dimension(range[5], where);
    if (s.minWidth > s.maxWidth || s.minHeight > s.maxHeight) {
        fail(where, "stepwise minimum is above its maximum");
    }
    if (!value.contains("fps")) {
        fail(where, "stepwise sizes need \"fps\"");
    }
    s.rates = ratesOf(value.at("fps"), where);
    return s;
}

DiscreteSize discreteOf(const json& value, const std::string& where) {
    if (!value.is_array() || value.size() != 3) {
        fail(where, "a size must be [width,height,[fps,...]]");
    }
    return {dimension(value[0], where), dimension(value[1], where), ratesOf(value[2], where)};
}

FormatConfig formatOf(const json& value, const std::string& where) {
    if (!value.is_object()) {
        fail(where, "a format must be an object");
    }
    for (const auto& [key, item] : value.items()) {
        if (key != "fourcc" && key != "sizes" && key != "description") {
            fail(where, "unknown field \"" + key + "\" in a format");
        }
    }
    FormatConfig format;
    const PixelFormat& pixel = fourccOf(value.value("fourcc", json()), where);
    format.fourcc = pixel.fourcc;
    format.description = stringOf(value, "description", pixel.description, where);
    const json sizes = value.value("sizes", json());
    if (sizes.is_object()) {
        format.stepwise = stepwiseOf(sizes, where);
    } else if (sizes.is_array() && !sizes.empty()) {
        for (const json& size : sizes) {
            format.sizes.push_back(discreteOf(size, where));
        }
    } else {
        fail(where, "\"sizes\" must be a non-empty list or a stepwise object");
    }
    // Where two columns (or rows) share their chroma, a size must stay even at every size
    // offered.
    bool oddWidth = false;
    bool oddHeight = false;
    for (const DiscreteSize& size : format.sizes) {
        oddWidth = oddWidth || size.width % 2 != 0;
        oddHeight = oddHeight || size.height % 2 != 0;
    }
    if (format.stepwise) {
        const StepwiseSizes& s = *format.stepwise;
        oddWidth = oddWidth || s.minWidth % 2 != 0 || s.stepWidth % 2 != 0;
        oddHeight = oddHeight || s.minHeight % 2 != 0 || s.stepHeight % 2 != 0;
    }
    if (pixel.evenWidth && oddWidth) {
        fail(where, std::string(pixel.name) + " widths must be even");
    }
    if (pixel.evenHeight && oddHeight) {
        fail(where, std::string(pixel.name) + " heights must be even");
    }
    return format;
}

std::int32_t int32Of(const json& value, const char* what, const std::string& where) {
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= INT32_MAX) {
        return static_cast<std::int32_t>(value.get<std::uint64_t>());
    }
    if (value.is_number_integer() && !value.is_number_unsigned() &&
        value.get<std::int64_t>() >= INT32_MIN && value.get<std::int64_t>() <= INT32_MAX) {
        return static_cast<std::int32_t>(value.get<std::int64_t>());
    }
    fail(where, std::string("\"") + what + "\" must be a whole number of 32 bits (signed)");
}

std::uint32_t controlIdOf(const json& value, const std::string& where) {
    if (value.is_number_unsigned() && value.get<std::uint64_t>() <= UINT32_MAX) {
        return value.get<std::uint32_t>();
    }
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::uint32_t id = 0;
        bool hex = text.size() > 2 && text.size() <= 10 && text[0] == '0' &&
                   (text[1] == 'x' || text[1] == 'X');
        for (std::size_t i = 2; hex && i < text.size(); ++i) {
            const char c = text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            hex = digit >= 0;
            id = id * 16 + static_cast<std::uint32_t>(digit);
        }
        if (hex) {
            return id;
        }
    }
    fail(where, "a control id must be a number or a hex string such as \"0x00980900\"");
}

std::string controlIdText(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", id);
    return text;
}

constexpr std::pair<const char*, std::uint32_t> kControlTypes[] = {
    {"int", V4L2_CTRL_TYPE_INTEGER},
    {"bool", V4L2_CTRL_TYPE_BOOLEAN},
    {"menu", V4L2_CTRL_TYPE_MENU},
    {"button", V4L2_CTRL_TYPE_BUTTON},
};

constexpr std::pair<const char*, std::uint32_t> kControlFlags[] = {
    {"slider", V4L2_CTRL_FLAG_SLIDER},
    {"update", V4L2_CTRL_FLAG_UPDATE},
    {"read-only", V4L2_CTRL_FLAG_READ_ONLY},
    {"write-only", V4L2_CTRL_FLAG_WRITE_ONLY},
    {"volatile", V4L2_CTRL_FLAG_VOLATILE},
    {"inactive", V4L2_CTRL_FLAG_INACTIVE},
    {"execute-on-write", V4L2_CTRL_FLAG_EXECUTE_ON_WRITE},
    {"disabled", V4L2_CTRL_FLAG_DISABLED},
};

ControlConfig controlOf(const json& value, const std::string& camera) {
    if (!value.is_object()) {
        fail(camera, "a control must be an object");
    }
    static const std::set<std::string> known = {"id",   "name",    "type", "min",   "max",
                                                "step", "default", "menu", "flags", "inactiveWhen"};
    ControlConfig c;
    if (!value.contains("id")) {
        fail(camera, "a control needs an \"id\"");
    }
    c.id = controlIdOf(value.at("id"), camera);
    const std::string where = camera + ": control " + controlIdText(c.id);
    for (const auto& [key, item] : value.items()) {
        if (!known.count(key)) {
            fail(where, "unknown field \"" + key + "\"");
        }
    }
    if (c.id & (V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND)) {
        fail(where, "an id has no NEXT_CTRL or NEXT_COMPOUND bits");
    }
    if (!ControlSet::className(c.id)) {
        fail(where, "its id is in no control class the kernel knows");
    }
    if (c.id == (V4L2_CTRL_ID2WHICH(c.id) | 1)) {
        fail(where, "a class control is listed by the emulator itself");
    }
    c.name = stringOf(value, "name", "", where);
    if (c.name.empty()) {
        fail(where, "a control needs a \"name\"");
    }
    const std::string type = stringOf(value, "type", "", where);
    const auto kind = std::find_if(std::begin(kControlTypes), std::end(kControlTypes),
                                   [&](const auto& t) { return type == t.first; });
    if (kind == std::end(kControlTypes)) {
        fail(where, "\"type\" must be \"int\", \"bool\", \"menu\" or \"button\"");
    }
    c.type = kind->second;
    auto number = [&](const char* key, std::optional<std::int32_t> fallback) {
        if (value.contains(key)) {
            return int32Of(value.at(key), key, where);
        }
        if (!fallback) {
            fail(where, std::string("a ") + type + " control needs \"" + key + "\"");
        }
        return *fallback;
    };
    if (c.type == V4L2_CTRL_TYPE_BUTTON) {
        for (const char* key : {"min", "max", "step", "default", "menu"}) {
            if (value.contains(key)) {
                fail(where, std::string("a button has no \"") + key + "\"");
            }
        }
    } else {
        const bool boolean = c.type == V4L2_CTRL_TYPE_BOOLEAN;
        c.minimum = number("min", boolean ? std::optional<std::int32_t>(0) : std::nullopt);
        c.maximum = number("max", boolean ? std::optional<std::int32_t>(1) : std::nullopt);
        c.step = number("step", 1);
        c.defaultValue = number("default", std::nullopt);
        if (c.minimum > c.maximum) {
            fail(where, "\"min\" is above \"max\"");
        }
        if (c.step < 1) {
            fail(where, "\"step\" must be 1 or more");
        }
        if (c.defaultValue < c.minimum || c.defaultValue > c.maximum) {
            fail(where, "\"default\" is outside min..max");
        }
        if (boolean && (c.minimum < 0 || c.maximum > 1 || c.step != 1)) {
            fail(where, "a bool is 0..1 with a step of 1");
        }
    }
    if (c.type == V4L2_CTRL_TYPE_MENU) {
        if (c.minimum < 0) {
            fail(where, "a menu's values start at 0 or above");
        }
        const json& menu = value.contains("menu") ? value.at("menu") : json();
        if (!menu.is_object() || menu.empty()) {
            fail(where, "a menu needs \"menu\", its items by value: {\"1\":\"Manual Mode\"}");
        }
        for (const auto& [key, item] : menu.items()) {
            std::uint64_t index = 0;
            if (!digitsOf(key, index) || index < static_cast<std::uint64_t>(c.minimum) ||
                index > static_cast<std::uint64_t>(c.maximum)) {
                fail(where, "menu item \"" + key + "\" is not a value in min..max");
            }
            if (!item.is_string() || item.get<std::string>().empty()) {
                fail(where, "menu item \"" + key + "\" must be a name");
            }
            c.menu[static_cast<std::int32_t>(index)] = item.get<std::string>();
        }
        if (!c.menu.count(c.defaultValue)) {
            fail(where, "\"default\" is not one of the menu's items");
        }
    } else if (value.contains("menu")) {
        fail(where, "only a menu has \"menu\"");
    }
    if (value.contains("flags")) {
        const json& flags = value.at("flags");
        if (!flags.is_array()) {
            fail(where, "\"flags\" must be a list");
        }
        for (const json& flag : flags) {
            const auto named =
                std::find_if(std::begin(kControlFlags), std::end(kControlFlags),
                             [&](const auto& f) { return flag.is_string() && flag == f.first; });
            if (named == std::end(kControlFlags)) {
                fail(where, "a flag is one of slider, update, read-only, write-only, volatile, "
                            "inactive, execute-on-write, disabled");
            }
            c.flags |= named->second;
        }
    }
    if (value.contains("inactiveWhen")) {
        const json& when = value.at("inactiveWhen");
        if (!when.is_object() || !when.contains("id") || !when.contains("values") ||
            when.size() != 2 || !when.at("values").is_array() || when.at("values").empty()) {
            fail(where, "\"inactiveWhen\" must be {\"id\":...,\"values\":[...]}");
        }
        ControlDependency dependency;
        dependency.id = controlIdOf(when.at("id"), where);
        for (const json& v : when.at("values")) {
            dependency.values.push_back(int32Of(v, "values", where));
        }
        c.inactiveWhen = dependency;
    }
    return c;
}

const FormatConfig* formatNamed(const CameraConfig& c, const json& name, const std::string& where) {
    const PixelFormat& pixel = fourccOf(name, where);
    for (const FormatConfig& f : c.formats) {
        if (f.fourcc == pixel.fourcc) {
            return &f;
        }
    }
    fail(where, std::string(pixel.name) + " is not a format of the camera");
}

// The format another program left set: one the camera offers, at one of its sizes and
// intervals.
CurrentFormat currentOf(const json& value, const CameraConfig& c, const std::string& camera) {
    const std::string where = camera + ": \"current\"";
    if (!value.is_object() || !value.contains("fourcc") || !value.contains("width") ||
        !value.contains("height")) {
        fail(where, "must be {\"fourcc\",\"width\",\"height\"} and may have \"interval\"");
    }
    for (const auto& [key, item] : value.items()) {
        if (key != "fourcc" && key != "width" && key != "height" && key != "interval") {
            fail(where, "unknown field \"" + key + "\"");
        }
    }
    CurrentFormat current;
    const FormatConfig& format = *formatNamed(c, value.at("fourcc"), where);
    current.fourcc = format.fourcc;
    current.width = dimension(value.at("width"), where);
    current.height = dimension(value.at("height"), where);
    const Rates* rates = ratesAt(format, current.width, current.height);
    const std::string name = fourccText(format.fourcc);
    if (!rates) {
        fail(where, sizeText(current.width, current.height) + " is not a size of " + name);
    }
    if (value.contains("interval")) {
        const Interval asked = intervalOf(value.at("interval"), where);
        if (!offers(*rates, asked)) {
            fail(where, intervalText(asked.numerator, asked.denominator) +
                            " is not an interval of " + name + " " +
                            sizeText(current.width, current.height));
        }
        // As the camera lists it: "2/60" is its 1/30.
        current.interval = rates->range ? asked : nearestInterval(*rates, asked);
    }
    return current;
}

std::map<std::uint32_t, std::uint32_t> answersOf(const json& value, const CameraConfig& c,
                                                 const std::string& camera) {
    const std::string where = camera + ": \"answers\"";
    if (!value.is_object()) {
        fail(where, "must be {\"asked fourcc\":\"answered fourcc\"}");
    }
    std::map<std::uint32_t, std::uint32_t> answers;
    for (const auto& [key, item] : value.items()) {
        if (key.size() != 4) {
            fail(where, "\"" + key + "\" is not a fourcc");
        }
        const std::uint32_t asked = v4l2_fourcc(key[0], key[1], key[2], key[3]);
        answers[asked] = formatNamed(c, item, where)->fourcc;
    }
    return answers;
}

std::vector<ControlConfig> controlsOf(const json& camera, const std::string& where) {
    static const json preset = "uvc";
    const json& value = camera.contains("controls") && !camera.at("controls").is_null()
                            ? camera.at("controls")
                            : preset;
    if (value == "uvc") {
        return uvcControlPreset();
    }
    if (value == "none") {
        return {};
    }
    if (!value.is_array()) {
        fail(where, "\"controls\" must be \"uvc\", \"none\" or a list of controls");
    }
    std::vector<ControlConfig> controls;
    std::set<std::uint32_t> ids;
    for (const json& control : value) {
        controls.push_back(controlOf(control, where));
        if (!ids.insert(controls.back().id).second) {
            fail(where, "control " + controlIdText(controls.back().id) + " is listed twice");
        }
    }
    for (const ControlConfig& c : controls) {
        if (c.inactiveWhen && (!ids.count(c.inactiveWhen->id) || c.inactiveWhen->id == c.id)) {
            fail(where + ": control " + controlIdText(c.id),
                 "\"inactiveWhen\" names no other control of the camera");
        }
    }
    return controls;
}

bool boolOf(const json& camera, const char* key, const std::string& where) {
    if (!camera.contains(key) || camera.at(key).is_null()) {
        return false;
    }
    if (!camera.at(key).is_boolean()) {
        fail(where, std::string("\"") + key + "\" must be true or false");
    }
    return camera.at(key).get<bool>();
}

void checkNodeName(const std::string& name, const std::string& where) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        fail(where, "a node must be a plain file name such as \"video0\"");
    }
}

CameraConfig cameraOf(const json& camera, std::size_t index) {
    std::string where = "camera " + std::to_string(index);
    if (!camera.is_object()) {
        fail(where, "a camera must be an object");
    }
    static const std::set<std::string> known = {"node",
                                                "metaNode",
                                                "m2m",
                                                "card",
                                                "bus",
                                                "driver",
                                                "version",
                                                "formats",
                                                "controls",
                                                "inputs",
                                                "unplugAfterFrames",
                                                "unplugFile",
                                                "busy",
                                                "current",
                                                "answers",
                                                "openError",
                                                "firstFrameDelayMs",
                                                "rateDivisor"};
    for (const auto& [key, item] : camera.items()) {
        if (!known.count(key)) {
            fail(where, "unknown field \"" + key + "\"");
        }
    }
    CameraConfig c;
    c.node = stringOf(camera, "node", "", where);
    checkNodeName(c.node, where);
    where = "camera " + c.node;
    c.metaNode = stringOf(camera, "metaNode", "", where);
    if (!c.metaNode.empty()) {
        checkNodeName(c.metaNode, where);
    }
    c.m2m = boolOf(camera, "m2m", where);
    c.card = stringOf(camera, "card", "USB Camera", where);
    c.bus = stringOf(camera, "bus", "usb-0000:00:14.0-" + std::to_string(index + 1), where);
    c.driver = stringOf(camera, "driver", "uvcvideo", where);
    c.version = kDefaultVersion;
    if (camera.contains("version")) {
        const json& v = camera.at("version");
        if (v.is_number_unsigned()) {
            c.version = v.get<std::uint32_t>();
        } else if (v.is_string()) {
            c.version = parseVersion(v.get<std::string>());
        } else {
            fail(where, "\"version\" must be \"major.minor.patch\" or a number");
        }
    }
    if (camera.contains("formats")) {
        const json& formats = camera.at("formats");
        if (!formats.is_array()) {
            fail(where, "\"formats\" must be a list");
        }
        for (const json& format : formats) {
            c.formats.push_back(formatOf(format, where));
        }
    }
    if (c.formats.empty() && !c.m2m) {
        fail(where, "a capture camera needs at least one format");
    }
    c.controls = controlsOf(camera, where);
    if (camera.contains("current") && !camera.at("current").is_null()) {
        c.current = currentOf(camera.at("current"), c, where);
    }
    if (camera.contains("answers") && !camera.at("answers").is_null()) {
        c.answers = answersOf(camera.at("answers"), c, where);
    }
    const std::string openError = stringOf(camera, "openError", "", where);
    const std::pair<const char*, int> errors[] = {
        {"EACCES", EACCES}, {"EPERM", EPERM}, {"EBUSY", EBUSY}, {"ENODEV", ENODEV}};
    for (const auto& [name, error] : errors) {
        c.openError = openError == name ? error : c.openError;
    }
    auto whole = [&](const char* key, std::uint64_t lowest, std::uint64_t highest,
                     std::uint32_t fallback) {
        if (!camera.contains(key) || camera.at(key).is_null()) {
            return fallback;
        }
        const json& value = camera.at(key);
        if (!value.is_number_unsigned() || value.get<std::uint64_t>() < lowest ||
            value.get<std::uint64_t>() > highest) {
            fail(where, std::string("\"") + key + "\" must be a whole number from " +
                            std::to_string(lowest) + " to " + std::to_string(highest));
        }
        return value.get<std::uint32_t>();
    };
    c.firstFrameDelayMs = whole("firstFrameDelayMs", 0, kMaxFirstFrameDelayMs, 0);
    c.rateDivisor = whole("rateDivisor", 1, kMaxRateDivisor, 1);
    if (!openError.empty() && c.openError == 0) {
        fail(where, "\"openError\" must be \"EACCES\", \"EPERM\", \"EBUSY\" or \"ENODEV\"");
    }
    if (camera.contains("inputs") && !camera.at("inputs").is_null()) {
        const json& inputs = camera.at("inputs");
        if (!inputs.is_array() || inputs.empty()) {
            fail(where, "\"inputs\" must be a non-empty list of names");
        }
        for (const json& input : inputs) {
            if (!input.is_string()) {
                fail(where, "an input name must be a string");
            }
            c.inputs.push_back(input.get<std::string>());
        }
    } else {
        c.inputs = {"Camera 1"};
    }
    if (camera.contains("unplugAfterFrames") && !camera.at("unplugAfterFrames").is_null()) {
        const json& frames = camera.at("unplugAfterFrames");
        if (!frames.is_number_unsigned()) {
            fail(where, "\"unplugAfterFrames\" must be a whole number or null");
        }
        c.unplugAfterFrames = frames.get<std::uint64_t>();
    }
    c.unplugFile = stringOf(camera, "unplugFile", "", where);
    const json busy = camera.value("busy", json());
    if (busy.is_null() || busy == false) {
        c.busy = Busy::No;
    } else if (busy == true || busy == "streamon") {
        c.busy = Busy::AtStreamOn;
    } else if (busy == "format") {
        c.busy = Busy::AtFormat;
    } else {
        fail(where, "\"busy\" must be false, true, \"streamon\" or \"format\"");
    }
    return c;
}

} // namespace

std::uint32_t parseVersion(std::string_view text) {
    std::uint32_t parts[3] = {0, 0, 0};
    std::size_t part = 0;
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9' && parts[part] < 100000) {
            parts[part] = parts[part] * 10 + static_cast<std::uint32_t>(c - '0');
            digits = true;
        } else if (c == '.' && digits && part < 2) {
            ++part;
            digits = false;
        } else {
            throw std::runtime_error("version \"" + std::string(text) + "\" is not a.b.c");
        }
    }
    if (!digits || parts[1] > 255 || parts[2] > 255) {
        throw std::runtime_error("version \"" + std::string(text) + "\" is not a.b.c");
    }
    return (parts[0] << 16) | (parts[1] << 8) | parts[2];
}

Config parseConfig(std::string_view text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& e) {
        throw std::runtime_error(std::string("not JSON: ") + e.what());
    }
    if (!document.is_object() || !document.contains("cameras") ||
        !document.at("cameras").is_array()) {
        throw std::runtime_error("the file must be {\"cameras\":[...]}");
    }
    Config config;
    std::set<std::string> nodes;
    for (std::size_t i = 0; i < document.at("cameras").size(); ++i) {
        CameraConfig camera = cameraOf(document.at("cameras")[i], i);
        for (const std::string& node : {camera.node, camera.metaNode}) {
            if (!node.empty() && !nodes.insert(node).second) {
                fail("camera " + camera.node, "node \"" + node + "\" is used twice");
            }
        }
        config.cameras.push_back(std::move(camera));
    }
    // Entries that share a bus are nodes of one device (a laptop's colour and infrared
    // nodes, or a webcam's second node for H.264): its capabilities cover all of them.
    std::map<std::string, std::uint32_t> devices;
    for (const CameraConfig& c : config.cameras) {
        const std::uint32_t common = V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
        std::uint32_t caps = c.m2m ? V4L2_CAP_VIDEO_M2M | common : V4L2_CAP_VIDEO_CAPTURE | common;
        if (!c.m2m && !c.metaNode.empty()) {
            caps |= V4L2_CAP_META_CAPTURE;
        }
        devices[c.bus] |= caps | V4L2_CAP_DEVICE_CAPS;
    }
    for (CameraConfig& c : config.cameras) {
        c.deviceCapabilities = devices[c.bus];
    }
    return config;
}

} // namespace fakecam
