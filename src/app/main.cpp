#include "app/Main.h"
#include "app/ErrorReport.h"
#include "app/FileDialogs.h"
#include "app/Messages.h"
#include "app/Modal.h"
#include "app/Program.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/DriverTable.h"
#include "platform/help/HelpService.h"
#include "platform/sound/SoundService.h"

#include <cstdio>

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    application.setTitle(QString());
    app::MessageBoxes messages;
    application.setMessages(&messages);

    try {
        platform::LoadedDrivers drivers = platform::loadDriversFromEnvironment();
        if (!drivers.error.empty()) {
            std::fprintf(stderr, "nimbacast: %s\n", drivers.error.c_str());
            application.reportError(QString::fromStdString(drivers.error));
        }
        const platform::CaptureService capture(std::move(drivers.table));
        platform::HelpViewerService help;
        platform::GstSoundService sound;
        app::ModalLoop modal;
        app::QtFileDialogs fileDialogs;

        app::Program program(
            {capture, help, sound, messages, modal, fileDialogs, platform::systemDirectory()});
        program.MainForm().show();
        return application.exec();
    } catch (const app::ToolkitError& error) {
        application.reportError(error.text());
        return 1;
    }
}
