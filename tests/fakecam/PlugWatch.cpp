#include "PlugWatch.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace fakecam {

PlugWatch::PlugWatch(std::function<void()> changed)
    : changed_(std::move(changed)), inotify_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)),
      stop_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!inotify_.valid() || !stop_.valid()) {
        return;
    }
    // The program's signals are not ours to take: a program that waits for them on a
    // descriptor blocks them in its own threads only.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

PlugWatch::~PlugWatch() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        ssize_t written = ::write(stop_.get(), &one, sizeof one);
        (void)written;
        thread_.join();
    }
}

void PlugWatch::watchFileIn(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    std::lock_guard lock(mutex_);
    if (!inotify_.valid() || !directories_.insert(directory).second) {
        return;
    }
    inotify_add_watch(inotify_.get(), directory.c_str(),
                      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
}

void PlugWatch::run() {
    alignas(inotify_event) char events[4096];
    for (;;) {
        pollfd fds[2] = {{inotify_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        if (real().poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents) {
            return;
        }
        bool any = false;
        while (real().read(inotify_.get(), events, sizeof events) > 0) {
            any = true;
        }
        if (any) {
            changed_();
        }
    }
}

} // namespace fakecam
