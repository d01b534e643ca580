#pragma once

#include "platform/capture/CaptureDriver.h"
#include "platform/files/UniqueFd.h"

#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <string>

namespace platform {

// Tells of device nodes made, renamed into or changed in their permissions in a directory
// (inotify): a camera plugged in gets its node, then udev gives it its group and mode.
class DeviceDirectoryWatch : public DeviceWatch {
public:
    // Null when the directory cannot be watched.
    static std::unique_ptr<DeviceDirectoryWatch> start(const std::string& directory,
                                                       std::function<void()> changed);
    ~DeviceDirectoryWatch() override;

private:
    DeviceDirectoryWatch(UniqueFd fd, std::function<void()> changed);
    void drain();

    UniqueFd fd_;
    std::function<void()> changed_;
    // Goes before the descriptor it watches.
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace platform
