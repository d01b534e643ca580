#include "Support.h"

#include <QDataStream>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

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

TEST(Sound, TheSystemDirectoryComesFromTheEnvironment) {
    const test::ScopedEnvironment system("NIMBACAST_SYSTEM_DIR", "/opt/somewhere");
    EXPECT_EQ(platform::systemDirectory(), "/opt/somewhere");
    const test::ScopedEnvironment none("NIMBACAST_SYSTEM_DIR", std::nullopt);
    EXPECT_TRUE(platform::systemDirectory().endsWith("/share/nimbacast"));
}

} // namespace
