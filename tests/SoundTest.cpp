#include "Support.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

// Whatever the machine's audio, a sound ends within its own length plus the allowance the
// service gives itself; these bounds only catch a hang.
constexpr qint64 kNoHangMs = 6000;

TEST(Sound, PlaysTheShutterSoundAndReturnsWhenItHasEnded) {
    platform::GstSoundService sound;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(sound.playSync(NIMBACAST_SOURCE_DIR "/src/resources/sound/Camera.wav"));
    EXPECT_LT(clock.elapsed(), kNoHangMs);
}

TEST(Sound, AMissingFilePlaysTheDefaultSound) {
    test::StartDir dir;
    platform::GstSoundService sound;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(sound.playSync(dir.path() + "/Camera.wav"));
    EXPECT_LT(clock.elapsed(), kNoHangMs);
}

TEST(Sound, AFileThatIsNoSoundEndsQuietly) {
    test::StartDir dir;
    const QString garbage = dir.write("Camera.wav", QByteArray(4096, '\x5a'));
    platform::GstSoundService sound;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(sound.playSync(garbage));
    EXPECT_LT(clock.elapsed(), kNoHangMs);
}

TEST(Sound, TheSystemDirectoryComesFromTheEnvironment) {
    qputenv("NIMBACAST_SYSTEM_DIR", "/opt/somewhere");
    EXPECT_EQ(platform::systemDirectory(), "/opt/somewhere");
    qunsetenv("NIMBACAST_SYSTEM_DIR");
    EXPECT_TRUE(platform::systemDirectory().endsWith("/share/nimbacast"));
}

} // namespace
