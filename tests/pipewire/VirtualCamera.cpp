#include "VirtualCamera.h"

#include "platform/capture/pipewire/PipeWireMonitor.h"
#include "platform/capture/pipewire/PipeWireNodes.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace test {

namespace {

bool listed(const QString& nodeName) {
    const auto nodes = platform::pipewire::cameraNodes(std::chrono::milliseconds(2000));
    return std::any_of(nodes.begin(), nodes.end(),
                       [&](const auto& node) { return node.nodeName == nodeName.toStdString(); });
}

} // namespace

bool VirtualCamera::available() {
    const char* program = std::getenv("PIPEWIRE_VIRTUAL_CAMERA");
    return program && *program && platform::pipewire::daemonSocketPresent();
}

VirtualCamera::VirtualCamera(const QString& nodeName, const QString& description,
                             const QStringList& properties)
    : nodeName_(nodeName) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QString::fromLocal8Bit(std::getenv("PIPEWIRE_VIRTUAL_CAMERA")),
                   QStringList{nodeName, description} + properties);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 && !process_.canReadLine() &&
           process_.state() != QProcess::NotRunning)
        process_.waitForReadyRead(100);
    if (!process_.readLine().startsWith("ready")) {
        failure_ = "the virtual camera did not start";
        return;
    }
    // Registered with the daemon; the session manager takes a moment to offer it.
    while (waited.elapsed() < 5000 && !listed(nodeName))
        QThread::msleep(50);
    if (!listed(nodeName))
        failure_ = "the virtual camera's node is not offered as a camera";
}

void VirtualCamera::remove() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

VirtualCamera::~VirtualCamera() {
    remove();
}

} // namespace test
