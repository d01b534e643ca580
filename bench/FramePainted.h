#pragma once

#include "platform/capture/CaptureWindow.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
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

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace bench
