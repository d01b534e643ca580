#include "app/MachineServices.h"

#include "capture/FitWindow.h"
#include "platform/capture/DriverKeys.h"
#include "platform/capture/DriverTable.h"
#include "ui/ErrorReport.h"

#include <cstdio>

namespace app {

namespace {

platform::DriverTable driversOfThisMachine(ui::Messages& messages) {
    platform::Result<platform::DriverTable> drivers = platform::loadDriversFromEnvironment();
    if (!drivers) {
        std::fprintf(stderr, "nimbacast: %s\n", qPrintable(drivers.why()));
        messages.showError(ui::application().title(), drivers.why());
        return {};
    }
    return std::move(drivers).value();
}

// Says once why the registry file cannot be used; the store then stands empty.
platform::JsonRegistry& reported(platform::JsonRegistry& registry, ui::Messages& messages) {
    if (const QString& fault = registry.fault().text; !fault.isEmpty()) {
        std::fprintf(stderr, "nimbacast: %s\n", qPrintable(fault));
        messages.showError(ui::application().title(), fault);
    }
    return registry;
}

} // namespace

MachineServices::MachineServices(ui::Messages& messages)
    : messages_(messages), registry_(platform::registryFilePath()),
      capture_(driversOfThisMachine(messages), &reported(registry_, messages), {},
               capture::frameTableWidths()) {
    platform::installRegistryKeys(capture_.drivers(), registry_, capture_.fitted());
}

Services MachineServices::services() {
    return {capture_, help_, sound_, messages_, modal_, fileDialogs_, platform::systemDirectory(),
            registry_};
}

} // namespace app
