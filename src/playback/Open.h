#pragma once

#include "ui/FileDialogs.h"

#include <QString>

namespace app {
struct MainState;
class TMainForm;
} // namespace app
namespace album {
class TFrame;
}

namespace playback {

class TFAnimate;

// The open dialog as the main window keeps it between uses: the last confirmed filter and
// file are where the next opening starts.
struct OpenDialogSetup {
    QString Filter = QStringLiteral("Video for Windows (AVI file)|*.avi|BMP (DIB) file|*.bmp");
    int FilterIndex = 2;
    QString FileName;
};

// The filter index that takes a chosen file down the AVI path; every other takes it down
// the BMP path.
inline constexpr int kAviFilter = 1;

struct OpenContext {
    app::MainState& state;
    app::TMainForm& main;
    TFAnimate& animate;
    album::TFrame& frame;
    ui::FileDialogs& fileDialogs;
    OpenDialogSetup& dialog;
};

// The open button: the dialog, then the AVI file into the playback window or the BMP file
// into the frame viewer, by the filter the dialog's events recorded, never by extension.
void OpenMedia(const OpenContext& ctx);

// The dialog's events: each records the dialog's filter and path.
void OpenDialogShow(app::MainState& state, const ui::OpenDialogState& dialog);
void OpenDialogSelectionChange(app::MainState& state, const ui::OpenDialogState& dialog);

// The two paths after the dialog; each raises the toolkit error when the file cannot be
// played or shown.
void OpenAvi(const OpenContext& ctx, const QString& path);
void OpenBmp(const OpenContext& ctx, const QString& path);

} // namespace playback
