#pragma once

#include "app/Hints.h"
#include "app/MainState.h"

#include <memory>

namespace platform {
class CaptureService;
class HelpService;
} // namespace platform
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

// The services the program talks to; they outlive the program.
struct Services {
    const platform::CaptureService& capture;
    platform::HelpService& help;
};

// One run of the program: its shared state and its seven windows, created in their fixed
// order (the main window first, whose creation sets everything up).
class Program {
  public:
    explicit Program(Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    MainState& state() { return state_; }
    HintMachine& hints() { return hints_; }

    TMainForm& MainForm() { return *MainForm_; }
    playback::TFAnimate& FAnimate() { return *FAnimate_; }
    album::TAlbum& Album() { return *Album_; }
    capture::TFConfig& FConfig() { return *FConfig_; }
    album::TFrame& Frame() { return *Frame_; }
    album::TFNotice& FNotice() { return *FNotice_; }
    album::TFormatJpeg& FormatJpeg() { return *FormatJpeg_; }

  private:
    MainState state_;
    HintMachine hints_;
    std::unique_ptr<TMainForm> MainForm_;
    std::unique_ptr<playback::TFAnimate> FAnimate_;
    std::unique_ptr<album::TAlbum> Album_;
    std::unique_ptr<capture::TFConfig> FConfig_;
    std::unique_ptr<album::TFrame> Frame_;
    std::unique_ptr<album::TFNotice> FNotice_;
    std::unique_ptr<album::TFormatJpeg> FormatJpeg_;
};

} // namespace app
