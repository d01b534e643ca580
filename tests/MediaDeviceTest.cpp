#include "MediaFiles.h"
#include "Support.h"

#include "platform/media/MediaDevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

using platform::MediaCode;
using platform::MediaDevice;
using platform::MediaMode;

// A request's media code: Ok when it was done.
template <typename T> MediaCode codeOf(const platform::Result<T>& answer) {
    return answer.ok() ? MediaCode::Ok : platform::mediaCodeOf(answer.failure());
}

// The value of a request expected to be done; a refusal fails the test with the device's
// words and reads as the value's default.
template <typename T> T valueOf(platform::Result<T> answer) {
    if (!answer.ok()) {
        ADD_FAILURE() << answer.why().toStdString();
        return T{};
    }
    return std::move(answer).value();
}

std::uint32_t positionOf(MediaDevice& device) {
    return valueOf(device.position());
}

MediaMode modeOf(MediaDevice& device) {
    return valueOf(device.mode());
}

struct Media : ::testing::Test {
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        twelve = test::makeAvi(dir->path(), "twelve.avi", 320, 240, 12, 5, true);
        small = test::makeAvi(dir->path(), "small.avi", 100, 80, 2, 10);
        sound = test::makeAvi(dir->path(), "sound.avi", 0, 0, 3);
    }
    static void TearDownTestSuite() { delete dir; }
    static inline QTemporaryDir* dir = nullptr;
    static inline QString twelve, small, sound;

    QWidget display;
    MediaDevice device;
};

TEST_F(Media, OpensWithLengthSizeAndCapabilities) {
    ASSERT_TRUE(device.open(twelve).ok());
    const platform::Result<platform::MediaDevCaps> caps = device.getDevCaps();
    ASSERT_TRUE(caps.ok());
    EXPECT_TRUE(caps->hasVideo && caps->canPlay);
    EXPECT_EQ(caps->deviceType, "AVIVideo");
    // Frames until the time format is set: 12 s at 5 frames a second.
    EXPECT_EQ(valueOf(device.length()), 60u);
    ASSERT_TRUE(device.setTimeFormat(platform::MediaTimeFormat::Milliseconds).ok());
    EXPECT_EQ(valueOf(device.length()), 12000u);
    ASSERT_TRUE(device.window(&display).ok());
    const platform::Result<QRect> where = device.whereDestination();
    ASSERT_TRUE(where.ok());
    EXPECT_EQ(*where, QRect(0, 0, 320, 240));
    ASSERT_TRUE(device.putDestination({10, 10, 0, 0}).ok());
    EXPECT_EQ(valueOf(device.whereDestination()), QRect(10, 10, 320, 240));
    ASSERT_NE(device.surface(), nullptr);
    EXPECT_EQ(device.surface()->geometry(), QRect(10, 10, 320, 240));
}

TEST_F(Media, SeeksPausesResumesAndPlaysOn) {
    ASSERT_TRUE(device.open(twelve).ok());
    (void)device.setTimeFormat(platform::MediaTimeFormat::Milliseconds);
    ASSERT_TRUE(device.seek(7000).ok());
    EXPECT_EQ(positionOf(device), 7000u);
    EXPECT_EQ(modeOf(device), MediaMode::Stopped);
    EXPECT_EQ(codeOf(device.resume()), MediaCode::NotPaused);
    ASSERT_TRUE(device.play().ok());
    EXPECT_EQ(modeOf(device), MediaMode::Playing);
    ASSERT_TRUE(test::waitUntil([&] { return positionOf(device) >= 7400; }));
    (void)device.pause();
    EXPECT_EQ(modeOf(device), MediaMode::Paused);
    const std::uint32_t paused = positionOf(device);
    QThread::msleep(400);
    EXPECT_LE(positionOf(device), paused + 50);
    ASSERT_TRUE(device.resume().ok());
    ASSERT_TRUE(test::waitUntil([&] { return positionOf(device) >= paused + 300; }));
    EXPECT_EQ(codeOf(device.seek(12001)), MediaCode::OutOfRange);
}

TEST_F(Media, StopsAtTheEndAndPlaysAgainFromTheStart) {
    ASSERT_TRUE(device.open(small).ok());
    (void)device.setTimeFormat(platform::MediaTimeFormat::Milliseconds);
    display.show();
    ASSERT_TRUE(device.window(&display).ok());
    (void)device.play();
    ASSERT_TRUE(test::waitUntil([&] { return modeOf(device) == MediaMode::Stopped; }));
    const std::uint32_t length = valueOf(device.length());
    EXPECT_EQ(positionOf(device), length);
    ASSERT_TRUE(device.seekToStart().ok());
    EXPECT_EQ(positionOf(device), 0u);
    (void)device.play();
    ASSERT_TRUE(test::waitUntil([&] { return positionOf(device) > 300; }));
    EXPECT_LT(positionOf(device), length);
    // The picture reaches the surface at its natural size.
    ASSERT_TRUE(test::waitUntil([&] { return !device.surface()->shownImage().isNull(); }));
    EXPECT_EQ(device.surface()->shownImage().size(), QSize(100, 80));
}

TEST_F(Media, SoundOnlyPlaysWithoutAPicture) {
    ASSERT_TRUE(device.open(sound).ok());
    EXPECT_FALSE(valueOf(device.getDevCaps()).hasVideo);
    EXPECT_EQ(codeOf(device.whereDestination()), MediaCode::NoVideo);
    EXPECT_EQ(codeOf(device.window(&display)), MediaCode::NoVideo);
    (void)device.setTimeFormat(platform::MediaTimeFormat::Milliseconds);
    EXPECT_EQ(valueOf(device.length()), 3000u);
    (void)device.play();
    ASSERT_TRUE(test::waitUntil([&] { return positionOf(device) > 200; }));
}

TEST_F(Media, WithoutAnOpenDeviceEveryRequestSaysSo) {
    // Each request as the code and text of its answer, whatever value it would carry.
    const auto answer = [](const auto& result) {
        return std::pair(codeOf(result), result.ok() ? QString() : result.why());
    };
    const std::function<std::pair<MediaCode, QString>()> requests[] = {
        [&] { return answer(device.play()); },        [&] { return answer(device.pause()); },
        [&] { return answer(device.resume()); },      [&] { return answer(device.stop()); },
        [&] { return answer(device.seek(1000)); },    [&] { return answer(device.position()); },
        [&] { return answer(device.length()); },      [&] { return answer(device.mode()); },
        [&] { return answer(device.seekToStart()); },
    };
    for (const auto& request : requests) {
        const auto [code, text] = request();
        EXPECT_EQ(code, MediaCode::NoDevice);
        EXPECT_EQ(text, "No media device is open.");
    }
}

// Damaged and foreign files are refused within the bound, naming the file, and the device
// stays closed; a file open before is closed by the attempt.
TEST_F(Media, BadFilesAreRefusedInTime) {
    QFile source(twelve);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray whole = source.readAll();
    const QString headerOnly = QDir(dir->path()).filePath("cut.avi");
    const QString noise = QDir(dir->path()).filePath("noise.avi");
    const QString bmp = QDir(dir->path()).filePath("picture.avi");
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write(headerOnly, whole.left(300))); // cut inside its headers
    ASSERT_TRUE(write(noise, whole.left(12) + QByteArray(50000, '\x5a')));
    ASSERT_TRUE(write(bmp, QByteArray("BM") + QByteArray(100, '\0')));
    const struct {
        QString path;
        MediaCode code;
        const char* says;
    } cases[] = {
        {QDir(dir->path()).filePath("missing.avi"), MediaCode::FileNotFound, "does not exist"},
        {dir->path(), MediaCode::FileNotFound, "not a file"},
        {bmp, MediaCode::NotAvi, "not an AVI file"},
        {headerOnly, MediaCode::CannotPlay, ""},
        {noise, MediaCode::CannotPlay, ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(device.open(small).ok());
        QElapsedTimer timer;
        timer.start();
        const platform::Result<> answer = device.open(c.path);
        EXPECT_LT(timer.elapsed(), 7000) << c.path.toStdString();
        EXPECT_FALSE(answer.ok()) << c.path.toStdString();
        const MediaCode code = codeOf(answer);
        const QString& text = answer.why();
        if (c.code != MediaCode::CannotPlay)
            EXPECT_EQ(code, c.code) << c.path.toStdString();
        else
            EXPECT_TRUE(code == MediaCode::CannotPlay || code == MediaCode::TimedOut)
                << text.toStdString();
        EXPECT_TRUE(text.contains(c.path)) << text.toStdString();
        EXPECT_TRUE(text.contains(c.says)) << text.toStdString();
        EXPECT_FALSE(device.isOpen());
    }
}

// Files of many codecs made by others: each plays with its length known or is refused
// with a message, within the bound.
TEST(MediaTestData, EveryFileOpensOrIsRefusedInTime) {
    const QDir avi(QStringLiteral(NIMBACAST_TESTDATA_DIR "/avi"));
    if (!avi.exists())
        GTEST_SKIP() << "no test data at " << avi.path().toStdString();
    for (const QString& name : avi.entryList({"*.avi"}, QDir::Files)) {
        MediaDevice device;
        QElapsedTimer timer;
        timer.start();
        const platform::Result<> answer = device.open(avi.filePath(name));
        EXPECT_LT(timer.elapsed(), 7000) << name.toStdString();
        if (!answer.ok()) {
            EXPECT_TRUE(answer.why().contains(name)) << answer.why().toStdString();
            continue;
        }
        (void)device.setTimeFormat(platform::MediaTimeFormat::Milliseconds);
        EXPECT_GT(valueOf(device.length()), 0u) << name.toStdString();
        if (valueOf(device.getDevCaps()).hasVideo) {
            EXPECT_FALSE(valueOf(device.whereDestination()).isEmpty()) << name.toStdString();
        }
        EXPECT_TRUE(device.play().ok());
    }
}

} // namespace
