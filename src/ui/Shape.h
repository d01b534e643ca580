#pragma once

#include <QColor>
#include <QWidget>

namespace ui {

// A filled rectangle with a one-pixel black outline, as the video frame behind the picture.
class Shape : public QWidget {
public:
    explicit Shape(QWidget* parent) : QWidget(parent) {}

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& color) {
        brush_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_ = Qt::white;
};

} // namespace ui
