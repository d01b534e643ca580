// Starts the program as the executable does and quits when the first preview frame has
// been painted; the caller times the whole process.
#include "app/MachineServices.h"
#include "app/Main.h"
#include "app/Program.h"
#include "platform/capture/CaptureWindow.h"
#include "ui/ErrorReport.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    ui::Application application(argc, argv);
    ui::MessageBoxes messages;
    application.setMessages(&messages);
    app::MachineServices machine(messages);
    app::Program program(machine.services());
    program.MainForm().show();
    auto* window = program.state().CapWnd.data();
    if (!window || !program.state().PreviewOn) {
        std::fprintf(stderr, "no preview\n");
        return 1;
    }
    QObject::connect(window, &platform::CaptureWindow::framePainted, &application,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    QTimer::singleShot(10000, &application, [] { QCoreApplication::exit(2); });
    return application.exec();
}
