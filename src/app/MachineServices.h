#pragma once

#include "app/FileDialogs.h"
#include "app/Messages.h"
#include "app/Modal.h"
#include "app/Program.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/help/HelpService.h"
#include "platform/sound/SoundService.h"

namespace app {

// The real services of this machine, as the program runs with them. Capture drivers come
// from the machine or from the simulated drivers file; a file that cannot be used is
// reported on standard error and in a message box, and leaves no driver.
class MachineServices {
public:
    // `messages` shows the program's message boxes; it outlives these services.
    explicit MachineServices(Messages& messages);
    Services services();

private:
    Messages& messages_;
    platform::CaptureService capture_;
    platform::HelpViewerService help_;
    platform::GstSoundService sound_;
    ModalLoop modal_;
    QtFileDialogs fileDialogs_;
};

} // namespace app
