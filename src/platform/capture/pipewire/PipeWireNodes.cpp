#include "platform/capture/pipewire/PipeWireNodes.h"

#include "platform/capture/CommonModes.h"
#include "platform/gst/GstHandles.h"

#include <gst/video/video.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cmath>

namespace platform::pipewire {

namespace {

std::string text(const GstStructure* s, const char* field) {
    const char* value = s ? gst_structure_get_string(s, field) : nullptr;
    return value ? value : "";
}

// The whole numbers a field of caps holds: one, a list, or a range given by its ends.
struct IntValues {
    std::vector<int> values;
    bool range = false;
};

IntValues intValues(const GValue* value) {
    IntValues out;
    if (!value)
        return out;
    if (G_VALUE_HOLDS_INT(value)) {
        out.values.push_back(g_value_get_int(value));
    } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
        out.values = {gst_value_get_int_range_min(value), gst_value_get_int_range_max(value)};
        out.range = true;
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const GValue* item = gst_value_list_get_value(value, i);
            if (G_VALUE_HOLDS_INT(item))
                out.values.push_back(g_value_get_int(item));
        }
    }
    return out;
}

FrameRate rateOf(const GValue* v) {
    return FrameRate::of(gst_value_get_fraction_numerator(v),
                         gst_value_get_fraction_denominator(v));
}

std::vector<FrameRate> ratesOf(const GValue* value) {
    std::vector<FrameRate> rates;
    const auto add = [&](const GValue* v) {
        if (GST_VALUE_HOLDS_FRACTION(v))
            if (const FrameRate rate = rateOf(v); rate.isSet())
                rates.push_back(rate);
    };
    if (!value)
        return rates;
    if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        FrameRate lowest = rateOf(gst_value_get_fraction_range_min(value));
        const FrameRate highest = rateOf(gst_value_get_fraction_range_max(value));
        // A range from 0/1 offers anything down to a standstill: one a second is slow enough.
        if (!lowest.isSet())
            lowest = FrameRate::whole(1);
        if (highest.isSet() && !(highest < lowest))
            rates = rangeRates(lowest, highest);
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            add(gst_value_list_get_value(value, i));
    } else {
        add(value);
    }
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

// The sizes of one structure: every pairing of its widths and heights, or, where either is a
// range, the ends of the ranges and the common sizes within them.
std::vector<PictureSize> sizesOf(const GstStructure* s) {
    const IntValues widths = intValues(gst_structure_get_value(s, "width"));
    const IntValues heights = intValues(gst_structure_get_value(s, "height"));
    std::vector<PictureSize> sizes;
    if (widths.values.empty() || heights.values.empty())
        return sizes;
    if (widths.range || heights.range) {
        const auto [wLow, wHigh] = std::minmax_element(widths.values.begin(), widths.values.end());
        const auto [hLow, hHigh] =
            std::minmax_element(heights.values.begin(), heights.values.end());
        sizes = {{*wLow, *hLow}, {*wHigh, *hHigh}};
        for (const PictureSize& common : kCommonSizes)
            if (common.width > *wLow && common.width < *wHigh && common.height > *hLow &&
                common.height < *hHigh)
                sizes.push_back(common);
    } else {
        for (const int w : widths.values)
            for (const int h : heights.values)
                sizes.push_back({w, h});
    }
    std::erase_if(sizes, [](const PictureSize& size) {
        return size.width <= 0 || size.height <= 0 || size.width > 16384 || size.height > 16384;
    });
    return sizes;
}

std::uint32_t fourccOf(const std::string& rawFormat) {
    if (const std::uint32_t fourcc =
            gst_video_format_to_fourcc(gst_video_format_from_string(rawFormat.c_str()))) {
        return fourcc;
    }
    // A format without a fourcc of its own (BGRx, say) is told apart by its name.
    char name[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < rawFormat.size(); ++i)
        name[i] = rawFormat[i];
    return GST_MAKE_FOURCC(name[0], name[1], name[2], name[3]);
}

NodeFormat& formatEntry(std::vector<NodeFormat>& formats, const std::string& rawFormat) {
    const bool jpeg = rawFormat.empty();
    for (NodeFormat& format : formats)
        if (format.rawFormat == rawFormat)
            return format;
    NodeFormat format;
    format.rawFormat = rawFormat;
    format.compressed = jpeg;
    format.fourcc = jpeg ? V4L2_PIX_FMT_MJPEG : fourccOf(rawFormat);
    formats.push_back(std::move(format));
    return formats.back();
}

void addModes(NodeFormat& format, const std::vector<PictureSize>& sizes,
              const std::vector<FrameRate>& rates) {
    for (const PictureSize& size : sizes) {
        auto mode = std::find_if(format.modes.begin(), format.modes.end(),
                                 [&](const NodeMode& m) { return m.size == size; });
        if (mode == format.modes.end()) {
            format.modes.push_back({size, {}});
            mode = format.modes.end() - 1;
        }
        mode->rates.insert(mode->rates.end(), rates.begin(), rates.end());
        std::sort(mode->rates.begin(), mode->rates.end());
        mode->rates.erase(std::unique(mode->rates.begin(), mode->rates.end()), mode->rates.end());
    }
}

} // namespace

std::vector<NodeFormat> formatsOf(const GstCaps* caps) {
    std::vector<NodeFormat> formats;
    if (!caps || gst_caps_is_any(caps))
        return formats;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const std::string media = gst_structure_get_name(s);
        std::vector<std::string> names;
        if (media == "image/jpeg") {
            names.push_back("");
        } else if (media == "video/x-raw") {
            const GValue* format = gst_structure_get_value(s, "format");
            if (format && G_VALUE_HOLDS_STRING(format)) {
                names.push_back(g_value_get_string(format));
            } else if (format && GST_VALUE_HOLDS_LIST(format)) {
                for (guint k = 0; k < gst_value_list_get_size(format); ++k)
                    if (const GValue* item = gst_value_list_get_value(format, k);
                        G_VALUE_HOLDS_STRING(item))
                        names.push_back(g_value_get_string(item));
            }
            // Formats GStreamer cannot convert are of no use to a preview.
            std::erase_if(names, [](const std::string& name) {
                return gst_video_format_from_string(name.c_str()) == GST_VIDEO_FORMAT_UNKNOWN ||
                       name == "ENCODED";
            });
        }
        const std::vector<PictureSize> sizes = sizesOf(s);
        if (sizes.empty())
            continue;
        const std::vector<FrameRate> rates = ratesOf(gst_structure_get_value(s, "framerate"));
        for (const std::string& name : names)
            addModes(formatEntry(formats, name), sizes, rates);
    }
    for (NodeFormat& format : formats)
        std::sort(format.modes.begin(), format.modes.end(),
                  [](const NodeMode& a, const NodeMode& b) { return a.size < b.size; });
    return formats;
}

bool readCameraNode(GstDevice* device, CameraNode& node) {
    const gst::StructurePtr owned(gst_device_get_properties(device));
    const GstStructure* props = owned.get();
    const bool camera = props && text(props, "media.class") == "Video/Source" &&
                        text(props, "media.role") == "Camera" && !text(props, "node.name").empty();
    if (camera) {
        node.nodeName = text(props, "node.name");
        node.description = text(props, "node.description");
        if (node.description.empty())
            node.description = text(props, "node.nick");
        if (node.description.empty())
            node.description = node.nodeName;
        node.v4l2Path = text(props, "api.v4l2.path");
        node.busInfo = text(props, "api.v4l2.cap.bus_info");
        gst::CapsPtr caps(gst_device_get_caps(device));
        node.formats = formatsOf(caps.get());
        // The first format the node lists, at the first size it lists.
        for (guint i = 0; caps && i < gst_caps_get_size(caps.get()) && !node.preferred.fourcc;
             ++i) {
            const std::vector<NodeFormat> first =
                formatsOf(gst::CapsPtr(gst_caps_copy_nth(caps.get(), i)).get());
            const std::vector<PictureSize> sizes = sizesOf(gst_caps_get_structure(caps.get(), i));
            if (!first.empty() && !sizes.empty())
                node.preferred = {sizes.front(), first.front().fourcc, {}};
        }
    }
    return camera && !node.formats.empty();
}

} // namespace platform::pipewire
