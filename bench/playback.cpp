// Opens an AVI file in the playback window as the open command does and quits when its
// first frame has been painted; with --play it plays on until it is ended from outside.
// The caller times the whole process or measures its CPU.
#include "app/MachineServices.h"
#include "app/Main.h"
#include "app/Program.h"
#include "playback/Open.h"
#include "playback/Video.h"
#include "ui/ErrorReport.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_playback FILE.avi [--play]\n");
        return 1;
    }
    const bool playOn = argc > 2 && std::strcmp(argv[2], "--play") == 0;
    ui::Application application(argc, argv);
    ui::MessageBoxes messages;
    application.setMessages(&messages);
    app::MachineServices machine(messages);
    app::Program program(machine.services());
    program.MainForm().show();
    ui::QtFileDialogs dialogs;
    playback::OpenDialogSetup setup;
    try {
        playback::OpenAvi({program.state(), program.MainForm(), program.FAnimate(), program.Frame(),
                           dialogs, setup},
                          QString::fromLocal8Bit(argv[1]));
    } catch (const ui::ToolkitError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        return 1;
    }
    auto* surface = program.FAnimate().MediaPlayer->device().surface();
    if (!surface) {
        std::fprintf(stderr, "no picture\n");
        return 1;
    }
    if (!playOn)
        QObject::connect(surface, &platform::VideoSurface::framePainted, &application,
                         &QCoreApplication::quit, Qt::QueuedConnection);
    QTimer::singleShot(playOn ? 120000 : 10000, &application, [] { QCoreApplication::exit(2); });
    return application.exec();
}
