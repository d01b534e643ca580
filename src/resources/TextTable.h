#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

namespace resources {

// Identifiers of the interface texts.
enum TextId : std::uint16_t {
    kHintFormat = 101,
    kHintSource = 102,
    kHintSetting = 103,
    kHintAbout = 104,
    kHintExit = 105,
    kHintCapFrames = 107,
    kHintOpen = 109,
    kTextOk = 110,
    kTextSelectSource = 122,
    kTextSelectDriver = 123,
    kTextDriverSetting = 124,
    kTextPreviewRate = 125,
    kTextCancel = 127,
    kTextHigh = 128,
    kTextLow = 129,
    kTextNotice = 131,
    kTextSelectFrameFirst = 132,
    kTextCantConnect = 133,
    kTextFrames = 300,
};

// The usual buffer a text is read into; the frame-count suffix has smaller ones.
inline constexpr std::size_t kTextBuffer = 60;
inline constexpr std::size_t kAlbumFramesBuffer = 20;
inline constexpr std::size_t kCaptureFramesBuffer = 30;

// The text with identifier `id` as it arrives in a buffer of `capacity` bytes (at most
// capacity - 1 characters). An identifier without a text gives the empty text.
std::string LoadText(std::uint16_t id, std::size_t capacity = kTextBuffer);

// The text for a control (a caption, a hint, a message), read into the usual buffer.
inline QString caption(std::uint16_t id) {
    return QString::fromStdString(LoadText(id));
}

} // namespace resources
