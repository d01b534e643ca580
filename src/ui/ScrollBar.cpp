#include "ui/ScrollBar.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionSlider>

namespace ui {

int ScrollBar::valueAt(const QPoint& pos) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    const bool vertical = orientation() == Qt::Vertical;
    const int length = vertical ? thumb.height() : thumb.width();
    const int start = vertical ? groove.top() : groove.left();
    const int span = (vertical ? groove.height() : groove.width()) - length;
    const int at = (vertical ? pos.y() : pos.x()) - start - length / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), at, span, option.upsideDown);
}

void ScrollBar::contextMenuEvent(QContextMenuEvent* event) {
    const bool vertical = orientation() == Qt::Vertical;
    QMenu menu(this);
    QAction* here = menu.addAction(tr("Scroll here"));
    menu.addSeparator();
    QAction* first = menu.addAction(vertical ? tr("Top") : tr("Left edge"));
    QAction* last = menu.addAction(vertical ? tr("Bottom") : tr("Right edge"));
    menu.addSeparator();
    QAction* pageBack = menu.addAction(vertical ? tr("Page up") : tr("Page left"));
    QAction* pageOn = menu.addAction(vertical ? tr("Page down") : tr("Page right"));
    menu.addSeparator();
    QAction* lineBack = menu.addAction(vertical ? tr("Scroll up") : tr("Scroll left"));
    QAction* lineOn = menu.addAction(vertical ? tr("Scroll down") : tr("Scroll right"));

    const QPoint at = event->pos();
    const QAction* chosen = menu.exec(event->globalPos());
    if (!chosen)
        return;
    if (chosen == here) {
        // A move to a place is the same action as a drag of the thumb there, once: with
        // tracking on, placing the thumb would already trigger it.
        const bool tracking = hasTracking();
        setTracking(false);
        setSliderPosition(valueAt(at));
        setTracking(tracking);
        triggerAction(SliderMove);
        return;
    }
    const std::pair<const QAction*, SliderAction> actions[] = {
        {first, SliderToMinimum},        {last, SliderToMaximum},
        {pageBack, SliderPageStepSub},   {pageOn, SliderPageStepAdd},
        {lineBack, SliderSingleStepSub}, {lineOn, SliderSingleStepAdd}};
    for (const auto& [action, move] : actions)
        if (chosen == action)
            triggerAction(move);
}

} // namespace ui
