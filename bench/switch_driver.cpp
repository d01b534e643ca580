// "Select Source" switching to another driver: from OK to the first frame of the new driver
// painted, against a connect of that driver from cold, in the same run. Medians of five, in
// milliseconds.
#include "FramePainted.h"
#include "album/Notice.h"
#include "app/Main.h"
#include "app/Program.h"
#include "capture/Config.h"
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/DriverKeys.h"
#include "platform/capture/drivers/SimulatedDriver.h"
#include "platform/help/HelpService.h"
#include "platform/registry/Registry.h"
#include "platform/sound/SoundService.h"
#include "ui/ErrorReport.h"
#include "ui/FileDialogs.h"
#include "ui/Messages.h"
#include "ui/Modal.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

struct NoHelp : platform::HelpService {
    void showContents(const QString&) override {}
};
struct NoSound : platform::SoundService {
    bool playSync(const QString&) override { return true; }
};
struct NoMessages : ui::Messages {
    void showError(const QString&, const QString&) override {}
    void showInformation(const QString&, const QString&) override {}
};
struct NoFiles : ui::FileDialogs {
    std::optional<QString> getSaveFileName(QWidget*, const ui::FileDialogOptions&) override {
        return std::nullopt;
    }
    std::optional<ui::OpenDialogState> getOpenFileName(QWidget*, const ui::FileDialogOptions&,
                                                       const ui::OpenDialogEvents&) override {
        return std::nullopt;
    }
};
// Chooses the driver at `position` in "Select Source" and presses OK.
struct Choose : ui::Modal {
    int position = 0;
    QElapsedTimer* clock = nullptr;
    int exec(QDialog& dialog) override {
        auto& config = dynamic_cast<capture::TFConfig&>(dialog);
        config.show();
        config.ComboBox1->setCurrentIndex(position);
        config.hide();
        clock->start(); // OK
        return QDialog::Accepted;
    }
};

} // namespace

int main(int argc, char** argv) {
    ui::Application application(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    platform::JsonRegistry registry(dir.filePath(QStringLiteral("registry.json")));
    platform::DriverTable drivers;
    for (int i : {0, 1}) {
        platform::DriverSpec driver;
        driver.name = i == 0 ? "Quorix Small" : "Bench Large";
        driver.devicePath = "\\\\?\\bench\\" + std::to_string(i);
        const platform::PictureSize size =
            i == 0 ? platform::PictureSize{320, 240} : platform::PictureSize{640, 480};
        drivers[i] = std::make_shared<platform::SimulatedDriver>(
            driver, platform::TestPicture{size, {size}});
    }
    platform::installRegistryKeys(drivers, registry);
    const platform::CaptureService capture(drivers, &registry);
    NoHelp help;
    NoSound sound;
    NoMessages messages;
    NoFiles files;
    QElapsedTimer clock;
    Choose choose;
    choose.clock = &clock;
    app::Program program({capture, help, sound, messages, choose, files, dir.path(), registry});
    program.MainForm().show();

    std::vector<double> switches, colds;
    for (int run = 0; run < 5; ++run) {
        choose.position = 0;
        program.MainForm().B_SettingClick();
        bench::untilPaintedAt(*program.state().CapWnd, {320, 240}, clock);
        choose.position = 1;
        program.MainForm().B_SettingClick();
        switches.push_back(bench::untilPaintedAt(*program.state().CapWnd, {640, 480}, clock));

        clock.start();
        auto* cold = capture.createCaptureWindow(&program.MainForm(), QRect(13, 44, 640, 480), 2);
        cold->driverConnect(1);
        cold->setPreviewRate(33);
        cold->setPreview(true);
        colds.push_back(bench::untilPaintedAt(*cold, {640, 480}, clock));
        delete cold;
    }
    const double change = bench::median(switches), cold = bench::median(colds);
    if (change < 0 || cold < 0) {
        std::fprintf(stderr, "no frame painted\n");
        return 1;
    }
    bench::report("driver switch, OK to first frame", "cold connect to first frame",
                  "driver_switch", change, cold);
    return 0;
}
