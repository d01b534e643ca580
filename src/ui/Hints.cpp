#include "ui/Hints.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>

namespace ui {

namespace {
constexpr char kHintProperty[] = "nimbacastHint";
}

HintParts splitHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {hint, hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}

void setHint(QWidget* control, const QString& hint) {
    control->setProperty(kHintProperty, hint);
    control->setToolTip(splitHint(hint).shortPart);
}

QString hintOf(const QWidget* control) {
    for (const QWidget* w = control; w; w = w->parentWidget()) {
        const QString hint = w->property(kHintProperty).toString();
        if (!hint.isEmpty())
            return hint;
        if (w->isWindow())
            break;
    }
    return {};
}

HintMachine::HintMachine() = default;

HintMachine::~HintMachine() {
    if (on_ && qApp)
        qApp->removeEventFilter(this);
}

void HintMachine::setShowHints(bool on) {
    if (on == on_ || !qApp)
        return;
    on_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void HintMachine::pointerOver(const QWidget* control) {
    const QString longHint = splitHint(control ? hintOf(control) : QString()).longPart;
    if (longHint == longHint_)
        return;
    longHint_ = longHint;
    emit hintChanged();
}

bool HintMachine::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    if (event->type() == QEvent::Enter) {
        pointerOver(static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::Leave) {
        // Leaving a control for its parent sends the parent no Enter: ask what is below.
        pointerOver(QApplication::widgetAt(QCursor::pos()));
    }
    return false;
}

} // namespace ui
