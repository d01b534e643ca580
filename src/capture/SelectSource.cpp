#include "capture/SelectSource.h"

#include "album/Notice.h"
#include "app/Main.h"
#include "app/MainState.h"
#include "app/Placement.h"
#include "capture/CapLink.h"
#include "capture/Config.h"
#include "capture/Discovery.h"
#include "capture/FitWindow.h"
#include "resources/TextTable.h"
#include "ui/Hints.h"
#include "ui/Modal.h"

namespace capture {

namespace {

// The rate the track bar shows becomes the preview rate, and the preview runs.
void startPreviewAtChosenRate(const SelectSourceContext& ctx) {
    app::MainState& s = ctx.state;
    s.PreviewFps = static_cast<std::uint16_t>(ctx.dialog.TrackBar->value());
    capPreviewRate(s.CapWnd, static_cast<std::uint16_t>(1000 / s.PreviewFps));
    capPreview(s.CapWnd, true);
    s.PreviewOn = 1;
}

} // namespace

void SelectSource(const SelectSourceContext& ctx) {
    app::MainState& s = ctx.state;
    app::PlaceBesideMain(ctx.main, ctx.dialog);
    if (ctx.modal.exec(ctx.dialog) != QDialog::Accepted)
        return;
    const int selected = ctx.dialog.ComboBox1->currentIndex();

    if (s.Connected == 1 && selected == s.DriverIndex) {
        // The same driver, restarted at the new rate; a refused reconnect is not looked at.
        capDriverDisconnect(s.CapWnd);
        capDriverConnect(s.CapWnd, s.DriverIndex);
        ShowDriverInHint(ctx.main, s);
        startPreviewAtChosenRate(ctx);
        return;
    }

    if (s.Connected == 1)
        capDriverDisconnect(s.CapWnd);
    s.DriverIndex = static_cast<std::int8_t>(selected);
    if (capDriverConnect(s.CapWnd, s.DriverIndex)) {
        ShowDriverInHint(ctx.main, s);
        s.Connected = 1;
        startPreviewAtChosenRate(ctx);
        FitWindowToVideo(ctx.main, s);
        return;
    }
    s.Connected = 0;
    ui::setHint(&ctx.main, QString());
    const QString refused = resources::caption(resources::kTextCantConnect);
    // Why, when the user can do something about it: the notice says the device could not be
    // connected, the status line what stands in the way.
    const QString why = capConnectRefusal(s.CapWnd);
    ctx.notice.showBelow(ctx.main, ctx.modal, refused);
    ctx.main.setStatusText(why.isEmpty() ? refused : why);
}

} // namespace capture
