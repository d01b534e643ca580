#include "Config.h"

#include "Formats.h"

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
                                                "busy"};
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
    const std::string controls = stringOf(camera, "controls", "uvc", where);
    if (controls == "uvc") {
        c.controls = ControlsKind::Uvc;
    } else if (controls == "none") {
        c.controls = ControlsKind::None;
    } else {
        fail(where, "\"controls\" must be \"uvc\" or \"none\"");
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
    return config;
}

} // namespace fakecam
