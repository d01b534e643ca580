#pragma once

namespace app {
class TMainForm;
struct MainState;
} // namespace app

namespace capture {

// The driver's own video-format dialog when it has one; the window is refitted to the
// picture size afterwards, whether or not the dialog was shown.
void ShowFormatDialog(app::TMainForm& form, app::MainState& state);

// The driver's own video-source dialog when it has one; nothing is refitted.
void ShowSourceDialog(app::MainState& state);

} // namespace capture
