#include "app/SingleInstance.h"

#include "ui/ErrorReport.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QFileInfo>

#include <chrono>
#include <cstdio>

namespace app {

namespace {

constexpr std::chrono::milliseconds kAnswerWait{2000};

QString canonical(const QString& directory) {
    const QString path = QFileInfo(directory).canonicalFilePath();
    return path.isEmpty() ? directory : path;
}

// A second start in the same directory shows this run's window instead: out of the
// taskbar, raised, and with its open modal dialog on top.
void answerSecondStart(QWidget& window) {
    if (!window.isVisible())
        return;
    if (window.isMinimized())
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
    if (QWidget* dialog = QApplication::activeModalWidget(); dialog && dialog != &window) {
        dialog->raise();
        dialog->activateWindow();
    }
}

} // namespace

SingleInstance::SingleInstance(const QString& startDirectory)
    : directory_(canonical(startDirectory)), lock_(directory_) {
    if (lock_.state() != platform::DirectoryLock::State::Held)
        return;
    if (lock_.socketName().isEmpty()) {
        std::fprintf(stderr, "nimbacast: a second start in %s cannot reach this one: %s\n",
                     qPrintable(directory_), "there is no private directory for its socket");
        return;
    }
    listener_ = std::make_unique<platform::ActivationListener>([this] {
        if (window_)
            answerSecondStart(*window_);
    });
    if (const platform::Result<> listening = listener_->listen(lock_.socketName()); !listening)
        std::fprintf(stderr, "nimbacast: a second start in %s cannot reach this one: %s\n",
                     qPrintable(directory_), qPrintable(listening.why()));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::first() const {
    return lock_.state() == platform::DirectoryLock::State::Held;
}

int SingleInstance::handOver(ui::Messages& messages) const {
    if (lock_.state() == platform::DirectoryLock::State::Unavailable) {
        const QString text =
            QStringLiteral("Nimbacast cannot start in \"%1\": it cannot keep the directory to "
                           "this run, and two runs there would overwrite and remove each "
                           "other's frame files (%2). Start Nimbacast in another directory.")
                .arg(directory_, lock_.fault());
        std::fprintf(stderr, "nimbacast: %s\n", qPrintable(text));
        messages.showError(ui::application().title(), text);
        return 1;
    }
    const platform::Result<> asked =
        lock_.socketName().isEmpty()
            ? platform::Failure(QStringLiteral("it names no socket to ask"))
            : platform::askToActivate(lock_.socketName(), kAnswerWait);
    if (asked)
        return 0;
    const QString text =
        QStringLiteral("Nimbacast is already running in \"%1\", but it did not answer within two "
                       "seconds (%2). Close it, or start Nimbacast in another directory.")
            .arg(directory_, asked.why());
    std::fprintf(stderr, "nimbacast: %s\n", qPrintable(text));
    messages.showError(ui::application().title(), text);
    return 1;
}

void SingleInstance::raiseOnRequest(QWidget& window) {
    window_ = &window;
}

} // namespace app
