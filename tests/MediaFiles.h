#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace test {

// A small AVI file made by GStreamer's own muxer: MJPEG pictures of the test pattern at the
// given size and rate, with a quiet tone when `audio` is set; width 0 makes a file of sound
// only. Throws when the tools cannot make it.
inline QString makeAvi(const QString& dir, const QString& name, int width, int height, int seconds,
                       int fps = 5, bool audio = false) {
    const QString path = QDir(dir).filePath(name);
    QStringList args{QStringLiteral("-q"),       QStringLiteral("avimux"),
                     QStringLiteral("name=mux"), QStringLiteral("!"),
                     QStringLiteral("filesink"), QStringLiteral("location=") + path};
    if (width > 0)
        args << QStringLiteral("videotestsrc") << QStringLiteral("pattern=ball")
             << QStringLiteral("num-buffers=%1").arg(seconds * fps) << QStringLiteral("!")
             << QStringLiteral("video/x-raw,width=%1,height=%2,framerate=%3/1")
                    .arg(width)
                    .arg(height)
                    .arg(fps)
             << QStringLiteral("!") << QStringLiteral("jpegenc") << QStringLiteral("!")
             << QStringLiteral("mux.");
    if (audio || width == 0)
        // 8000 samples a second in buffers of 800: ten buffers a second.
        args << QStringLiteral("audiotestsrc") << QStringLiteral("volume=0.05")
             << QStringLiteral("samplesperbuffer=800")
             << QStringLiteral("num-buffers=%1").arg(seconds * 10) << QStringLiteral("!")
             << QStringLiteral("audio/x-raw,format=S16LE,rate=8000,channels=1")
             << QStringLiteral("!") << QStringLiteral("mux.");
    QProcess launch;
    launch.start(QStringLiteral("gst-launch-1.0"), args);
    if (!launch.waitForFinished(30000) || launch.exitCode() != 0)
        throw std::runtime_error("gst-launch-1.0 could not make " + path.toStdString() + ": " +
                                 launch.readAllStandardError().toStdString());
    return path;
}

} // namespace test
