#pragma once

namespace platform {
class CaptureService;
}
namespace app {
class TMainForm;
struct MainState;
} // namespace app

namespace capture {

// The text in a driver's name that marks the camera maker's own driver.
inline constexpr char kPreferredMarker[] = "Quorix";

// The main window's own hint names the connected driver ("| " and its name, as far as a
// 60-character buffer holds), so that the status line shows it over the window's free area.
void ShowDriverInHint(app::TMainForm& form, const app::MainState& state);

// Creates the capture window, lists the drivers, connects one (the maker's own first),
// fits the window to its picture and starts the preview; or says on the status line that
// no device could be connected.
void DiscoverDrivers(app::TMainForm& form, app::MainState& state,
                     const platform::CaptureService& service);

} // namespace capture
