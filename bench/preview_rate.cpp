// Previews a 640 x 480 test picture at the frame rate given on the command line until it is
// killed; bench/inside.sh measures the CPU it takes at 15 and at 30 frames a second.
#include "platform/capture/CaptureService.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/drivers/SimulatedDriver.h"
#include "ui/ErrorReport.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    ui::Application application(argc, argv);
    const int fps = argc > 1 ? std::atoi(argv[1]) : 30;
    if (fps < 1) {
        std::fprintf(stderr, "usage: bench_preview_rate FRAMES-PER-SECOND\n");
        return 2;
    }
    platform::DriverTable drivers;
    platform::DriverSpec driver;
    driver.name = "Quorix Bench";
    drivers[0] =
        std::make_shared<platform::SimulatedDriver>(driver, platform::TestPicture{{640, 480}, {}});
    const platform::CaptureService service(drivers);
    QWidget parent;
    parent.resize(660, 500);
    auto* window = service.createCaptureWindow(&parent, QRect(10, 10, 640, 480), 1);
    parent.show();
    if (!window->driverConnect(0))
        return 1;
    window->setPreviewRate(1000 / fps);
    window->setPreview(true);
    return application.exec();
}
