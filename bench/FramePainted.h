#pragma once

#include "platform/capture/CaptureWindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// Runs the event loop until `window` paints a frame of `size`; the milliseconds since
// `clock` started, or -1 after ten seconds.
inline double untilPaintedAt(platform::CaptureWindow& window, platform::PictureSize size,
                             const QElapsedTimer& clock) {
    QEventLoop loop;
    double at = -1;
    const auto painted =
        QObject::connect(&window, &platform::CaptureWindow::framePainted, &loop, [&] {
            if (window.mode().size == size) {
                at = clock.nsecsElapsed() / 1e6;
                loop.quit();
            }
        });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(painted);
    return at;
}

// Prints a figure against its baseline for a reader, and as "= KEY OURS BASE" for
// bench/inside.sh.
inline void report(const char* what, const char* baseline, const char* key, double ours,
                   double base) {
    std::printf("%s: %.1f ms; %s %.1f ms; ratio %.2f\n", what, ours, baseline, base, ours / base);
    std::printf("= %s %.3f %.3f\n", key, ours, base);
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace bench
