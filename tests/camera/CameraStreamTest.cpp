#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"
#include "capture/Config.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "ui/ErrorReport.h"

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace {

bool waitForStatus(app::TMainForm& form, const QString& start) {
    return test::waitUntil([&] { return form.statusText().startsWith(start); }, 8000);
}

using test::selectSource;

// A capture writes the camera's picture, raw or compressed, within the rounding of its
// colour conversion.
TEST(CameraCapture, WritesTheCamerasPicture) {
    REQUIRE_EMULATED_CAMERAS();
    for (const char* fourcc : {"YUYV", "MJPG"}) {
        SCOPED_TRACE(fourcc);
        test::CameraRun camera(std::string(R"([{"node":"video0","card":"Quorix USB Camera",
            "formats":[{"fourcc":")") +
                               fourcc + R"(","sizes":[[640,480,[30]]]}]}])");
        app::TMainForm& form = camera.run.program.MainForm();
        form.show();
        QSignalSpy frames(camera.run.program.state().CapWnd.data(),
                          &platform::CaptureWindow::framePainted);
        ASSERT_TRUE(frames.wait(5000));
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
        const QImage frame(camera.run.dir.path() + "/Frame0.bmp");
        EXPECT_EQ(frame.size(), QSize(640, 480));
        EXPECT_LE(test::bandDifference(frame), 16);
        EXPECT_TRUE(camera.run.messages.errors.empty());
    }
}

// The preview rate is asked of the camera, not made by dropping frames: 15 in "Select
// Source" sets an interval of 1/15, and the window paints about half as often.
TEST(CameraRate, TheChosenRateIsTheCamerasInterval) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(test::kQuorixCamera));
    camera.run.program.MainForm().show();
    int painted[2] = {};
    for (const int fps : {15, 30}) {
        camera.cameras.clearLog();
        selectSource(camera.run, 0, fps);
        // The camera is set as its new stream starts.
        QSignalSpy frames(camera.run.program.state().CapWnd.data(),
                          &platform::CaptureWindow::framePainted);
        ASSERT_TRUE(frames.wait(5000));
        const QStringList parms = camera.cameras.log().filter(QRegularExpression("^S_PARM \\d"));
        ASSERT_FALSE(parms.isEmpty()) << camera.cameras.log().join('\n').toStdString();
        EXPECT_TRUE(parms.last().startsWith(QStringLiteral("S_PARM 1/%1 ").arg(fps)))
            << parms.last().toStdString();
        frames.clear();
        QTest::qWait(3000);
        painted[fps == 15 ? 0 : 1] = frames.count();
    }
    EXPECT_GT(painted[0], 15) << "at 15 frames a second";
    EXPECT_LT(painted[0], painted[1] * 3 / 4) << painted[0] << " against " << painted[1];
}

// Pulled from its port while it previews: the status line says so, a capture is refused
// with the reason, nothing hangs; plugged in again and chosen again, it previews again.
TEST(CameraLoss, AnUnpluggedCameraIsSaidAndReconnects) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(test::kQuorixCamera));
    test::ReportsTo reported(camera.run.messages);
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
    ASSERT_TRUE(frames.wait(5000));

    camera.cameras.unplug();
    EXPECT_TRUE(waitForStatus(form, "The capture device was lost"))
        << form.statusText().toStdString();
    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    test::settle();
    ASSERT_EQ(camera.run.messages.errors.size(), 1u);
    EXPECT_TRUE(camera.run.messages.errors[0].text.contains("lost"))
        << camera.run.messages.errors[0].text.toStdString();
    EXPECT_TRUE(QDir(camera.run.dir.path()).entryList({"Frame*.bmp"}).isEmpty());

    // Still gone: choosing it again fails and says so.
    selectSource(camera.run, 0, 30);
    EXPECT_FALSE(frames.wait(1500));

    camera.cameras.replug();
    selectSource(camera.run, 0, 30);
    frames.clear();
    EXPECT_TRUE(frames.wait(5000)) << "no picture after plugging the camera in again";
}

// Pulled out while its own dialogs are open: the dialogs close normally, what they ask
// fails with the reason, and the program runs on.
TEST(CameraLoss, UnpluggedWhileItsDialogsAreOpen) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(test::kQuorixCamera));
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
    ASSERT_TRUE(frames.wait(5000));

    QString problem;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        camera.cameras.unplug();
        dialog.findChild<QSlider*>("Brightness")->setValue(20);
        problem = dialog.findChild<QLabel*>("Problem")->text();
        dialog.reject();
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    EXPECT_TRUE(problem.startsWith("Cannot set Brightness:")) << problem.toStdString();

    camera.cameras.replug();
    selectSource(camera.run, 0, 30);
    frames.clear();
    ASSERT_TRUE(frames.wait(5000));
    camera.run.driverDialogs = [&](QDialog& dialog) {
        camera.cameras.unplug();
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        format.Sizes->setCurrentRow(format.Sizes->count() - 1);
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    EXPECT_TRUE(test::waitUntil([&] {
        return form.statusText().startsWith("The preview could not start") ||
               form.statusText().startsWith("The capture device was lost");
    })) << form.statusText().toStdString();
    EXPECT_TRUE(form.isVisible());
}

// Another program holds the camera: it connects but will not stream, whether it refuses its
// format or its stream. A box and the status line name the camera and why; the program
// runs on.
TEST(CameraBusy, ACameraThatWillNotStreamIsSaid) {
    REQUIRE_EMULATED_CAMERAS();
    for (const char* refuses : {"\"format\"", "\"streamon\""}) {
        SCOPED_TRACE(refuses);
        test::CameraRun camera(
            std::string(R"([{"node":"video0","card":"Quorix USB Camera","busy":)") + refuses +
            "}]");
        test::ReportsTo reported(camera.run.messages);
        app::TMainForm& form = camera.run.program.MainForm();
        // What the status line is given: the pointer resting on a button may put its hint
        // there afterwards.
        QSignalSpy said(camera.run.program.state().CapWnd.data(),
                        &platform::CaptureWindow::previewFailed);
        form.show();
        ASSERT_TRUE(test::waitUntil([&] { return !said.isEmpty(); }));
        EXPECT_TRUE(said.first().first().toString().startsWith(
            "The preview could not start: Quorix USB Camera ("))
            << said.first().first().toString().toStdString();
        test::settle();
        ASSERT_EQ(camera.run.messages.errors.size(), 1u);
        const QString box = camera.run.messages.errors[0].text;
        EXPECT_TRUE(box.contains(camera.cameras.deviceDirectory() + "/video0"))
            << box.toStdString();
        EXPECT_TRUE(box.contains("busy", Qt::CaseInsensitive)) << box.toStdString();
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
        test::settle();
        EXPECT_EQ(camera.run.messages.errors.size(), 2u) << "a capture is refused with the reason";
        EXPECT_TRUE(form.isVisible());
    }
}

} // namespace
