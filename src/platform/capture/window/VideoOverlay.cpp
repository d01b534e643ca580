#include "platform/capture/window/VideoOverlay.h"

#include "platform/capture/pipeline/PreviewPipeline.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

VideoOverlay::VideoOverlay(QWidget* parent, std::function<void()> expose)
    : QWidget(parent), expose_(std::move(expose)) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Clicks and keys belong to the capture window, as they do without the overlay.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

VideoOverlay* VideoOverlay::make(QWidget* parent, std::function<void()> expose) {
    // On an X display the sink draws into a window of its own over the capture window;
    // elsewhere (and when NIMBACAST_PREVIEW=toolkit asks for it) the frames are painted by the
    // toolkit. The frames are BGRx: a screen of fewer than 24 bits could not show them as they
    // are. The sink draws a frame at its own size in device pixels and never scales it: on a
    // scaled desktop (a device pixel ratio other than 1) the toolkit paints the frames, filling
    // the window as everywhere else.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !screen ||
        screen->depth() < 24 || screen->devicePixelRatio() != 1.0 ||
        qEnvironmentVariable("NIMBACAST_PREVIEW") == QLatin1String("toolkit") ||
        !PreviewPipeline::canDrawIntoWindows())
        return nullptr;
    auto* overlay = new VideoOverlay(parent, std::move(expose));
    overlay->hide();
    return overlay;
}

void VideoOverlay::paintEvent(QPaintEvent*) {
    if (expose_)
        expose_();
}

void VideoOverlay::resizeEvent(QResizeEvent*) {
    // The sink learns the new size when asked to draw again.
    if (expose_)
        expose_();
}

} // namespace platform
