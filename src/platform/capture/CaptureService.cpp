#include "platform/capture/CaptureService.h"

#include "platform/capture/CaptureWindow.h"

namespace platform {

CaptureService::CaptureService(DriverTable drivers, Registry* registry,
                               std::function<int(QDialog&)> runDialog, FittedWidths fitted)
    : setup_(std::make_shared<const CaptureSetup>(
          CaptureSetup{std::move(drivers), registry, std::move(runDialog), std::move(fitted)})) {}

std::optional<DriverSpec> CaptureService::driverDescription(int index) const {
    if (index < 0 || index >= kDriverSlots || !setup_->drivers[index])
        return std::nullopt;
    return setup_->drivers[index]->spec();
}

CaptureWindow* CaptureService::createCaptureWindow(QWidget* parent, const QRect& geometry,
                                                   int id) const {
    auto* window = new CaptureWindow(setup_, parent);
    window->setObjectName(QStringLiteral("CapWnd%1").arg(id));
    window->setGeometry(geometry);
    window->show();
    return window;
}

} // namespace platform
