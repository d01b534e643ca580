#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

class QWidget;

namespace app {

// Closes the main window, as its close box does, when the session asks the program to end
// (SIGTERM, SIGINT, SIGHUP): the capture is stopped and the frame files removed as on any
// other close. The signal only wakes the event loop; the close runs there.
class CloseOnSignals : public QObject {
public:
    explicit CloseOnSignals(QWidget& window);
    ~CloseOnSignals() override;
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace app
