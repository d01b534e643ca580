#include "app/Shape.h"

#include <QPainter>

namespace app {

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(brush_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace app
