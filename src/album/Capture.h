#pragma once

#include <QString>

#include <cstdint>

namespace platform {
class SoundService;
}
namespace ui {
class Messages;
}
namespace app {
class TMainForm;
struct MainState;
} // namespace app

namespace album {

class TAlbum;

struct CaptureContext {
    app::MainState& state;
    app::TMainForm& main;
    TAlbum& album;
    platform::SoundService& sound;
    ui::Messages& messages;
    // Where the shutter sound is found.
    QString systemDirectory;
};

// One capture: the live picture into the next numbered frame file, the shutter flash and
// sound, and the album brought up to date beside the main window.
void CaptureFrame(const CaptureContext& ctx);

// The album after frame k - 1 has been captured: the strip fills or advances, the
// selection is matched, highlighted and counted on the status line.
void ShowCapturedFrame(TAlbum& album, std::uint32_t k);

} // namespace album
