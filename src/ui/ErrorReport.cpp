#include "ui/ErrorReport.h"

#include "ui/Messages.h"

#include <cstdio>

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const ToolkitError& error) {
        reportError(error.text());
        return true;
    }
}

void Application::reportError(const QString& text) {
    if (messages_)
        messages_->showError(title_, text);
    else
        std::fprintf(stderr, "nimbacast: %s\n", qPrintable(text));
}

Application& application() {
    return *static_cast<Application*>(QCoreApplication::instance());
}

} // namespace ui
