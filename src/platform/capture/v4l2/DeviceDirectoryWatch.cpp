#include "platform/capture/v4l2/DeviceDirectoryWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<DeviceDirectoryWatch> DeviceDirectoryWatch::start(const std::string& directory,
                                                                  std::function<void()> changed) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // Not its closes or opens: the program's own tries of the node would wake it again.
    if (::inotify_add_watch(fd, directory.c_str(), IN_CREATE | IN_ATTRIB | IN_MOVED_TO) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<DeviceDirectoryWatch>(new DeviceDirectoryWatch(fd, std::move(changed)));
}

DeviceDirectoryWatch::DeviceDirectoryWatch(int fd, std::function<void()> changed)
    : fd_(fd), changed_(std::move(changed)),
      notifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { drain(); });
}

DeviceDirectoryWatch::~DeviceDirectoryWatch() {
    notifier_.reset();
    ::close(fd_);
}

void DeviceDirectoryWatch::drain() {
    alignas(inotify_event) char events[4096];
    bool any = false;
    while (::read(fd_, events, sizeof events) > 0)
        any = true;
    // Last: the one told may end this watch.
    if (any)
        changed_();
}

} // namespace platform
