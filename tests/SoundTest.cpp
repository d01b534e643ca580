#include "Support.h"

#include <QDataStream>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Plays on another thread and waits for the call to come back, at most `bound`: a hang is
// a failure, however long the sound would take.
std::optional<bool> playWithin(platform::SoundService& sound, const QString& file,
                               std::chrono::seconds bound) {
    auto played = std::async(std::launch::async, [&] { return sound.playSync(file); });
    if (played.wait_for(bound) != std::future_status::ready) {
        played.wait(); // the future must not outlive `sound`
        return std::nullopt;
    }
    return played.get();
}

// A silent PCM WAV file of the given length: 8 kHz, mono, 8 bits.
QByteArray silentWav(int seconds) {
    const quint32 samples = 8000u * static_cast<quint32>(seconds);
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(8000) << quint16(1)
        << quint16(8);
    out.writeRawData("data", 4);
    out << samples;
    wav.append(QByteArray(static_cast<qsizetype>(samples), '\x80'));
    return wav;
}

TEST(Sound, EverySoundComesBackAndSaysWhetherItPlayed) {
    test::StartDir dir;
    struct Row {
        const char* what;
        QString file;
        bool played;
    } rows[] = {
        {"the shipped shutter sound", NIMBACAST_SOURCE_DIR "/src/resources/sound/Camera.wav", true},
        {"a missing file plays the default sound", dir.path() + "/Camera.wav", true},
        {"a file that is no sound", dir.write("garbage.wav", QByteArray(4096, '\x5a')), false},
        // Cut off at the service's bound: far sooner than the sound's own minute.
        {"a minute-long sound", dir.write("long.wav", silentWav(60)), false},
    };
    platform::GstSoundService sound;
    for (const Row& row : rows) {
        const auto played = playWithin(sound, row.file, 20s);
        ASSERT_TRUE(played.has_value()) << row.what << ": the call did not come back";
        EXPECT_EQ(*played, row.played) << row.what;
    }
}

// A sound server that hangs: the player is stuck and deaf to the cut-off. Every capture still
// comes back at the bound, and the stuck thread is the only one: no other is started beside
// it until it has wound down.
TEST(Sound, AHungServerHoldsOneThreadAtATime) {
    std::mutex mutex;
    std::condition_variable released;
    bool hung = true;
    int started = 0, running = 0, mostAtOnce = 0;
    platform::GstSoundService sound(200ms, [&](const QString&, const std::atomic<bool>&) {
        std::unique_lock lock(mutex);
        ++started;
        mostAtOnce = std::max(mostAtOnce, ++running);
        released.wait(lock, [&] { return !hung; });
        --running;
        return true;
    });
    for (int capture = 0; capture < 4; ++capture) {
        const auto played = playWithin(sound, "Camera.wav", 10s);
        ASSERT_TRUE(played.has_value()) << "capture " << capture << ": the call did not come back";
        EXPECT_FALSE(*played) << "capture " << capture;
    }
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(started, 1);
        hung = false;
    }
    released.notify_all();
    // Once the server answers again, the next sound plays.
    ASSERT_TRUE(test::waitUntil([&] {
        std::lock_guard lock(mutex);
        return running == 0;
    }));
    EXPECT_EQ(playWithin(sound, "Camera.wav", 10s), std::optional<bool>(true));
    std::lock_guard lock(mutex);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(mostAtOnce, 1);
}

TEST(Sound, TheSystemDirectoryComesFromTheEnvironment) {
    const test::ScopedEnvironment system("NIMBACAST_SYSTEM_DIR", "/opt/somewhere");
    EXPECT_EQ(platform::systemDirectory(), "/opt/somewhere");
    const test::ScopedEnvironment none("NIMBACAST_SYSTEM_DIR", std::nullopt);
    EXPECT_TRUE(platform::systemDirectory().endsWith("/share/nimbacast"));
}

} // namespace
