#pragma once

namespace ui {
class Modal;
}
namespace album {
class TFNotice;
}
namespace app {
class TMainForm;
struct MainState;
} // namespace app

namespace capture {

class TFConfig;

struct SelectSourceContext {
    app::TMainForm& main;
    app::MainState& state;
    TFConfig& dialog;
    album::TFNotice& notice;
    ui::Modal& modal;
};

// "Select Source" beside the main window; on OK the same driver restarts at the chosen
// preview rate, or the chosen one replaces it and the window is refitted to its picture. A
// driver that refuses is said in the notice below the main window and on the status line.
void SelectSource(const SelectSourceContext& ctx);

} // namespace capture
