#pragma once

#include <QWidget>

#include <functional>

namespace platform {

// A native child window that a GStreamer sink draws into. The toolkit never paints it: an
// expose asks the sink to draw its frame again instead.
class VideoOverlay : public QWidget {
public:
    // A hidden overlay over `parent` that asks `expose` to draw again, when the preview is drawn
    // into one on this display; null where the toolkit paints the frames.
    static VideoOverlay* make(QWidget* parent, std::function<void()> expose);
    VideoOverlay(QWidget* parent, std::function<void()> expose);
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    std::function<void()> expose_;
};

} // namespace platform
