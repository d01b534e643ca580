#include "playback/Clocks.h"
#include "playback/Sizing.h"

#include <gtest/gtest.h>

namespace {

TEST(PlaybackSizing, TheWindowFitsAroundTheVideo) {
    const struct {
        int w, h;
        playback::AnimateLayout want;
    } cases[] = {
        // panel w, h; video x, y; client w, h; player top
        {100, 80, {218, 186, 59, 53, 228, 247, 191}},
        {320, 240, {340, 260, 10, 10, 350, 321, 265}},
        {217, 185, {218, 186, 0, 0, 228, 247, 191}},
        {218, 186, {238, 206, 10, 10, 248, 267, 211}},
        {99, 80, {218, 186, 59, 53, 228, 247, 191}},
        // A file without a picture keeps the design layout.
        {0, 0, {218, 186, 109, 93, 228, 247, 191}},
    };
    for (const auto& c : cases) {
        const playback::AnimateLayout l = playback::fitToVideo(c.w, c.h);
        const std::string at = std::to_string(c.w) + " x " + std::to_string(c.h);
        EXPECT_EQ(l.panelWidth, c.want.panelWidth) << at;
        EXPECT_EQ(l.panelHeight, c.want.panelHeight) << at;
        EXPECT_EQ(l.videoLeft, c.want.videoLeft) << at;
        EXPECT_EQ(l.videoTop, c.want.videoTop) << at;
        EXPECT_EQ(l.clientWidth, c.want.clientWidth) << at;
        EXPECT_EQ(l.clientHeight, c.want.clientHeight) << at;
        EXPECT_EQ(l.playerTop, c.want.playerTop) << at;
    }
}

TEST(PlaybackClocks, DigitsAndTrackRanges) {
    const struct {
        std::uint32_t ms;
        std::uint32_t min10, min1, sec10, sec1;
        int maximum, frequency;
    } cases[] = {
        {59999, 0, 0, 5, 9, 59, 5},    {10999, 0, 0, 1, 0, 10, 1},
        {11000, 0, 0, 1, 1, 11, 1},    {25000, 0, 0, 2, 5, 25, 2},
        {999, 0, 0, 0, 0, 0, 1},       {6000000, 10, 0, 0, 0, 6000, 600},
        {75000, 0, 1, 1, 5, 75, 7},    {1999, 0, 0, 0, 1, 1, 1},
        {599999, 0, 9, 5, 9, 599, 59}, {600000, 1, 0, 0, 0, 600, 60},
    };
    for (const auto& c : cases) {
        const playback::ClockDigits d = playback::clockOf(c.ms / 1000);
        EXPECT_EQ(d.min10, c.min10) << c.ms;
        EXPECT_EQ(d.min1, c.min1) << c.ms;
        EXPECT_EQ(d.sec10, c.sec10) << c.ms;
        EXPECT_EQ(d.sec1, c.sec1) << c.ms;
        const playback::TrackRange r = playback::trackRangeOf(c.ms);
        EXPECT_EQ(r.maximum, c.maximum) << c.ms;
        EXPECT_EQ(r.frequency, c.frequency) << c.ms;
    }
}

} // namespace
