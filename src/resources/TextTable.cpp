#include "resources/TextTable.h"

#include "ui/FixedText.h"

#include <string_view>
#include <utility>

namespace resources {
namespace {

constexpr std::pair<std::uint16_t, std::string_view> kTexts[] = {
    {kHintFormat, "Video Format | Select Video Format"},
    {kHintSource, "Video Source | Video Source Setting"},
    {kHintSetting, "Select Source | Select Camera Source"},
    {kHintAbout, "Help | GUI Help"},
    {kHintExit, "Exit | Quit This Application"},
    {kHintCapFrames, "Capture Frame | Start Capture Frame"},
    {kHintOpen, "Open Image File | Open Image File"},
    {kTextOk, "OK"},
    {kTextSelectSource, "Select Source"},
    {kTextSelectDriver, "Select capture driver"},
    {kTextDriverSetting, "Driver setting"},
    {kTextPreviewRate, "Preview frame rate"},
    {kTextCancel, "Cancel"},
    {kTextHigh, "High"},
    {kTextLow, "Low"},
    {kTextNotice, "Notice"},
    {kTextSelectFrameFirst, "Please select one frame first."},
    {kTextCantConnect, "Can't connect Capture Device!"},
    {kTextFrames, " Frames"},
};

} // namespace

std::string LoadText(std::uint16_t id, std::size_t capacity) {
    for (const auto& [key, text] : kTexts)
        if (key == id)
            return ui::cutToBuffer(text, capacity);
    return {};
}

} // namespace resources
