#pragma once

#include <QScrollBar>

namespace ui {

// A scroll bar that the user moves only through actions: every entry of its context menu,
// "Scroll here" too, reaches whoever listens to actionTriggered, as the arrows, the page
// areas, the wheel and the thumb do. Qt's own menu sets the value of "Scroll here" directly.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

    // The value that a click at `pos` (in the bar's coordinates) on the groove stands for.
    int valueAt(const QPoint& pos) const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace ui
