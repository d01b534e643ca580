#include "platform/capture/pipeline/VideoOverlay.h"

namespace platform {

VideoOverlay::VideoOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Clicks and keys belong to the capture window, as they do without the overlay.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
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
