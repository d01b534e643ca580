#pragma once

#include "app/MainState.h"
#include "playback/Open.h"

#include <QFrame>
#include <QStatusBar>
#include <QToolButton>
#include <QWidget>

namespace platform {
class CaptureService;
class HelpService;
class Registry;
class SoundService;
} // namespace platform

namespace ui {
class FileDialogs;
class HintMachine;
class Messages;
class Modal;
class Shape;
} // namespace ui

namespace app {

struct Windows;

// What the main window works with; all of it outlives the window.
struct MainContext {
    MainState& state;
    ui::HintMachine& hints;
    const Windows& windows;
    const platform::CaptureService& capture;
    platform::HelpService& help;
    platform::SoundService& sound;
    ui::Messages& messages;
    ui::FileDialogs& fileDialogs;
    // The system directory, where the shutter sound is found.
    QString systemDirectory;
    platform::Registry& registry;
    ui::Modal& modal;
};

// The main window: two button groups along the top, the video frame with the capture
// window over it, and the status line.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(MainContext context);
    ~TMainForm() override;

    static constexpr int kDesignClientWidth = 280;
    static constexpr int kDesignClientHeight = 276;
    static constexpr int kStatusBarHeight = 24;
    // The video frame's fill at rest; the shutter flashes it white.
    static constexpr QColor kFrameColour{0, 0, 128};

    QFrame* Panel2 = nullptr;
    QToolButton* B_About = nullptr;
    QToolButton* B_Format = nullptr;
    QToolButton* B_Source = nullptr;
    QToolButton* B_Setting = nullptr;
    QFrame* Panel3 = nullptr;
    QToolButton* B_CapFrames = nullptr;
    QToolButton* B_Open = nullptr;
    QToolButton* B_Exit = nullptr;
    ui::Shape* SFrame = nullptr;
    QStatusBar* StatusBar = nullptr;

    playback::OpenDialogSetup OpenDialog;

    // Sets the client area's size; the window keeps its screen position.
    void setClientSize(int width, int height);

    // A picture larger than the video frame overhangs it on every side; the buttons and
    // the status line stay above it, visible and within reach.
    void keepControlsAbove(const QWidget& below);

    // The status line: the simple text of the status bar.
    QString statusText() const;
    void setStatusText(const QString& text);

public slots:
    void B_AboutClick();
    void B_FormatClick();
    void B_SourceClick();
    void B_SettingClick();
    void B_ExitClick();
    void B_CapFramesClick();
    void B_OpenClick();
    void ShowHintInStatus();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    void FormClose();

    MainContext ctx_;
    QString helpFile_;
    // Closing runs once, however many ways the program is asked to end.
    bool closed_ = false;
};

} // namespace app
