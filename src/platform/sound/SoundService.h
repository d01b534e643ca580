#pragma once

#include <QString>

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

class GstSoundService : public SoundService {
public:
    bool playSync(const QString& wavFile) override;
};

// The system directory, where the shutter sound lives: NIMBACAST_SYSTEM_DIR when set,
// otherwise the installed data directory beside the executable.
QString systemDirectory();

} // namespace platform
