#include "platform/capture/window/ReturnWait.h"

#include "platform/capture/CaptureDriver.h"

#include <chrono>

namespace platform {

namespace {
constexpr std::chrono::milliseconds kBusyRetry{1000};
} // namespace

ReturnWait::ReturnWait(std::function<void(const QString&)> busy, std::function<void()> back)
    : busy_(std::move(busy)), back_(std::move(back)) {
    retry_.setSingleShot(true);
    retry_.setInterval(kBusyRetry);
    connect(&retry_, &QTimer::timeout, this, &ReturnWait::tryNow);
}

ReturnWait::~ReturnWait() = default;

void ReturnWait::start(const CaptureDriver& driver) {
    driver_ = &driver;
    // Told on the interface thread from the watch's own notifier: tried after that has
    // finished, since a return ends the watch.
    watch_ = driver.watchReturn(
        [this] { QMetaObject::invokeMethod(this, &ReturnWait::tryNow, Qt::QueuedConnection); });
    // It may be back already, before the watch began.
    if (watch_)
        QMetaObject::invokeMethod(this, &ReturnWait::tryNow, Qt::QueuedConnection);
}

void ReturnWait::stop() {
    watch_.reset();
    retry_.stop();
}

void ReturnWait::tryNow() {
    if (!watch_ || !driver_)
        return;
    retry_.stop();
    if (!driver_->findAgain())
        return;
    // The device is let go of while it is away, so it can be asked whether it streams.
    if (const Result<> streams = driver_->checkStream(); !streams) {
        busy_(QStringLiteral("%1 is back but cannot stream: %2. Waiting for it...")
                  .arg(QString::fromStdString(driver_->deviceName()), streams.why()));
        retry_.start();
        return;
    }
    watch_.reset();
    back_();
}

} // namespace platform
