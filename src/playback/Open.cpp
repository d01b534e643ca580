#include "playback/Open.h"

#include "album/Fimage.h"
#include "album/PictureLoad.h"
#include "app/Main.h"
#include "app/MainState.h"
#include "app/Placement.h"
#include "playback/Clocks.h"
#include "playback/Sizing.h"
#include "playback/Video.h"
#include "ui/Placement.h"

#include <QFileInfo>

namespace playback {

void OpenDialogShow(app::MainState& s, const ui::OpenDialogState& dialog) {
    s.OpenFilterIndex = dialog.filterIndex;
    s.OpenDialogPath = dialog.path;
}

void OpenDialogSelectionChange(app::MainState& s, const ui::OpenDialogState& dialog) {
    if (dialog.path == s.OpenDialogPath)
        return;
    s.OpenFilterIndex = dialog.filterIndex;
    s.OpenDialogPath = dialog.path;
}

void OpenMedia(const OpenContext& ctx) {
    app::MainState& s = ctx.state;
    const auto chosen = ctx.fileDialogs.getOpenFileName(
        &ctx.main, {ctx.dialog.Filter, ctx.dialog.FilterIndex, QString(), ctx.dialog.FileName},
        {[&s](const ui::OpenDialogState& d) { OpenDialogShow(s, d); },
         [&s](const ui::OpenDialogState& d) { OpenDialogSelectionChange(s, d); }});
    if (!chosen)
        return;
    ctx.dialog.FilterIndex = chosen->filterIndex;
    ctx.dialog.FileName = chosen->path;
    if (s.OpenFilterIndex == kAviFilter)
        OpenAvi(ctx, chosen->path);
    else
        OpenBmp(ctx, chosen->path);
}

void OpenAvi(const OpenContext& ctx, const QString& path) {
    TFAnimate& animate = ctx.animate;
    TMediaPlayer& player = *animate.MediaPlayer;
    if (ctx.state.FirstAnimateShow) {
        app::PlaceBesideMain(ctx.main, animate);
        ctx.state.FirstAnimateShow = false;
    }
    player.FileName = path;
    player.Open();
    player.setTimeFormatMilliseconds();
    animate.setWindowTitle(player.FileName);
    animate.setLengthClock(player.Length() / 1000);

    // Without a picture the rectangle is empty, which keeps the design layout.
    const QRect natural = player.DisplayRect();
    const AnimateLayout l = fitToVideo(natural.width(), natural.height());
    animate.Panel1->resize(l.panelWidth, l.panelHeight);
    animate.setClientSize(l.clientWidth, l.clientHeight);
    animate.MediaPlayer->move(animate.MediaPlayer->x(), l.playerTop);
    if (!natural.isEmpty())
        player.setDisplayRect(QRect(l.videoLeft, l.videoTop, 0, 0));

    animate.TrackBar->setMinimum(0);
    const TrackRange range = trackRangeOf(player.Length());
    animate.TrackBar->setMaximum(range.maximum);
    animate.TrackBar->setTickInterval(range.frequency);

    animate.show();
    ui::bringToFront(animate);
}

void OpenBmp(const OpenContext& ctx, const QString& path) {
    album::TFrame& viewer = ctx.frame;
    // The picture type follows the extension, as the dialog offers BMP files: a file of
    // another kind under that name is refused rather than guessed at.
    viewer.showFrame(album::loadPicture(path, QFileInfo(path).suffix().toLower().toLatin1()), path);
    if (viewer.FirstFrameShow) {
        app::PlaceBesideMain(ctx.main, viewer);
        viewer.FirstFrameShow = false;
    }
    viewer.show();
    ui::bringToFront(viewer);
}

} // namespace playback
