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

#include <QFile>

namespace album {

namespace {

// The frame around the video flashes white while the shutter sounds.
void shutterSignal(const CaptureContext& ctx) {
    const auto invalidateCapture = [&] {
        if (ctx.state.CapWnd)
            ctx.state.CapWnd->update();
    };
    // Only the frame's area changes: repainting the rest of the window would only cost time.
    const QRect frameArea = ctx.main.SFrame->geometry();
    ctx.main.SFrame->setBrushColor(Qt::white);
    invalidateCapture();
    ctx.main.repaint(frameArea);
    ctx.sound.playSync(ctx.systemDirectory + QStringLiteral("/Camera.wav"));
    ctx.main.SFrame->setBrushColor(app::TMainForm::kFrameColour);
    ctx.main.repaint(frameArea);
    invalidateCapture();
}

// Grabs the live picture and writes it to `path`; on failure, says why.
bool grabAndSave(const capture::CapHandle& wnd, const QString& path, QString& why) {
    if (!capture::capGrabFrameNoStop(wnd) || !capture::capFileSaveDib(wnd, path)) {
        why = capture::capLastError(wnd);
        return false;
    }
    return true;
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

    const std::uint32_t frame = s.FrameCount;
    const QString& path = s.FramePath[frame];
    QString why;
    const bool saved = grabAndSave(s.CapWnd, path, why);
    // The number is used up either way: numbers are never reused within a run.
    ++s.FrameCount;
    if (!saved) {
        // A file of this name from an earlier run must not pass for this capture.
        QFile::remove(path);
        s.FrameFault[frame] = why;
        throw ui::ToolkitError(
            QStringLiteral("Cannot capture frame %1 into \"%2\": %3.").arg(frame).arg(path, why));
    }
    s.FrameFault[frame].clear();
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
        album.loadSlots({{s, newest}});
        if (s == 1)
            strip.SelectedFrame = newest;
        if (s < 3)
            album.ScrollBar->setEnabled(false);
    } else {
        // The bar's range always reaches the newest frame, whatever captures failed before.
        album.ScrollBar->setMaximum(newest);
        album.ScrollBar->setEnabled(true);
        // All three load before anything changes: a frame that cannot be shown leaves the
        // strip, the bar's position and the selection as they were.
        album.loadSlots({{1, newest - 2}, {2, newest - 1}, {3, newest}});
        album.ScrollBar->setValue(newest);
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
