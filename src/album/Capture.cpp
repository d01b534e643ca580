#include "album/Capture.h"

#include "album/Show.h"
#include "app/Main.h"
#include "app/MainState.h"
#include "app/Placement.h"
#include "capture/CapLink.h"
#include "platform/sound/SoundService.h"
#include "resources/TextTable.h"
#include "ui/ErrorReport.h"
#include "ui/Messages.h"
#include "ui/Shape.h"

namespace album {

namespace {

// The frame around the video flashes white while the shutter sounds.
void shutterSignal(const CaptureContext& ctx) {
    const auto invalidateCapture = [&] {
        if (ctx.state.CapWnd)
            ctx.state.CapWnd->update();
    };
    ctx.main.SFrame->setBrushColor(Qt::white);
    invalidateCapture();
    ctx.main.repaint();
    ctx.sound.playSync(ctx.systemDirectory + QStringLiteral("/Camera.wav"));
    ctx.main.SFrame->setBrushColor(app::TMainForm::kFrameColour);
    ctx.main.repaint();
    invalidateCapture();
}

} // namespace

void CaptureFrame(const CaptureContext& ctx) {
    app::MainState& s = ctx.state;
    app::PlaceBesideMain(ctx.main, ctx.album);
    if (s.PreviewOn == 0)
        return;
    if (s.FrameCount >= static_cast<std::uint32_t>(app::kFramePaths)) {
        ctx.messages.showInformation(
            ui::application().title(),
            QStringLiteral("No more frames can be captured in this run: all %1 frame files "
                           "are in use. Save the frames you want to keep, then start the "
                           "program again.")
                .arg(app::kFramePaths));
        return;
    }

    capture::capGrabFrameNoStop(s.CapWnd);
    capture::capFileSaveDib(s.CapWnd, s.FramePath[s.FrameCount]);
    ++s.FrameCount;
    shutterSignal(ctx);
    ShowCapturedFrame(ctx.album, s.FrameCount);
    ctx.album.show();
    ctx.album.raise();
}

void ShowCapturedFrame(TAlbum& album, std::uint32_t k) {
    AlbumStrip& strip = album.strip;
    const int newest = static_cast<int>(k) - 1;
    if (strip.StripFull == 0) {
        const int s = strip.NextSlot + 1;
        // A slot records the frame it shows, also when an earlier capture failed to load and
        // this frame fills its slot; the start-up selection of slot 1 follows its frame.
        album.loadSlot(s, newest);
        if (s == 1)
            strip.SelectedFrame = newest;
        if (s < 3)
            album.ScrollBar->setEnabled(false);
    } else {
        // The last position shows the newest frame, whatever captures failed before.
        album.ScrollBar->setMaximum(newest);
        album.ScrollBar->setValue(newest);
        album.ScrollBar->setEnabled(true);
        album.loadSlot(1, newest - 2);
        album.loadSlot(2, newest - 1);
        album.loadSlot(3, newest);
        strip.SelectedSlot = strip.slotShowingSelection();
    }
    if (strip.NextSlot < 2)
        ++strip.NextSlot;
    else
        strip.StripFull = 1;

    album.highlight(strip.SelectedSlot);
    album.writeStatus(resources::kCaptureFramesBuffer);
}

} // namespace album
