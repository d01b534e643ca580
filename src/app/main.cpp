#include "app/Main.h"
#include "app/MachineServices.h"
#include "app/Platform.h"
#include "app/Program.h"
#include "app/Signals.h"
#include "app/SingleInstance.h"
#include "ui/ErrorReport.h"
#include "ui/Messages.h"

#include <QDir>

int main(int argc, char** argv) {
    app::choosePlatform(argc, argv);
    ui::Application application(argc, argv);
    application.setTitle(QString());
    ui::MessageBoxes messages;
    application.setMessages(&messages);
    // Before anything reads the registry or touches a frame file.
    app::SingleInstance instance(QDir::currentPath());
    if (!instance.first())
        return instance.handOver(messages);
    try {
        app::MachineServices machine(messages);
        app::Program program(machine.services());
        instance.raiseOnRequest(program.MainForm());
        const app::CloseOnSignals closeOnSignals(program.MainForm());
        program.MainForm().show();
        return application.exec();
    } catch (const ui::ToolkitError& error) {
        application.reportErrorNow(error.text());
        return 1;
    }
}
