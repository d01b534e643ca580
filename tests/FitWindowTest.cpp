#include "capture/FitWindow.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct FitRow {
    std::uint32_t w, h;
    QSize frame;
    QSize client;
    QPoint capture;
};

void PrintTo(const FitRow& row, std::ostream* os) {
    *os << row.w << 'x' << row.h;
}

class FitToVideo : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitToVideo, PlacesFrameClientAndCaptureWindow) {
    const FitRow& row = GetParam();
    const QRect designFrame(3, 34, 277, 219);
    const capture::VideoFit fit = capture::fitToVideo(designFrame, row.w, row.h, 24);
    EXPECT_EQ(fit.frame, QRect(QPoint(3, 34), row.frame));
    EXPECT_EQ(fit.client, row.client);
    EXPECT_EQ(fit.capture, QRect(row.capture, QSize(int(row.w), int(row.h))));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FitToVideo,
    ::testing::Values(FitRow{160, 120, {238, 186}, {241, 244}, {42, 67}},
                      FitRow{176, 144, {238, 186}, {241, 244}, {34, 55}},
                      FitRow{320, 240, {340, 260}, {343, 318}, {13, 44}},
                      FitRow{352, 288, {372, 308}, {375, 366}, {13, 44}},
                      FitRow{640, 480, {660, 500}, {663, 558}, {13, 44}},
                      FitRow{704, 576, {704, 576}, {707, 634}, {3, 34}},
                      // Unknown widths keep the frame; a larger picture overhangs it, and
                      // the halves of odd negative differences round down.
                      FitRow{800, 600, {277, 219}, {280, 277}, {3 - 262, 34 - 191}},
                      FitRow{0, 0, {277, 219}, {280, 277}, {3 + 138, 34 + 109}},
                      // The height plays no part in the lookup.
                      FitRow{640, 10, {660, 500}, {663, 558}, {13, 279}}),
    [](const auto& info) {
        return "Picture" + std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
    });

TEST(FitToVideoFrame, AnUnknownWidthKeepsAFrameSizedEarlier) {
    const capture::VideoFit fit = capture::fitToVideo(QRect(3, 34, 660, 500), 800, 600, 24);
    EXPECT_EQ(fit.frame.size(), QSize(660, 500));
    EXPECT_EQ(fit.client, QSize(663, 558));
    EXPECT_EQ(fit.capture.topLeft(), QPoint(3 - 70, 34 - 50));
}

} // namespace
