#pragma once

namespace playback {
class TFAnimate;
}
namespace album {
class TAlbum;
class TFrame;
class TFNotice;
class TFormatJpeg;
} // namespace album
namespace capture {
class TFConfig;
}

namespace app {

class TMainForm;

// The program's seven windows, for the handlers of one window that work on another. Each
// entry is set as its window is created; all live until the program ends.
struct Windows {
    TMainForm* MainForm = nullptr;
    playback::TFAnimate* FAnimate = nullptr;
    album::TAlbum* Album = nullptr;
    capture::TFConfig* FConfig = nullptr;
    album::TFrame* Frame = nullptr;
    album::TFNotice* FNotice = nullptr;
    album::TFormatJpeg* FormatJpeg = nullptr;
};

} // namespace app
