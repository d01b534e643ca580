// Export of a 640 x 480 frame to JPEG at each sampling, as the album's save does it: the
// frame file read into its block, converted, encoded and written. Prints Mpixels/s per
// sampling for bench/inside.sh to set against tjbench on the same file.
//   bench_export DIR   (writes DIR/Frame0.bmp, the picture tjbench is given too)
#include "album/Export.h"
#include "album/Format.h"
#include "platform/imaging/Imaging.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);

    // Smooth shading with sensor-like noise: a camera frame rather than flat colour.
    QImage picture(640, 480, QImage::Format_RGB32);
    std::mt19937 noise(7);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const int n = static_cast<int>(noise() % 9) - 4;
            picture.setPixel(x, y,
                             qRgb(std::clamp(x * 255 / 640 + n, 0, 255),
                                  std::clamp(y * 255 / 480 + n, 0, 255),
                                  std::clamp(((x + y) / 4 % 64) * 3 + n, 0, 255)));
        }
    const QString frame = dir + "/Frame0.bmp";
    if (!picture.save(frame, "BMP"))
        return 1;

    // `setup` runs before each timed `work`, outside the time.
    const auto mpixels = [](const std::function<void()>& work,
                            const std::function<void()>& setup = {}) {
        std::vector<double> ms;
        for (int i = 0; i < 80; ++i) {
            if (setup)
                setup();
            QElapsedTimer t;
            t.start();
            work();
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return 640.0 * 480.0 / (ms[ms.size() / 2] * 1000.0);
    };
    std::printf("libjpeg quality %d\n", platform::jpegQualityOf(50));
    const int codes[] = {platform::kJpegSampling411, platform::kJpegSampling422,
                         platform::kJpegSampling444};
    const char* names[] = {"411", "422", "444"};
    for (int sampling = 0; sampling < 3; ++sampling) {
        album::SaveSettings settings;
        settings.JpegSampling = sampling;
        // The whole export as the album runs it.
        const double whole = mpixels([&] {
            album::SaveDibAsJpeg(album::ReadFrameDib(frame), dir + "/export.jpg", settings);
        });
        // The imaging service's part: conversion and encoding, no file on either side.
        const album::FrameDib dib = album::ReadFrameDib(frame);
        // The bytes as the export has them, read from the file and handed over.
        std::vector<std::uint8_t> bytes;
        const double encode = mpixels(
            [&] {
                platform::BitmapRecord bitmap;
                platform::L_ChangeFromDIB(&bitmap, std::move(bytes), dib.pixelOffset);
                if (!platform::encodeJpeg(bitmap, codes[sampling], 50))
                    std::abort();
                platform::L_FreeBitmap(&bitmap);
            },
            [&] { bytes = dib.bytes; });
        std::printf("%s %.1f %.1f\n", names[sampling], whole, encode);
    }
    return 0;
}
