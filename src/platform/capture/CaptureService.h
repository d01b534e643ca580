#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/capture/DriverTable.h"

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QRect;
class QWidget;

namespace platform {

class CaptureWindow;
class Registry;

// What the capture windows of one service share: the installed drivers, the registry that
// holds their picture sizes (may be null: every driver starts at its default size), and
// how the drivers' own dialogs are run modally.
struct CaptureSetup {
    DriverTable drivers;
    Registry* registry = nullptr;
    std::function<int(QDialog&)> runDialog;
    // The picture widths the program fits its window to: where a driver starts when nobody
    // has chosen its size.
    FittedWidths fitted;
};

// The capture-window service: the table of installed drivers and the factory of capture
// windows that use them.
class CaptureService {
public:
    explicit CaptureService(DriverTable drivers, Registry* registry = nullptr,
                            std::function<int(QDialog&)> runDialog = {}, FittedWidths fitted = {});

    // Name and version of the driver at index 0..9, or nothing when none is installed there.
    std::optional<DriverSpec> driverDescription(int index) const;

    // A visible child window of `parent`; it belongs to the parent.
    CaptureWindow* createCaptureWindow(QWidget* parent, const QRect& geometry, int id) const;

    const DriverTable& drivers() const { return setup_->drivers; }
    const FittedWidths& fitted() const { return setup_->fitted; }

private:
    std::shared_ptr<const CaptureSetup> setup_;
};

} // namespace platform
