#pragma once

#include <QString>

#include <chrono>

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
// window; the result is then false.
class GstSoundService : public SoundService {
public:
    explicit GstSoundService(std::chrono::milliseconds bound = std::chrono::seconds(3))
        : bound_(bound) {}
    bool playSync(const QString& wavFile) override;

private:
    std::chrono::milliseconds bound_;
};

// The system directory, where the shutter sound lives: NIMBACAST_SYSTEM_DIR when set,
// otherwise the installed data directory beside the executable.
QString systemDirectory();

} // namespace platform
