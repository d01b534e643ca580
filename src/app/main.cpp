#include "app/Main.h"
#include "app/MachineServices.h"
#include "app/Platform.h"
#include "app/Program.h"
#include "app/Signals.h"
#include "ui/ErrorReport.h"
#include "ui/Messages.h"

int main(int argc, char** argv) {
    app::choosePlatform(argc, argv);
    ui::Application application(argc, argv);
    application.setTitle(QString());
    ui::MessageBoxes messages;
    application.setMessages(&messages);
    try {
        app::MachineServices machine(messages);
        app::Program program(machine.services());
        const app::CloseOnSignals closeOnSignals(program.MainForm());
        program.MainForm().show();
        return application.exec();
    } catch (const ui::ToolkitError& error) {
        application.reportErrorNow(error.text());
        return 1;
    }
}
