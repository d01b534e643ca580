#include "Support.h"

#include "album/Capture.h"
#include "album/Format.h"
#include "album/Show.h"
#include "ui/ErrorReport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Frame i is a plain picture of its own colour, so that a thumbnail tells which it is.
QColor colourOf(int frame) {
    return QColor::fromHsv((frame * 37) % 360, 255, 200);
}

void writeFrames(const test::StartDir& dir, int count) {
    for (int i = 0; i < count; ++i) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colourOf(i));
        ASSERT_TRUE(picture.save(dir.path() + QStringLiteral("/Frame%1.bmp").arg(i), "BMP"));
    }
}

// One step of a run: a capture, a scroll to a position, or a click on a slot.
struct Step {
    enum Kind { Capture, Scroll, Click } kind;
    int arg; // scroll position or slot
    std::array<int, 3> shown;
    int selectedSlot;
    const char* status;
    bool scrollEnabled;
    int scrollMax;
    int scrollValue;
};

class StripRun : public ::testing::Test {
protected:
    test::TestProgram run{R"({"drivers":[]})"};
    album::TAlbum& album = run.program.Album();
    app::MainState& state = run.program.state();

    // `count` frames written and captured one after another.
    void captureFrames(int count) {
        writeFrames(run.dir, count);
        for (int i = 0; i < count; ++i) {
            ++state.FrameCount;
            album::ShowCapturedFrame(album, state.FrameCount);
        }
    }

    void play(const std::vector<Step>& steps) {
        int n = 0;
        for (const Step& step : steps) {
            ++n;
            switch (step.kind) {
            case Step::Capture:
                ++state.FrameCount;
                album::ShowCapturedFrame(album, state.FrameCount);
                break;
            case Step::Scroll:
                album.ScrollBarScroll(step.arg);
                break;
            case Step::Click:
                step.arg == 1   ? album.ImageFrame1Click()
                : step.arg == 2 ? album.ImageFrame2Click()
                                : album.ImageFrame3Click();
                break;
            }
            const album::AlbumStrip& strip = album.strip;
            const std::array<int, 3> shown{strip.SlotFrame[1], strip.SlotFrame[2],
                                           strip.SlotFrame[3]};
            EXPECT_EQ(shown, step.shown) << "step " << n;
            EXPECT_EQ(strip.SelectedSlot, step.selectedSlot) << "step " << n;
            for (int s = 1; s <= 3; ++s)
                EXPECT_EQ(album.isHighlighted(s), s == step.selectedSlot) << "step " << n;
            EXPECT_EQ(album.statusText(), step.status) << "step " << n;
            EXPECT_EQ(album.ScrollBar->isEnabled(), step.scrollEnabled) << "step " << n;
            EXPECT_EQ(album.ScrollBar->minimum(), 2) << "step " << n;
            EXPECT_EQ(album.ScrollBar->maximum(), step.scrollMax) << "step " << n;
            EXPECT_EQ(album.ScrollBar->value(), step.scrollValue) << "step " << n;
            // Every filled slot shows the picture of the frame it records.
            const int filled = std::min<int>(3, static_cast<int>(state.FrameCount));
            for (int s = 1; s <= filled; ++s)
                EXPECT_EQ(album.thumbnail(s).pixelColor(40, 30).rgb(),
                          colourOf(strip.SlotFrame[s]).rgb())
                    << "step " << n << " slot " << s;
        }
    }
};

TEST_F(StripRun, StartsWithFrameZeroSelectedInSlotOne) {
    EXPECT_EQ(album.statusText(), "1 / 0 Frames");
    EXPECT_EQ(album.strip.SelectedSlot, 1);
    EXPECT_TRUE(album.isHighlighted(1));
    EXPECT_FALSE(album.isHighlighted(2));
    EXPECT_EQ(album.ScrollBar->value(), 2);
}

// The highlight is a sunken frame whose edges show on the black film: two rings, a lowered
// outer one (dark above and left, light below and right) around a raised inner one.
TEST_F(StripRun, TheSelectedSlotsBevelShowsOnTheFilm) {
    writeFrames(run.dir, 1);
    ++state.FrameCount;
    album::ShowCapturedFrame(album, state.FrameCount);
    album.show();
    const QImage panel = album.PanelAlbum[1]->grab().toImage();
    const int right = panel.width() - 1, bottom = panel.height() - 1;
    const auto grey = [&](int x, int y) { return qGray(panel.pixel(x, y)); };
    EXPECT_GT(grey(0, 0), 64) << "outer ring, top left";
    EXPECT_GT(grey(1, 1), 64) << "inner ring, top left";
    EXPECT_LT(grey(0, 0), grey(right, bottom)) << "the outer ring is lowered";
    EXPECT_GT(grey(1, 1), grey(right - 1, bottom - 1)) << "the inner ring is raised";
}

TEST_F(StripRun, CapturesFillThenAdvanceAndScrollingMatchesTheSelection) {
    writeFrames(run.dir, 8);
    using S = Step;
    play({
        {S::Capture, 0, {0, 0, 0}, 1, "1 / 1 Frames", false, 2, 2},
        {S::Click, 2, {0, 0, 0}, 1, "1 / 1 Frames", false, 2, 2}, // empty slot: ignored
        {S::Click, 3, {0, 0, 0}, 1, "1 / 1 Frames", false, 2, 2},
        {S::Capture, 0, {0, 1, 0}, 1, "1 / 2 Frames", false, 2, 2},
        {S::Click, 2, {0, 1, 0}, 2, "2 / 2 Frames", false, 2, 2},
        {S::Click, 1, {0, 1, 0}, 1, "1 / 2 Frames", false, 2, 2},
        {S::Click, 1, {0, 1, 0}, 1, "1 / 2 Frames", false, 2, 2}, // same slot again
        {S::Capture, 0, {0, 1, 2}, 1, "1 / 3 Frames", false, 2, 2},
        // Fourth capture with frame 0 selected: it leaves the strip, no slot is lit.
        {S::Capture, 0, {1, 2, 3}, 0, "1 / 4 Frames", true, 3, 3},
        {S::Scroll, 2, {0, 1, 2}, 1, "1 / 4 Frames", true, 3, 2},
        {S::Scroll, 3, {1, 2, 3}, 0, "1 / 4 Frames", true, 3, 3},
        {S::Capture, 0, {2, 3, 4}, 0, "1 / 5 Frames", true, 4, 4},
        {S::Capture, 0, {3, 4, 5}, 0, "1 / 6 Frames", true, 5, 5},
        {S::Click, 2, {3, 4, 5}, 2, "5 / 6 Frames", true, 5, 5},
        {S::Scroll, 4, {2, 3, 4}, 3, "5 / 6 Frames", true, 5, 4},
        {S::Scroll, 5, {3, 4, 5}, 2, "5 / 6 Frames", true, 5, 5},
        {S::Click, 3, {3, 4, 5}, 3, "6 / 6 Frames", true, 5, 5},
        {S::Scroll, 4, {2, 3, 4}, 0, "6 / 6 Frames", true, 5, 4},
        {S::Scroll, 5, {3, 4, 5}, 3, "6 / 6 Frames", true, 5, 5},
        {S::Scroll, 5, {3, 4, 5}, 3, "6 / 6 Frames", true, 5, 5}, // same position reloads
        // A capture while scrolled back jumps to the newest frames.
        {S::Scroll, 2, {0, 1, 2}, 0, "6 / 6 Frames", true, 5, 2},
        {S::Capture, 0, {4, 5, 6}, 2, "6 / 7 Frames", true, 6, 6},
    });
}

TEST_F(StripRun, UserScrollActionsStayInRangeAndMoveByThreeAPage) {
    captureFrames(8);
    ASSERT_EQ(album.ScrollBar->value(), 7);
    struct Row {
        QAbstractSlider::SliderAction action;
        int position;
    } rows[] = {
        {QAbstractSlider::SliderPageStepSub, 4},   {QAbstractSlider::SliderPageStepSub, 2},
        {QAbstractSlider::SliderSingleStepSub, 2}, {QAbstractSlider::SliderSingleStepAdd, 3},
        {QAbstractSlider::SliderToMaximum, 7},     {QAbstractSlider::SliderSingleStepAdd, 7},
    };
    for (const Row& r : rows) {
        album.ScrollBar->triggerAction(r.action);
        EXPECT_EQ(album.ScrollBar->value(), r.position);
        EXPECT_EQ(album.strip.SlotFrame[3], r.position);
    }
}

TEST_F(StripRun, AScrollStepThatCannotLoadEveryFrameChangesNothing) {
    captureFrames(6);
    {
        test::ReportsTo reports(run.messages);
        album.ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        album.ImageFrame1Click(); // frame 2 selected, in slot 1
        ASSERT_EQ(album.statusText(), "3 / 6 Frames");
        // Lost behind the program's back: one line up would show frames 1, 2, 3.
        ASSERT_TRUE(QFile::remove(state.FramePath[2]));
        album.ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        test::settle();
    }

    ASSERT_EQ(run.messages.errors.size(), 1u);
    EXPECT_TRUE(run.messages.errors[0].text.contains("Frame2.bmp"));
    const std::array<int, 3> shown{album.strip.SlotFrame[1], album.strip.SlotFrame[2],
                                   album.strip.SlotFrame[3]};
    EXPECT_EQ(shown, (std::array<int, 3>{2, 3, 4}));
    EXPECT_EQ(album.ScrollBar->value(), 4);
    EXPECT_EQ(album.ScrollBar->sliderPosition(), 4);
    EXPECT_EQ(album.strip.SelectedSlot, 1);
    EXPECT_EQ(album.statusText(), "3 / 6 Frames");

    // The BMP export writes the frame the status line names.
    run.program.FormatJpeg().settings.SaveAsJpeg = false;
    const QString target = run.dir.path() + "/kept.bmp";
    run.fileDialogs.answers = {target};
    album.B_SaveClick();
    EXPECT_EQ(QImage(target).pixelColor(10, 10).rgb(), colourOf(2).rgb());
}

TEST_F(StripRun, AFrameFileRewrittenWhileOnShowIsShownAsItIsNow) {
    captureFrames(6); // frames 3, 4, 5 on show
    // Rewritten in place, same size and name, and replaced by another file.
    QImage changed(64, 48, QImage::Format_RGB32);
    changed.fill(colourOf(40));
    ASSERT_TRUE(changed.save(state.FramePath[4], "BMP"));
    changed.fill(colourOf(50));
    ASSERT_TRUE(changed.save(run.dir.path() + "/other.bmp", "BMP"));
    ASSERT_TRUE(QFile::remove(state.FramePath[3]));
    ASSERT_TRUE(QFile::rename(run.dir.path() + "/other.bmp", state.FramePath[3]));
    album.ScrollBarScroll(4); // frames 2, 3, 4
    EXPECT_EQ(album.thumbnail(2).pixelColor(40, 30).rgb(), colourOf(50).rgb());
    EXPECT_EQ(album.thumbnail(3).pixelColor(40, 30).rgb(), colourOf(40).rgb());
    EXPECT_EQ(album.SlotPicture[3].pixelColor(10, 10).rgb(), colourOf(40).rgb());
    album.ScrollBarScroll(5); // and back: frame 5 as it was
    EXPECT_EQ(album.thumbnail(3).pixelColor(40, 30).rgb(), colourOf(5).rgb());
}

TEST_F(StripRun, AHeldArrowWhoseStepFailsGivesOneReportAndTheBarWorksOn) {
    captureFrames(6);
    album.show();
    std::optional<test::ReportsTo> reports(std::in_place, run.messages);
    ASSERT_TRUE(QFile::remove(state.FramePath[2])); // one line up would show it
    const QPoint upArrow(9, 4);
    QTest::mousePress(album.ScrollBar, Qt::LeftButton, {}, upArrow);
    EXPECT_TRUE(run.messages.errors.empty()) << "the box opened inside the press";
    // Held past the moment the arrow starts repeating; the event loop runs meanwhile.
    QTest::qWait(1200);
    QTest::mouseRelease(album.ScrollBar, Qt::LeftButton, {}, upArrow);
    test::settle();
    EXPECT_EQ(run.messages.errors.size(), 1u);
    EXPECT_EQ(album.ScrollBar->value(), 5);

    writeFrames(run.dir, 3); // the frame is back
    QTest::mouseClick(album.ScrollBar, Qt::LeftButton, {}, upArrow);
    test::settle();
    reports.reset();
    EXPECT_EQ(album.ScrollBar->value(), 4);
    EXPECT_EQ(album.strip.SlotFrame[1], 2);
    EXPECT_EQ(run.messages.errors.size(), 1u);
}

TEST_F(StripRun, EveryEntryOfTheScrollBarsMenuRunsTheScrollHandlerOnce) {
    captureFrames(9);
    album.show();
    struct Row {
        const char* entry;
        int y; // where the menu is asked for
        int position;
    } rows[] = {{"Top", 100, 2},        {"Page down", 100, 5},  {"Scroll down", 100, 6},
                {"Bottom", 100, 8},     {"Page up", 100, 5},    {"Scroll up", 100, 4},
                {"Scroll here", 20, 2}, {"Scroll here", 175, 8}};
    for (const Row& r : rows) {
        QSignalSpy actions(album.ScrollBar, &QAbstractSlider::actionTriggered);
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* action : menu->actions())
                if (action->text() == QLatin1String(r.entry))
                    menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent ask(QContextMenuEvent::Mouse, QPoint(9, r.y),
                              album.ScrollBar->mapToGlobal(QPoint(9, r.y)));
        QCoreApplication::sendEvent(album.ScrollBar, &ask);
        EXPECT_EQ(actions.count(), 1) << r.entry;
        EXPECT_EQ(album.ScrollBar->value(), r.position) << r.entry;
        // The thumb and the strip agree.
        EXPECT_EQ(album.strip.SlotFrame[3], album.ScrollBar->value()) << r.entry;
    }
}

TEST_F(StripRun, AFailedLoadWhileFillingLeavesTheSlotForTheNextFrame) {
    writeFrames(run.dir, 3);
    ASSERT_TRUE(QFile::remove(state.FramePath[0]));
    ++state.FrameCount;
    EXPECT_THROW(album::ShowCapturedFrame(album, state.FrameCount), ui::ToolkitError);
    EXPECT_EQ(album.strip.NextSlot, 0);
    EXPECT_EQ(album.strip.StripFull, 0);

    // The next capture fills slot 1 with its own frame, which the selection follows.
    ++state.FrameCount;
    album::ShowCapturedFrame(album, state.FrameCount);
    EXPECT_EQ(album.strip.SlotFrame[1], 1);
    EXPECT_EQ(album.strip.SelectedFrame, 1);
    EXPECT_EQ(album.statusText(), "2 / 2 Frames");
    ++state.FrameCount;
    album::ShowCapturedFrame(album, state.FrameCount);
    EXPECT_EQ(album.strip.SlotFrame[2], 2);
    album.ImageFrame2Click();
    EXPECT_EQ(album.statusText(), "3 / 3 Frames");
}

TEST_F(StripRun, NothingReadsPastTheHundredPaths) {
    EXPECT_THROW(album.loadSlot(3, 100), ui::ToolkitError);
    EXPECT_THROW(album.loadSlot(1, -1), ui::ToolkitError);
    EXPECT_THROW(album.ScrollBarScroll(1), ui::ToolkitError);
}

} // namespace
