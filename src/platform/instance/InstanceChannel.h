#pragma once

#include "platform/Result.h"

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
    // without cleaning up left there is removed first.
    Result<> listen(const QString& name);

private:
    std::function<void()> onActivate_;
    QLocalServer* server_;
};

// Asks the program listening at `name` to come to the front; done once it answered that it
// did, within `wait` (a program still starting is asked again until then). Otherwise the
// failure says what the last try met.
Result<> askToActivate(const QString& name, std::chrono::milliseconds wait);

} // namespace platform
