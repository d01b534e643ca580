#include "capture/Shutdown.h"

#include "app/MainState.h"
#include "capture/CapLink.h"
#include "settings/DriverKey.h"

#include <QFile>

#include <algorithm>

namespace capture {

void ShutDown(app::MainState& state, platform::Registry& registry) {
    if (!state.CapWnd)
        return;
    capCaptureStop(state.CapWnd);
    capDriverDisconnect(state.CapWnd);
    settings::writeBackPictureSize(registry, state.DriverKeyPath);
    const auto count = std::min<std::uint32_t>(state.FrameCount, app::kFramePaths);
    for (std::uint32_t i = 0; i < count; ++i) {
        // A frame whose capture failed has no file of this run; a file of its name is not
        // ours to remove.
        if (!state.FrameFault[i].isEmpty())
            continue;
        if (QFile::exists(state.FramePath[i]))
            QFile::remove(state.FramePath[i]);
    }
}

} // namespace capture
