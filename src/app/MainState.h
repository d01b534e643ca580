#pragma once

#include "platform/capture/CaptureWindow.h"

#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <string>

namespace app {

inline constexpr int kDriverEntries = 10;
inline constexpr int kFramePaths = 100;
// Buffers the driver descriptions are read into (each with its terminator).
inline constexpr std::size_t kDriverNameBuffer = 50;
inline constexpr std::size_t kDriverVersionBuffer = 20;

// The main window's shared state for the whole run, touched only by the interface thread.
struct MainState {
    // Tested for validity before every request (see capture/CapLink.h).
    QPointer<platform::CaptureWindow> CapWnd;
    int Connected = 0;
    int PreviewOn = 0;
    std::int8_t DriverIndex = 0;
    std::uint8_t DriverCount = 0;
    std::array<std::string, kDriverEntries> DriverName;
    std::array<std::string, kDriverEntries> DriverVersion;
    std::uint16_t PreviewFps = 0;
    std::array<QString, kFramePaths> FramePath;
    std::uint32_t FrameCount = 0;
    // Why frame i has no file of this run (its capture failed); empty for a captured frame.
    // A file of that name left from an earlier run is never shown as frame i.
    std::array<QString, kFramePaths> FrameFault;
    QString DriverKeyPath;
    // The last picture size read from the capture window; zero until the first read.
    platform::CaptureStatus CapStatus;
    // The open dialog's filter (1: the AVI path) and path as its events last recorded them.
    int OpenFilterIndex = 0;
    QString OpenDialogPath;
    // True until the playback window has been placed beside the main window.
    bool FirstAnimateShow = true;
};

} // namespace app
