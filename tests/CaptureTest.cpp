#include "BmpHeader.h"
#include "Support.h"

#include "album/Fimage.h"
#include "album/Notice.h"
#include "album/Show.h"
#include "app/Main.h"
#include "platform/registry/Registry.h"
#include "ui/ErrorReport.h"
#include "ui/Shape.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr char kOneDriver[] =
    R"({"drivers":[{"index":0,"name":"Quorix","width":320,"height":240}]})";

struct CaptureRun : ::testing::Test {
    test::TestProgram run{kOneDriver};
    app::TMainForm& main = run.program.MainForm();
    album::TAlbum& album = run.program.Album();
    app::MainState& state = run.program.state();
    test::ReportsTo reports{run.messages};

    // The captures below take the live picture: the preview runs first. (A capture made
    // before the first frame waits only a moment for it, which a slow build's start-up,
    // such as the thread-checked one's, can outlast.)
    void SetUp() override {
        QSignalSpy painted(state.CapWnd.data(), &platform::CaptureWindow::framePainted);
        main.show();
        ASSERT_TRUE(painted.count() > 0 || painted.wait(5000)) << "the preview did not start";
    }
    void click() { QTest::mouseClick(main.B_CapFrames, Qt::LeftButton); }
};

TEST_F(CaptureRun, FiveCapturesWriteFiveFramesOfTheLivePicture) {
    for (int i = 0; i < 5; ++i)
        click();
    EXPECT_EQ(state.FrameCount, 5u);
    EXPECT_TRUE(run.messages.errors.empty());
    for (int i = 0; i < 5; ++i) {
        const QString path = run.dir.path() + QStringLiteral("/Frame%1.bmp").arg(i);
        const test::BmpHeader h = test::readBmpHeader(path);
        ASSERT_TRUE(h.valid) << path.toStdString();
        EXPECT_EQ(h.bitCount, 24);
        EXPECT_EQ(h.width, 320);
        EXPECT_EQ(h.height, 240);
        EXPECT_EQ(h.bfSize, h.fileSize);
        const QImage picture(path);
        // The test picture, not an empty black frame.
        EXPECT_NE(picture.pixelColor(40, 40), QColor(Qt::black));
    }
    EXPECT_FALSE(QFile::exists(run.dir.path() + "/Frame5.bmp"));
    EXPECT_TRUE(album.isVisible());
    EXPECT_EQ(album.pos(), QPoint(main.frameGeometry().right() + 1, 0));
    EXPECT_EQ(album.statusText(), "1 / 5 Frames");
    ASSERT_EQ(run.sound.played.size(), 5u);
    EXPECT_EQ(run.sound.played[0], run.dir.path() + "/system/Camera.wav");
}

TEST_F(CaptureRun, TheFrameFlashesWhiteWhileTheShutterSounds) {
    QColor during;
    run.sound.whilePlaying = [&] { during = main.SFrame->brushColor(); };
    click();
    EXPECT_EQ(during, QColor(Qt::white));
    EXPECT_EQ(main.SFrame->brushColor(), QColor(0, 0, 128));
}

TEST_F(CaptureRun, TheHundredthFrameIsTheLast) {
    state.FrameCount = 99;
    click();
    EXPECT_EQ(state.FrameCount, 100u);
    EXPECT_TRUE(QFile::exists(run.dir.path() + "/Frame99.bmp"));
    const QDateTime written = QFileInfo(run.dir.path() + "/Frame99.bmp").lastModified();

    click();
    EXPECT_EQ(state.FrameCount, 100u);
    ASSERT_EQ(run.messages.information.size(), 1u);
    EXPECT_TRUE(run.messages.information[0].text.contains("No more frames"));
    EXPECT_EQ(QDir(run.dir.path()).entryList({"Frame*.bmp"}).size(), 1);
    EXPECT_EQ(QFileInfo(run.dir.path() + "/Frame99.bmp").lastModified(), written);
    EXPECT_EQ(run.sound.played.size(), 1u);
}

TEST_F(CaptureRun, AFrameThatCannotBeWrittenIsReportedAndItsSlotStaysFree) {
    // Frames that cannot be written, as in a start-up directory that has gone away.
    const auto writable = state.FramePath;
    for (QString& path : state.FramePath)
        path = run.dir.path() + "/no-such-dir/" + QFileInfo(path).fileName();
    click();
    test::settle();
    ASSERT_EQ(run.messages.errors.size(), 1u);
    EXPECT_TRUE(run.messages.errors[0].text.contains("Frame0.bmp"));
    EXPECT_TRUE(run.messages.errors[0].text.contains("No such file or directory"))
        << run.messages.errors[0].text.toStdString();
    EXPECT_EQ(state.FrameCount, 1u);
    EXPECT_FALSE(album.isVisible());
    EXPECT_TRUE(run.sound.played.empty()) << "a shutter for a picture that was not taken";

    state.FramePath = writable;
    click();
    test::settle();
    EXPECT_EQ(run.messages.errors.size(), 1u);
    EXPECT_EQ(state.FrameCount, 2u);
    EXPECT_TRUE(QFile::exists(run.dir.path() + "/Frame1.bmp"));
    EXPECT_EQ(album.strip.SlotFrame[1], 1);
    EXPECT_EQ(album.statusText(), "2 / 2 Frames");
    EXPECT_TRUE(album.isVisible());
}

TEST(CaptureFaults, ADriverThatNeverDeliversIsSaidAndWritesNothing) {
    test::TestProgram run(
        R"({"drivers":[{"index":0,"name":"Mute","width":64,"height":48,"stallAfterFrames":0}]})");
    app::TMainForm& main = run.program.MainForm();
    // A frame of an earlier run under the name this capture would take.
    QImage old(64, 48, QImage::Format_RGB32);
    old.fill(Qt::red);
    ASSERT_TRUE(old.save(run.program.state().FramePath[0], "BMP"));
    {
        test::ReportsTo reports(run.messages);
        QTest::mouseClick(main.B_CapFrames, Qt::LeftButton);
        test::settle();
    }
    ASSERT_EQ(run.messages.errors.size(), 1u);
    EXPECT_TRUE(run.messages.errors[0].text.contains("delivered no picture"))
        << run.messages.errors[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(run.program.state().FramePath[0]));
    EXPECT_FALSE(run.program.Album().isVisible());
    // The album never takes the old file for frame 0.
    EXPECT_THROW(run.program.Album().loadSlot(1, 0), ui::ToolkitError);

    // The status line says the preview has stalled, once a first picture has had its time
    // to come: a test picture's three seconds (a camera has ten).
    for (int waited = 0; waited < 130 && !main.statusText().contains("stopped"); ++waited)
        QTest::qWait(100);
    EXPECT_TRUE(main.statusText().contains("delivered no picture for 3 seconds"))
        << main.statusText().toStdString();
}

TEST_F(CaptureRun, ZoomShowsTheSelectedFrameBesideTheAlbumOnce) {
    click();
    album.B_ZoomClick();
    album::TFrame& viewer = run.program.Frame();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.windowTitle(), "Frame 0");
    EXPECT_EQ(viewer.size(), QSize(320, 240));
    EXPECT_EQ(viewer.pos(), QPoint(album.frameGeometry().right() + 1, 0));
    EXPECT_FALSE(viewer.FirstFrameShow);

    // A later zoom on another frame keeps the viewer where the user put it.
    click();
    album.ImageFrame2Click();
    viewer.move(5, 300);
    album.B_ZoomClick();
    EXPECT_EQ(viewer.windowTitle(), "Frame 1");
    EXPECT_EQ(viewer.pos(), QPoint(5, 300));
    EXPECT_TRUE(run.modal.shown.empty());
}

TEST_F(CaptureRun, ZoomWithoutASelectionShowsTheNotice) {
    for (int i = 0; i < 4; ++i)
        click(); // frame 0 stays selected and leaves the strip
    ASSERT_EQ(album.strip.SelectedSlot, 0);
    album.move(400, 100);
    QPoint noticeAt;
    QString noticeText;
    run.modal.answer = [&](QDialog& dialog) {
        noticeAt = dialog.pos();
        noticeText = run.program.FNotice().StaticText->text();
        return int(QDialog::Accepted);
    };
    album.B_ZoomClick();
    EXPECT_EQ(run.modal.shown, std::vector<QString>{"FNotice"});
    EXPECT_EQ(noticeText, "Please select one frame first.");
    EXPECT_EQ(noticeAt, QPoint(400, 170));
    EXPECT_FALSE(run.program.Frame().isVisible());
}

TEST_F(CaptureRun, ZoomOnALostFileKeepsTheViewerAsItWas) {
    click();
    album.B_ZoomClick();
    run.program.Frame().hide();
    ASSERT_TRUE(QFile::remove(state.FramePath[0]));
    EXPECT_THROW(album.B_ZoomClick(), ui::ToolkitError);
    EXPECT_EQ(run.program.Frame().windowTitle(), "Frame 0");
    EXPECT_FALSE(run.program.Frame().isVisible());
}

TEST(CaptureWithoutDriver, ClicksOnlyPlaceTheAlbum) {
    test::TestProgram run(R"({"drivers":[]})");
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(run.program.MainForm().B_CapFrames, Qt::LeftButton);
    EXPECT_EQ(run.program.state().FrameCount, 0u);
    EXPECT_TRUE(QDir(run.dir.path()).entryList({"Frame*.bmp"}).isEmpty());
    EXPECT_FALSE(run.program.Album().isVisible());
    EXPECT_EQ(run.program.Album().pos(), QPoint(280, 0));
    EXPECT_TRUE(run.sound.played.empty());
}

TEST(CaptureSound, ALongSystemDirectoryIsUsedWhole) {
    test::StartDir dir;
    platform::CaptureService capture(test::simulatedDrivers(dir, kOneDriver));
    test::FakeHelp help;
    test::FakeSound sound;
    test::RecordedMessages messages;
    test::ScriptedModal modal;
    test::ScriptedFileDialogs fileDialogs;
    const QString longDir = dir.path() + "/" + QString(120, 'd');
    platform::JsonRegistry registry(dir.path() + "/registry.json");
    app::Program program({capture, help, sound, messages, modal, fileDialogs, longDir, registry});
    QSignalSpy painted(program.state().CapWnd.data(), &platform::CaptureWindow::framePainted);
    program.MainForm().show();
    ASSERT_TRUE(painted.count() > 0 || painted.wait(5000)) << "the preview did not start";
    QTest::mouseClick(program.MainForm().B_CapFrames, Qt::LeftButton);
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0], longDir + "/Camera.wav");
}

} // namespace
