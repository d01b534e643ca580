#include "platform/capture/v4l2/DeviceDirectoryWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<DeviceDirectoryWatch> DeviceDirectoryWatch::start(const std::string& directory,
                                                                  std::function<void()> changed) {
    UniqueFd fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    // Not its closes or opens: the program's own tries of the node would wake it again.
    if (!fd ||
        ::inotify_add_watch(fd.get(), directory.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0)
        return nullptr;
    return std::unique_ptr<DeviceDirectoryWatch>(
        new DeviceDirectoryWatch(std::move(fd), std::move(changed)));
}

DeviceDirectoryWatch::DeviceDirectoryWatch(UniqueFd fd, std::function<void()> changed)
    : fd_(std::move(fd)), changed_(std::move(changed)),
      notifier_(std::make_unique<QSocketNotifier>(fd_.get(), QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { drain(); });
}

DeviceDirectoryWatch::~DeviceDirectoryWatch() = default;

void DeviceDirectoryWatch::drain() {
    alignas(inotify_event) char events[4096];
    bool any = false;
    while (::read(fd_.get(), events, sizeof events) > 0)
        any = true;
    // Last: the one told may end this watch.
    if (any)
        changed_();
}

} // namespace platform
