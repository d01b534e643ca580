#include "capture/Discovery.h"

#include "app/Main.h"
#include "capture/CapLink.h"
#include "capture/FitWindow.h"
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "resources/TextTable.h"
#include "ui/ErrorReport.h"
#include "ui/FixedText.h"
#include "ui/Hints.h"

namespace capture {

namespace {

constexpr int kCaptureWindowId = 1;
const QRect kCaptureWindowStart(63, 55, 176, 144);
constexpr std::uint16_t kStartPreviewFps = 30;

// The first index in 0..9 for which `wanted` holds and the driver accepts the connect. The
// first refusal the user can do something about is kept in `refusal`.
int connectFirst(const CapHandle& wnd, QString& refusal, auto wanted) {
    for (int i = 0; i < app::kDriverEntries; ++i) {
        if (!wanted(i))
            continue;
        if (capDriverConnect(wnd, i))
            return i;
        if (refusal.isEmpty())
            refusal = capConnectRefusal(wnd);
    }
    return -1;
}

} // namespace

void ShowDriverInHint(app::TMainForm& form, const app::MainState& state) {
    ui::setHint(&form, QString::fromStdString(ui::cutToBuffer(
                           "| " + state.DriverName[state.DriverIndex], resources::kTextBuffer)));
}

void DiscoverDrivers(app::TMainForm& form, app::MainState& s,
                     const platform::CaptureService& service) {
    s.CapWnd = service.createCaptureWindow(&form, kCaptureWindowStart, kCaptureWindowId);
    if (s.CapWnd) {
        // Why a preview cannot start or has stopped goes to the status line.
        QObject::connect(s.CapWnd, &platform::CaptureWindow::previewFailed, &form,
                         &app::TMainForm::setStatusText);
        // A device that will not stream at all (another program holds it) is worth a box.
        QObject::connect(s.CapWnd, &platform::CaptureWindow::streamRefused, &form,
                         [](const QString& why) { ui::application().reportError(why); });
        form.keepControlsAbove(*s.CapWnd);
        platform::CaptureWindow* window = s.CapWnd;
        QObject::connect(window, &platform::CaptureWindow::nativeWindowMade, &form,
                         [&form, window] { form.keepControlsAbove(*window); });
        // A lost camera that comes back by itself says so, and so does one that is back but
        // waited for.
        QObject::connect(window, &platform::CaptureWindow::deviceReturn, &form,
                         &app::TMainForm::setStatusText);
        // A camera slow to give its first picture is said to be starting, until it does.
        QObject::connect(window, &platform::CaptureWindow::previewStarting, &form,
                         &app::TMainForm::setStatusText);
        QObject::connect(window, &platform::CaptureWindow::previewStarted, &form, [&form] {
            if (form.statusText().endsWith(QStringLiteral(" is starting...")))
                form.setStatusText(QString());
        });
    }

    s.DriverCount = 0;
    for (int i = 0; i < app::kDriverEntries; ++i) {
        if (const auto driver = service.driverDescription(i)) {
            s.DriverName[i] = ui::cutToBuffer(driver->name, app::kDriverNameBuffer);
            s.DriverVersion[i] = ui::cutToBuffer(driver->version, app::kDriverVersionBuffer);
            ++s.DriverCount;
        }
    }

    s.DriverIndex = 0;
    // A camera that is not for pictures of the user (an infrared node) is taken only when no
    // other driver connects.
    const auto pickedAtStart = [&service](int i) {
        const auto driver = service.driverDescription(i);
        return !driver || driver->pickedAtStart;
    };
    QString refusal;
    int connected = connectFirst(s.CapWnd, refusal, [&](int i) {
        return s.DriverName[i].find(kPreferredMarker) != std::string::npos && pickedAtStart(i);
    });
    if (connected < 0)
        connected = connectFirst(s.CapWnd, refusal, pickedAtStart);
    if (connected < 0)
        connected = connectFirst(s.CapWnd, refusal, [&](int i) { return !pickedAtStart(i); });

    if (connected >= 0) {
        s.DriverIndex = static_cast<std::int8_t>(connected);
        ShowDriverInHint(form, s);
        s.Connected = 1;
        FitWindowToVideo(form, s);
        s.PreviewFps = kStartPreviewFps;
        capPreviewRate(s.CapWnd, 1000 / s.PreviewFps);
        capPreview(s.CapWnd, true);
        s.PreviewOn = 1;
    } else {
        form.setStatusText(resources::caption(resources::kTextCantConnect));
        s.Connected = 0;
    }
    // A camera the user may not open is said in a box and on the status line, with what to
    // do, whichever driver start-up settled on.
    if (!refusal.isEmpty()) {
        form.setStatusText(refusal);
        ui::application().reportError(refusal);
    }
}

} // namespace capture
