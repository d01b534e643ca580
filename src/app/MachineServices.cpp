#include "app/MachineServices.h"

#include "platform/capture/DriverTable.h"
#include "ui/ErrorReport.h"

#include <cstdio>

namespace app {

namespace {

platform::DriverTable driversOfThisMachine(ui::Messages& messages) {
    platform::LoadedDrivers drivers = platform::loadDriversFromEnvironment();
    if (!drivers.error.empty()) {
        std::fprintf(stderr, "nimbacast: %s\n", drivers.error.c_str());
        messages.showError(ui::application().title(), QString::fromStdString(drivers.error));
    }
    return std::move(drivers.table);
}

} // namespace

MachineServices::MachineServices(ui::Messages& messages)
    : messages_(messages), capture_(driversOfThisMachine(messages)) {}

Services MachineServices::services() {
    return {capture_, help_, sound_, messages_, modal_, fileDialogs_, platform::systemDirectory()};
}

} // namespace app
