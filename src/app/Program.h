#pragma once

#include "app/MainState.h"
#include "app/Windows.h"
#include "ui/Hints.h"

#include <memory>

namespace platform {
class CaptureService;
class HelpService;
class Registry;
class SoundService;
} // namespace platform

namespace ui {
class FileDialogs;
class Messages;
class Modal;
} // namespace ui

namespace app {

// The services the program talks to; they outlive the program.
struct Services {
    const platform::CaptureService& capture;
    platform::HelpService& help;
    platform::SoundService& sound;
    ui::Messages& messages;
    ui::Modal& modal;
    ui::FileDialogs& fileDialogs;
    // The system directory, where the shutter sound is found.
    QString systemDirectory;
    // The machine registry, which keeps the driver's picture size across runs.
    platform::Registry& registry;
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
    ui::HintMachine& hints() { return hints_; }

    TMainForm& MainForm() { return *windows_.MainForm; }
    playback::TFAnimate& FAnimate() { return *windows_.FAnimate; }
    album::TAlbum& Album() { return *windows_.Album; }
    capture::TFConfig& FConfig() { return *windows_.FConfig; }
    album::TFrame& Frame() { return *windows_.Frame; }
    album::TFNotice& FNotice() { return *windows_.FNotice; }
    album::TFormatJpeg& FormatJpeg() { return *windows_.FormatJpeg; }

private:
    MainState state_;
    ui::HintMachine hints_;
    Windows windows_;
    std::unique_ptr<TMainForm> MainForm_;
    std::unique_ptr<playback::TFAnimate> FAnimate_;
    std::unique_ptr<album::TAlbum> Album_;
    std::unique_ptr<capture::TFConfig> FConfig_;
    std::unique_ptr<album::TFrame> Frame_;
    std::unique_ptr<album::TFNotice> FNotice_;
    std::unique_ptr<album::TFormatJpeg> FormatJpeg_;
};

} // namespace app
