#include "ChildRoles.h"

#include "app/SingleInstance.h"
#include "platform/registry/Registry.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <optional>

namespace test {

namespace {

int writeInALoop(const QString& file, const QString& key, const QString& name, int count) {
    platform::JsonRegistry registry(file);
    for (int i = 1; i <= count; ++i) {
        const auto opened = registry.openKey(key);
        if (!opened || !opened->writeDword(name, std::uint32_t(i))) {
            std::fprintf(stderr, "write %d of %s failed\n", i, qPrintable(name));
            return 1;
        }
    }
    return 0;
}

class StderrMessages : public ui::Messages {
public:
    void showError(const QString&, const QString& text) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    }
    void showInformation(const QString&, const QString& text) override { showError({}, text); }
};

// Says "activated" whenever the watched window becomes the active one.
class ActivationWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowActivate) {
            std::printf("activated\n");
            std::fflush(stdout);
        }
        return QObject::eventFilter(watched, event);
    }
};

int startIn(const QString& directory) {
    app::SingleInstance instance(directory);
    if (!instance.first()) {
        StderrMessages messages;
        return instance.handOver(messages);
    }
    QWidget main;
    main.setWindowTitle(QStringLiteral("main"));
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    main.show();
    other.show();
    other.activateWindow();
    QDeadlineTimer shown(5000);
    while (QApplication::activeWindow() != &other && !shown.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ActivationWatch watch;
    main.installEventFilter(&watch);
    instance.raiseOnRequest(main);
    std::printf("running\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

std::optional<int> playChildRole() {
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype argc = arguments.size();
    if (argc == 6 && arguments[1] == QLatin1String("--registry-writer"))
        return writeInALoop(arguments[2], arguments[3], arguments[4], arguments[5].toInt());
    if (argc == 3 && arguments[1] == QLatin1String("--start-in"))
        return startIn(arguments[2]);
    return std::nullopt;
}

void startChild(QProcess& child, const QStringList& arguments) {
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
}

} // namespace test
