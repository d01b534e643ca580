#pragma once

#include "platform/Result.h"
#include "platform/media/VideoSurface.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

namespace platform {

// Which failure a request of the media device met, kept as the code of its Failure beside
// the text; a Failure without a media code reads as Ok.
enum class MediaCode {
    Ok = 0,
    NoDevice,     // play, pause, resume, stop, seek or a status without an open device
    FileNotFound, // the file to open does not exist or is no regular file
    NotAvi,       // the file is not an AVI file
    CannotPlay,   // the pipeline refused the file or failed on it
    TimedOut,     // the file did not become ready to play in time
    NoVideo,      // a display request on a device without video
    OutOfRange,   // a seek beyond the length
    NotPaused,    // resume on a device that is not paused
};

// The media code of a failed request, for the callers that tell its failures apart.
inline MediaCode mediaCodeOf(const Failure& failure) {
    return static_cast<MediaCode>(failure.code());
}

enum class MediaMode { NotReady, Stopped, Playing, Paused };
enum class MediaTimeFormat { Frames, Milliseconds };

struct MediaDevCaps {
    bool canPlay = false;
    bool canRecord = false;
    bool canEject = false;
    bool hasVideo = false;
    QString deviceType;
};

// The AVI video device: one file open at a time, its picture drawn into a window given to
// it, its sound on the machine's output. Requests answer synchronously; play, pause,
// resume and stop return at once, open and seek wait (bounded) until the device is ready.
// A refused request's Failure says why in the user's words, with its MediaCode beside.
class MediaDevice {
public:
    static constexpr char kDeviceType[] = "AVIVideo";

    MediaDevice();
    ~MediaDevice();
    MediaDevice(const MediaDevice&) = delete;
    MediaDevice& operator=(const MediaDevice&) = delete;

    // Opens the device for the file, closing what was open; on failure it stays closed.
    Result<> open(const QString& file);
    void close();
    bool isOpen() const;

    Result<MediaDevCaps> getDevCaps() const;
    // The window the picture is drawn into, at the destination rectangle within it.
    Result<> window(QWidget* display);
    // The destination rectangle: left, top, width, height within the window.
    Result<QRect> whereDestination();
    // Width and height both 0 put the video's natural size at that origin.
    Result<> putDestination(const QRect& rect);
    Result<> setTimeFormat(MediaTimeFormat format);
    Result<std::uint32_t> length();
    Result<std::uint32_t> position();
    Result<MediaMode> mode();
    Result<> play();
    Result<> pause();
    Result<> resume();
    Result<> stop();
    Result<> seek(std::uint32_t to);
    Result<> seekToStart();

    // The widget the picture is painted in; null while no video is shown.
    VideoSurface* surface() const { return surface_; }
    // Why the open file stopped playing since the last call (a stream error); empty if not.
    QString takeFailure();

    struct Playback;

private:
    std::unique_ptr<Playback> p_;
    QPointer<VideoSurface> surface_;
};

} // namespace platform
