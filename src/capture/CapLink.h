#pragma once

#include "platform/capture/CaptureWindow.h"

#include <QPointer>

namespace capture {

using CapHandle = QPointer<platform::CaptureWindow>;

// Requests to the capture window. Each one first tests that the window still exists and
// is otherwise skipped with the result 0.
int capDriverConnect(const CapHandle& wnd, int index);
int capDriverDisconnect(const CapHandle& wnd);
int capPreviewRate(const CapHandle& wnd, int milliseconds);
int capPreview(const CapHandle& wnd, bool on);
int capGetStatus(const CapHandle& wnd, platform::CaptureStatus& status);
int capDriverGetCaps(const CapHandle& wnd, platform::CaptureDriverCaps& caps);
int capCaptureStop(const CapHandle& wnd);
int capGrabFrameNoStop(const CapHandle& wnd);
int capFileSaveDib(const CapHandle& wnd, const QString& path);
int capDlgVideoFormat(const CapHandle& wnd);
int capDlgVideoSource(const CapHandle& wnd);
// Why the capture window's last request failed, in the service's words.
QString capLastError(const CapHandle& wnd);
// Why its last connect was refused, in a sentence for the user, when the user can do
// something about it (no permission to the device); empty otherwise.
QString capConnectRefusal(const CapHandle& wnd);

} // namespace capture
