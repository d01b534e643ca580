#pragma once

namespace platform {
class Registry;
}
namespace app {
struct MainState;
}

namespace capture {

// What closing the main window does before the program ends: the capture stopped and
// disconnected, the driver's picture size written back to the registry, and the frame
// files this run captured removed. Nothing at all when the capture window was never made.
void ShutDown(app::MainState& state, platform::Registry& registry);

} // namespace capture
