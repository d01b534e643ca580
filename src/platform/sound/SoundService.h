#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

// Synchronous sound playback by file name.
class SoundService {
public:
    virtual ~SoundService() = default;
    // Plays the WAV file and returns when it has ended; a missing file plays the default
    // sound instead. Without an audio device it returns silently, no later than the sound
    // would have taken. The result says whether anything was played.
    virtual bool playSync(const QString& wavFile) = 0;
};

// GStreamer playback, to the first audio output that opens. A sound is cut off after
// `bound`, so that a long file or a sound server that never answers cannot hold up the
// window; the result is then false. While a sound cut off that way has not wound down (the
// server still does not answer), no other is started within the bound: at most one thread
// outlives its bound.
class GstSoundService : public SoundService {
public:
    // Plays a file on the calling thread, giving up when the flag is set.
    using Player = std::function<bool(const QString& wavFile, const std::atomic<bool>& cancel)>;

    explicit GstSoundService(std::chrono::milliseconds bound = std::chrono::seconds(3));
    // With another player in place of GStreamer's, for a sound server that hangs.
    GstSoundService(std::chrono::milliseconds bound, Player player);
    // Joins the last sound's thread, giving one that was cut off a moment to wind down; a
    // sound server that never answers is not waited for.
    ~GstSoundService() override;
    GstSoundService(const GstSoundService&) = delete;
    GstSoundService& operator=(const GstSoundService&) = delete;

    bool playSync(const QString& wavFile) override;

    struct Playback;

private:
    std::chrono::milliseconds bound_;
    Player player_;
    // The sound that was cut off last, still winding down on its thread.
    std::shared_ptr<Playback> cutOff_;
    // The thread of the last sound: joined before the next starts, and when the service goes.
    std::thread worker_;
};

// The system directory, where the shutter sound lives: NIMBACAST_SYSTEM_DIR when set,
// otherwise the installed data directory beside the executable.
QString systemDirectory();

} // namespace platform
