// A size change in the driver's format dialog, to the first frame painted at the new size,
// against a connect at that size from cold (a new capture window, the driver's key already
// holding the size), in the same run. Prints the medians of five of each in milliseconds.
#include "FramePainted.h"
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/DriverKeys.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "platform/capture/drivers/SimulatedDriver.h"
#include "platform/registry/Registry.h"
#include "ui/ErrorReport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr platform::PictureSize kSmall{320, 240}, kLarge{640, 480};

} // namespace

int main(int argc, char** argv) {
    ui::Application application(argc, argv);
    QTemporaryDir dir;
    platform::JsonRegistry registry(dir.filePath(QStringLiteral("registry.json")));
    platform::DriverTable drivers;
    platform::DriverSpec driver;
    driver.name = "Quorix Bench";
    driver.devicePath = "\\\\?\\bench\\0";
    drivers[0] = std::make_shared<platform::SimulatedDriver>(
        driver, platform::TestPicture{kSmall, {kSmall, kLarge}});
    platform::installRegistryKeys(drivers, registry);
    platform::PictureSize wanted = kLarge;
    const platform::CaptureService service(drivers, &registry, [&](QDialog& dialog) {
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        format.Sizes->setCurrentRow(wanted == kLarge ? 1 : 0);
        return int(QDialog::Accepted);
    });

    QWidget parent;
    parent.resize(700, 520);
    parent.show();
    std::vector<double> changes, colds;
    for (int run = 0; run < 5; ++run) {
        // A size change in a running preview, from the small size to the large one.
        platform::storePictureSize(registry, *drivers[0], kSmall);
        auto* window = service.createCaptureWindow(&parent, QRect(0, 0, 640, 480), 1);
        window->driverConnect(0);
        window->setPreviewRate(33);
        window->setPreview(true);
        QElapsedTimer clock;
        clock.start();
        bench::untilPaintedAt(*window, kSmall, clock);
        wanted = kLarge;
        clock.restart();
        window->dlgVideoFormat();
        changes.push_back(bench::untilPaintedAt(*window, kLarge, clock));
        delete window;

        // A connect from cold at the large size.
        platform::storePictureSize(registry, *drivers[0], kLarge);
        clock.restart();
        window = service.createCaptureWindow(&parent, QRect(0, 0, 640, 480), 1);
        window->driverConnect(0);
        window->setPreviewRate(33);
        window->setPreview(true);
        colds.push_back(bench::untilPaintedAt(*window, kLarge, clock));
        delete window;
    }
    const double change = bench::median(changes), cold = bench::median(colds);
    if (change < 0 || cold < 0) {
        std::fprintf(stderr, "no frame painted\n");
        return 1;
    }
    bench::report("format change to first frame", "cold connect to first frame", "format_change",
                  change, cold);
    return 0;
}
