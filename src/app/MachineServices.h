#pragma once

#include "app/Program.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/help/HelpService.h"
#include "platform/sound/SoundService.h"
#include "ui/FileDialogs.h"
#include "ui/Messages.h"
#include "ui/Modal.h"

namespace app {

// The real services of this machine, as the program runs with them. Capture drivers come
// from the machine or from the simulated drivers file; a file that cannot be used is
// reported on standard error and in a message box, and leaves no driver.
class MachineServices {
public:
    // `messages` shows the program's message boxes; it outlives these services.
    explicit MachineServices(ui::Messages& messages);
    Services services();

private:
    ui::Messages& messages_;
    platform::CaptureService capture_;
    platform::HelpViewerService help_;
    platform::GstSoundService sound_;
    ui::ModalLoop modal_;
    ui::QtFileDialogs fileDialogs_;
};

} // namespace app
