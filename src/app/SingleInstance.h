#pragma once

#include "platform/instance/DirectoryLock.h"
#include "platform/instance/InstanceChannel.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace ui {
class Messages;
}

namespace app {

// One running program per start-up directory: the frame files there are the run's own, so a
// second start in the same directory touches none of them. It brings the running program's
// main window to the front instead and ends; a program in another directory runs beside it.
// Decided at the program's entry, before any frame file or registry work.
class SingleInstance {
public:
    // Takes the directory for this run, or finds a running program holding it.
    explicit SingleInstance(const QString& startDirectory);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Whether this process runs the program: the directory is its own.
    bool first() const;

    // For a second start: asks the running program to bring its main window to the front,
    // and gives the exit status: 0 once it did; otherwise, when it gives no answer within two
    // seconds, a message box naming the directory and the reason, and 1. Where no lock can be
    // kept at all the program does not run unguarded: a box names the directory and why, 1.
    int handOver(ui::Messages& messages) const;

    // For the first: brings the window, and a dialog open over it, to the front each time a
    // second start asks.
    void raiseOnRequest(QWidget& window);

private:
    QString directory_;
    platform::DirectoryLock lock_;
    std::unique_ptr<platform::ActivationListener> listener_;
    QPointer<QWidget> window_;
};

} // namespace app
