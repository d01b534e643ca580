#include "capture/DriverDialogs.h"

#include "app/MainState.h"
#include "capture/CapLink.h"
#include "capture/FitWindow.h"

namespace capture {

void ShowFormatDialog(app::TMainForm& form, app::MainState& state) {
    platform::CaptureDriverCaps caps;
    capDriverGetCaps(state.CapWnd, caps);
    if (caps.fHasDlgVideoFormat)
        capDlgVideoFormat(state.CapWnd);
    FitWindowToVideo(form, state);
}

void ShowSourceDialog(app::MainState& state) {
    platform::CaptureDriverCaps caps;
    capDriverGetCaps(state.CapWnd, caps);
    if (caps.fHasDlgVideoSource)
        capDlgVideoSource(state.CapWnd);
}

} // namespace capture
