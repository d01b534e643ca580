#pragma once

#include <QLabel>

namespace ui {

// A picture that reports a click: a left press and release on it.
class ClickImage : public QLabel {
    Q_OBJECT
public:
    explicit ClickImage(QWidget* parent) : QLabel(parent) {}

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace ui
