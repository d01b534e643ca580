#include "app/Signals.h"

#include <QWidget>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace app {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but process-wide state: the end it writes to.
std::atomic<int> wakeUp{-1};

void onSignal(int signal) {
    const int fd = wakeUp.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

} // namespace

CloseOnSignals::CloseOnSignals(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0)
        return;
    wakeUp = fds_[0];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, &window, [this, &window] {
        char bytes[16];
        while (::read(fds_[1], bytes, sizeof bytes) > 0) {
        }
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

CloseOnSignals::~CloseOnSignals() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    wakeUp = -1;
    notifier_.reset();
    for (const int fd : fds_)
        if (fd >= 0)
            ::close(fd);
}

} // namespace app
