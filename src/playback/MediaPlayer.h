#pragma once

#include "platform/media/MediaDevice.h"

#include <QToolButton>
#include <QWidget>

#include <cstdint>

namespace playback {

// The media-player control: a bar of three buttons (play, pause, stop), always enabled,
// over the AVI video device that holds the open file and draws into `Display`. Requests
// the device refuses where the window relies on them raise the toolkit error.
class TMediaPlayer : public QWidget {
    Q_OBJECT
public:
    explicit TMediaPlayer(QWidget* parent);

    QToolButton* btPlay = nullptr;
    QToolButton* btPause = nullptr;
    QToolButton* btStop = nullptr;

    QString FileName;
    // The window the video is drawn in.
    QWidget* Display = nullptr;

    // Opens FileName, closing what was open; a file that cannot be opened raises the
    // toolkit error with the device's text and leaves the player closed.
    void Open();
    void setTimeFormatMilliseconds();
    std::uint32_t Length();
    // The device's answer is not looked at: without an open device this is 0.
    std::uint32_t Position();
    // Seeks and waits until the device stands at `ms`.
    void setPosition(std::uint32_t ms);
    // The destination rectangle as left, top, width, height; empty without video.
    QRect DisplayRect();
    // Width and height both 0 put the video at its natural size.
    void setDisplayRect(const QRect& rect);

    // From the start when the position is at the end; returns at once.
    void Play();
    // Pauses a playing device, resumes a paused one, leaves any other alone.
    void PauseClick();
    // Resumes; a device that refuses is played instead.
    void Resume();
    void Stop();

    platform::MediaDevice& device() { return device_; }

private:
    // Raises the toolkit error when no device is open.
    void requireOpen() const;

    platform::MediaDevice device_;
};

} // namespace playback
