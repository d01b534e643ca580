#pragma once

#include "app/Program.h"
#include "platform/capture/CaptureService.h"
#include "platform/help/HelpService.h"
#include "platform/registry/Registry.h"
#include "platform/sound/SoundService.h"
#include "ui/FileDialogs.h"
#include "ui/Messages.h"
#include "ui/Modal.h"

namespace app {

// The real services of this machine, as the program runs with them. Capture drivers come
// from the machine or from the simulated drivers file; the registry from its file, into
// which the capture service installs its drivers' keys before the program reads anything.
// A drivers or registry file that cannot be used is reported on standard error and in a
// message box: no driver, an empty registry that is never written.
class MachineServices {
public:
    // `messages` shows the program's message boxes; it outlives these services.
    explicit MachineServices(ui::Messages& messages);
    Services services();

private:
    ui::Messages& messages_;
    platform::JsonRegistry registry_;
    platform::CaptureService capture_;
    platform::HelpViewerService help_;
    platform::GstSoundService sound_;
    ui::ModalLoop modal_;
    ui::QtFileDialogs fileDialogs_;
};

} // namespace app
