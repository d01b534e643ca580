#include "capture/CapLink.h"

namespace capture {
namespace {

template <class Request> int send(const CapHandle& wnd, Request&& request) {
    if (!wnd)
        return 0;
    return request(*wnd);
}

} // namespace

int capDriverConnect(const CapHandle& wnd, int index) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.driverConnect(index); });
}

int capDriverDisconnect(const CapHandle& wnd) {
    return send(wnd, [](platform::CaptureWindow& w) { return w.driverDisconnect(); });
}

int capPreviewRate(const CapHandle& wnd, int milliseconds) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.setPreviewRate(milliseconds); });
}

int capPreview(const CapHandle& wnd, bool on) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.setPreview(on); });
}

int capGetStatus(const CapHandle& wnd, platform::CaptureStatus& status) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.getStatus(status); });
}

int capDriverGetCaps(const CapHandle& wnd, platform::CaptureDriverCaps& caps) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.getDriverCaps(caps); });
}

int capCaptureStop(const CapHandle& wnd) {
    return send(wnd, [](platform::CaptureWindow& w) { return w.stop(); });
}

int capGrabFrameNoStop(const CapHandle& wnd) {
    return send(wnd, [](platform::CaptureWindow& w) { return w.grabFrameNoStop(); });
}

int capFileSaveDib(const CapHandle& wnd, const QString& path) {
    return send(wnd, [&](platform::CaptureWindow& w) { return w.fileSaveDib(path); });
}

int capDlgVideoFormat(const CapHandle& wnd) {
    return send(wnd, [](platform::CaptureWindow& w) { return w.dlgVideoFormat(); });
}

int capDlgVideoSource(const CapHandle& wnd) {
    return send(wnd, [](platform::CaptureWindow& w) { return w.dlgVideoSource(); });
}

QString capLastError(const CapHandle& wnd) {
    if (!wnd)
        return QStringLiteral("there is no capture window");
    return QString::fromStdString(wnd->lastError());
}

QString capConnectRefusal(const CapHandle& wnd) {
    return wnd ? QString::fromStdString(wnd->connectRefusal()) : QString();
}

} // namespace capture
