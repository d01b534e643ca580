#include "capture/FitWindow.h"

#include "app/Main.h"
#include "capture/CapLink.h"
#include "ui/Shape.h"

namespace capture {

namespace {

// Division rounding towards minus infinity, for signed centring offsets.
int halfDown(std::int64_t value) {
    return static_cast<int>(value >= 0 ? value / 2 : -((-value + 1) / 2));
}

} // namespace

namespace {

struct FrameRow {
    std::uint32_t pictureWidth;
    QSize frame;
};
constexpr FrameRow kFrameTable[] = {{160, {238, 186}}, {176, {238, 186}}, {320, {340, 260}},
                                    {352, {372, 308}}, {640, {660, 500}}, {704, {704, 576}}};

} // namespace

std::optional<QSize> frameSizeForWidth(std::uint32_t pictureWidth) {
    for (const FrameRow& row : kFrameTable)
        if (row.pictureWidth == pictureWidth)
            return row.frame;
    return std::nullopt;
}

platform::FittedWidths frameTableWidths() {
    platform::FittedWidths widths;
    for (const FrameRow& row : kFrameTable)
        widths.push_back(static_cast<int>(row.pictureWidth));
    return widths;
}

VideoFit fitToVideo(const QRect& frame, std::uint32_t w, std::uint32_t h, int statusBarHeight) {
    VideoFit fit;
    fit.frame = frame;
    if (const auto size = frameSizeForWidth(w))
        fit.frame.setSize(*size);
    fit.client =
        QSize(fit.frame.width() + 3, fit.frame.top() + fit.frame.height() + statusBarHeight);
    const int left = fit.frame.left() + halfDown(static_cast<std::int64_t>(fit.frame.width()) - w);
    const int top = fit.frame.top() + halfDown(static_cast<std::int64_t>(fit.frame.height()) - h);
    fit.capture = QRect(left, top, static_cast<int>(w), static_cast<int>(h));
    return fit;
}

void FitWindowToVideo(app::TMainForm& form, app::MainState& state) {
    capGetStatus(state.CapWnd, state.CapStatus);
    const VideoFit fit =
        fitToVideo(form.SFrame->geometry(), state.CapStatus.uiImageWidth,
                   state.CapStatus.uiImageHeight, app::TMainForm::kStatusBarHeight);
    form.SFrame->setGeometry(fit.frame);
    form.setClientSize(fit.client.width(), fit.client.height());
    // Moving the child keeps its place in the stacking order.
    if (state.CapWnd)
        state.CapWnd->setGeometry(fit.capture);
}

} // namespace capture
