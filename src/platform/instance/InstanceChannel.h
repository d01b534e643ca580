#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QLocalServer;

namespace platform {

// Listens on that socket and calls `onActivate` each time another start in the directory
// asks the running program to come to the front, then answers that it did.
class ActivationListener : public QObject {
public:
    explicit ActivationListener(std::function<void()> onActivate);
    ~ActivationListener() override;

    // Only the holder of the directory's lock may listen: a socket that a run which ended
    // without cleaning up left there is removed first. False, with `why`, when it cannot.
    bool listen(const QString& name, QString* why);

private:
    std::function<void()> onActivate_;
    QLocalServer* server_;
};

// Asks the program listening at `name` to come to the front; true once it answered that it
// did, within `wait` (a program still starting is asked again until then). Otherwise false,
// and `why` says what the last try met.
bool askToActivate(const QString& name, std::chrono::milliseconds wait, QString* why);

} // namespace platform
