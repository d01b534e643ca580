#pragma once

#include <QWidget>

#include <functional>

namespace platform {

// A native child window that a GStreamer sink draws into. The toolkit never paints it: an
// expose asks the sink to draw its frame again instead.
class VideoOverlay : public QWidget {
public:
    explicit VideoOverlay(QWidget* parent);
    void setOnExpose(std::function<void()> expose) { expose_ = std::move(expose); }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    std::function<void()> expose_;
};

} // namespace platform
