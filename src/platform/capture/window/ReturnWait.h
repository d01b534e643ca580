#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace platform {

class CaptureDriver;
class DeviceWatch;

// The wait for a lost device to come back: the driver's watch tells of what may be its
// return, and a device back but held by another program, which tells nobody when it is let
// go, is tried again each second. What it finds is told on the interface thread.
class ReturnWait : public QObject {
public:
    // `busy`: the device is back but cannot stream yet, in a sentence that names it and says
    // why; the wait goes on. `back`: it is back and free to stream; the wait has ended.
    ReturnWait(std::function<void(const QString& note)> busy, std::function<void()> back);
    ~ReturnWait() override;

    // Waits for the device of `driver`, which outlives the wait; no wait when its device never
    // comes back by itself.
    void start(const CaptureDriver& driver);
    void stop();
    bool waiting() const { return watch_ != nullptr; }

private:
    void tryNow();

    std::function<void(const QString&)> busy_;
    std::function<void()> back_;
    const CaptureDriver* driver_ = nullptr;
    std::unique_ptr<DeviceWatch> watch_;
    QTimer retry_;
};

} // namespace platform
