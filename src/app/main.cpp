#include "app/Main.h"
#include "app/ErrorReport.h"
#include "app/MachineServices.h"
#include "app/Messages.h"
#include "app/Program.h"

int main(int argc, char** argv) {
    app::Application application(argc, argv);
    application.setTitle(QString());
    app::MessageBoxes messages;
    application.setMessages(&messages);
    try {
        app::MachineServices machine(messages);
        app::Program program(machine.services());
        program.MainForm().show();
        return application.exec();
    } catch (const app::ToolkitError& error) {
        application.reportError(error.text());
        return 1;
    }
}
