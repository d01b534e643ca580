#include "ui/ErrorReport.h"

#include "ui/Messages.h"

#include <QMouseEvent>
#include <QWidget>

#include <cstdio>

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    if (receiver->isWidgetType()) {
        if (event->type() == QEvent::MouseButtonPress) {
            pressed_ = static_cast<QWidget*>(receiver);
            pressedButton_ = static_cast<QMouseEvent*>(event)->button();
        } else if (event->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            pressed_ = nullptr;
        }
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (const ToolkitError& error) {
        reportError(error.text());
        return true;
    }
}

void Application::reportError(const QString& text) {
    if (!pending_.contains(text))
        pending_.append(text);
    if (scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &Application::showPendingReports, Qt::QueuedConnection);
}

void Application::reportErrorNow(const QString& text) {
    pending_.append(text);
    showPendingReports();
}

void Application::showPendingReports() {
    scheduled_ = false;
    if (pending_.isEmpty())
        return;
    const QString text = pending_.join(QStringLiteral("\n\n"));
    pending_.clear();
    releasePressedControl();
    if (messages_)
        messages_->showError(title_, text);
    else
        std::fprintf(stderr, "nimbacast: %s\n", qPrintable(text));
}

void Application::releasePressedControl() {
    QWidget* control = pressed_;
    pressed_ = nullptr;
    if (!control)
        return;
    // A release outside the control: a scroll bar or track bar stops its auto-repeat, a
    // button comes up without clicking.
    const QPointF outside(-1, -1);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, control->mapToGlobal(outside),
                        pressedButton_, Qt::NoButton, Qt::NoModifier);
    sendEvent(control, &release);
}

Application& application() {
    return *static_cast<Application*>(QCoreApplication::instance());
}

} // namespace ui
