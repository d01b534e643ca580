// Capture click to frame file and album updated (sound excluded), and one scroll step of
// the album, at 640 x 480; each against a baseline measured in the same run.
#include "album/Capture.h"
#include "album/Show.h"
#include "app/Main.h"
#include "app/Program.h"
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/DriverTable.h"
#include "platform/capture/drivers/SimulatedDriver.h"
#include "platform/help/HelpService.h"
#include "platform/registry/Registry.h"
#include "platform/sound/SoundService.h"
#include "ui/ErrorReport.h"
#include "ui/FileDialogs.h"
#include "ui/Messages.h"
#include "ui/Modal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Silent : platform::SoundService {
    bool playSync(const QString&) override { return true; }
};
struct NoHelp : platform::HelpService {
    void showContents(const QString&) override {}
};

double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// VmRSS of this process in MB (2^20 bytes).
double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application application(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    platform::DriverTable drivers;
    platform::DriverSpec bench;
    bench.name = "Quorix Bench";
    bench.version = "1";
    drivers[0] = std::make_shared<platform::SimulatedDriver>(
        bench, platform::TestPicture{{640, 480}, {{640, 480}}});
    const platform::CaptureService capture(drivers);
    NoHelp help;
    Silent sound;
    ui::MessageBoxes messages;
    ui::ModalLoop modal;
    ui::QtFileDialogs fileDialogs;
    platform::JsonRegistry registry(dir.path() + "/registry.json");
    app::Program program(
        {capture, help, sound, messages, modal, fileDialogs, dir.path(), registry});
    program.MainForm().show();
    QTest::qWait(500); // the preview is running

    app::TMainForm& main = program.MainForm();
    const int captures = 60;
    const double click = medianMs(captures, [&] { main.B_CapFramesClick(); });
    // Baseline: writing the same picture as a BMP file and reading it back once.
    const QImage frame = QImage(program.state().FramePath[0]);
    const double fileRoundTrip = medianMs(captures, [&] {
        frame.save(dir.path() + "/baseline.bmp", "BMP");
        QImage back(dir.path() + "/baseline.bmp");
    });
    std::printf("capture click: %.2f ms (goal 66 ms); BMP write+read baseline %.2f ms; "
                "ratio %.2f\n",
                click, fileRoundTrip, click / fileRoundTrip);
    std::printf("= capture_click %.3f %.3f\n", click, fileRoundTrip);

    album::TAlbum& album = program.Album();
    int p = 2;
    const double scroll = medianMs(100, [&] {
        p = p == captures - 1 ? 2 : p + 1;
        album.ScrollBarScroll(p);
    });
    // A page step: three frames none of which is on show, each decoded and scaled.
    int q = 2;
    const double page = medianMs(60, [&] {
        q = q + 3 > captures - 1 ? 2 + (q + 4) % 3 : q + 3;
        album.ScrollBarScroll(q);
    });
    // Baseline: decoding the three frame files a scroll step shows.
    const double threeLoads = medianMs(100, [&] {
        for (int i = 0; i < 3; ++i)
            QImage picture(program.state().FramePath[i]);
    });
    std::printf("album scroll step: %.2f ms (goal 10 ms); three BMP loads baseline %.2f ms; "
                "ratio %.2f\n",
                scroll, threeLoads, scroll / threeLoads);
    std::printf("= scroll_step %.3f %.3f\n", scroll, threeLoads);
    std::printf("album page step (three frames not on show): %.2f ms; three BMP loads "
                "baseline %.2f ms; ratio %.2f\n",
                page, threeLoads, page / threeLoads);
    std::printf("= page_step %.3f %.3f\n", page, threeLoads);

    // Resident memory with the preview on and the run's hundred frames captured.
    while (program.state().FrameCount < static_cast<std::uint32_t>(app::kFramePaths))
        main.B_CapFramesClick();
    std::printf("= memory_100 %.1f 60\n", residentMegabytes());
    return 0;
}
