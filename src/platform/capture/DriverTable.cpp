#include "platform/capture/DriverTable.h"

#include "platform/capture/drivers/DriversFile.h"
#include "platform/capture/drivers/PipeWireDriver.h"
#include "platform/capture/drivers/TestPatternDriver.h"
#include "platform/capture/drivers/V4l2Driver.h"
#include "platform/capture/v4l2/V4l2Device.h"

#include <cstdlib>

namespace platform {

DriverTable loadMachineDrivers() {
    DriverTable table;
    const std::vector<v4l2::DeviceInfo> devices = v4l2::captureDevices();
    std::vector<std::shared_ptr<const CaptureDriver>> found = V4l2Driver::discover(devices);
    for (auto& camera : PipeWireDriver::discover(devices))
        found.push_back(std::move(camera));
    found.push_back(TestPatternDriver::builtIn());
    for (std::size_t slot = 0; slot < found.size() && slot < table.size(); ++slot)
        table[slot] = std::move(found[slot]);
    return table;
}

Result<DriverTable> loadDriversFromEnvironment() {
    const char* simulated = std::getenv("NIMBACAST_CAPTURE_DRIVERS");
    if (simulated && *simulated)
        return loadSimulatedDrivers(simulated);
    return loadMachineDrivers();
}

} // namespace platform
