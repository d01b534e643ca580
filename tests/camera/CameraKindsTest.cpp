// What real cameras do beyond the common webcam: a node the user may not open, an infrared
// node, a camera slow to its first picture or slowed by low light, a format answered with
// another, rates that are no whole numbers.

#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/dialogs/FormatDialog.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// No permission to the node: it is listed under the system's name for it, start-up goes on to
// the next driver, and one box and the status line say why and what to do. Choosing it in
// "Select Source" brings the notice, and the status line the reason.
TEST(CameraAccess, ANodeTheUserMayNotOpenIsSaidWithWhatToDo) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","metaNode":"video1","card":"Integrated Camera",
        "openError":"EACCES"}])");
    test::ReportsTo reported(camera.run.messages);
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    const QString why = QStringLiteral("Cannot open Integrated Camera (%1/video0): Permission "
                                       "denied. Your user may need to be in the \"video\" group.")
                            .arg(camera.cameras.deviceDirectory());
    EXPECT_EQ(s.DriverName[0], "Integrated Camera");
    EXPECT_EQ(s.DriverName[1], "Test Pattern");
    EXPECT_EQ(s.DriverIndex, 1) << "start-up goes on to the test pattern";
    EXPECT_EQ(form.statusText(), why);
    test::settle();
    ASSERT_EQ(camera.run.messages.errors.size(), 1u);
    EXPECT_EQ(camera.run.messages.errors[0].text, why);

    test::selectSource(camera.run, 0, 30);
    EXPECT_EQ(s.Connected, 0);
    // (Looked at before the pointer's hints can take the status line.)
    EXPECT_EQ(form.statusText(), why);
    test::settle();
    EXPECT_EQ(camera.run.messages.errors.size(), 1u) << "the notice is the one box";
}

// An infrared node (every format grey) is listed in device order, but start-up takes a colour
// camera after it; chosen, it previews in grey.
TEST(CameraKinds, AnInfraredNodeIsListedButNotTakenAtStartUp) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([
        {"node":"video0","metaNode":"video1","card":"Integrated Camera: Integrated I",
         "bus":"usb-0000:00:14.0-8","formats":[{"fourcc":"GREY","sizes":[[640,360,[15]]]}]},
        {"node":"video2","metaNode":"video3","card":"Integrated Camera: Integrated C",
         "bus":"usb-0000:00:14.0-8","formats":[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]}])");
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    EXPECT_EQ(s.DriverName[0], "Integrated Camera: Integrated I");
    EXPECT_EQ(s.DriverIndex, 1);
    // One bus, two cameras: each has a key of its own.
    const platform::DriverTable& drivers = camera.run.capture.drivers();
    EXPECT_NE(drivers[0]->spec().devicePath, drivers[1]->spec().devicePath);

    test::selectSource(camera.run, 0, 30);
    ASSERT_EQ(s.DriverIndex, 0);
    const QImage grey = test::nextGrab(s);
    ASSERT_EQ(grey.size(), QSize(640, 360));
    const QRgb seen = grey.pixel(80, 240);
    EXPECT_TRUE(qRed(seen) == qGreen(seen) && qGreen(seen) == qBlue(seen)) << std::hex << seen;
}

// A camera that takes seconds over its first picture is said to be starting, not to have
// stopped; one in low light previews at the rate it gives, with nothing said.
TEST(CameraKinds, ASlowCameraIsWaitedFor) {
    REQUIRE_EMULATED_CAMERAS();
    struct Row {
        const char* name;
        const char* slow;
        bool starting;
    } rows[] = {{"first picture after 3.5 s, past the bound of a stalled preview",
                 R"("firstFrameDelayMs":3500)", true},
                {"half the rate asked", R"("rateDivisor":2)", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::CameraRun camera(std::string(R"([{"node":"video0","card":"Quorix Cam",)") + row.slow +
                               "}]");
        app::TMainForm& form = camera.run.program.MainForm();
        const app::MainState& s = camera.run.program.state();
        QStringList said;
        QObject::connect(s.CapWnd.data(), &platform::CaptureWindow::previewFailed, &form,
                         [&](const QString& why) { said << why; });
        form.show();
        if (row.starting) {
            EXPECT_TRUE(
                test::waitUntil([&] { return form.statusText().endsWith("is starting..."); }, 2500))
                << form.statusText().toStdString();
            EXPECT_TRUE(form.statusText().startsWith("Quorix Cam ("))
                << form.statusText().toStdString();
        }
        QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
        ASSERT_TRUE(frames.wait(6000)) << "no picture";
        QTest::qWait(1500);
        EXPECT_GT(frames.count(), 10) << "frames keep coming";
        EXPECT_TRUE(said.isEmpty()) << said.join('\n').toStdString();
        EXPECT_FALSE(form.statusText().endsWith("is starting...")) << "said once it has started";
    }
}

// A capture card answers one format with another: asked for I420 it gives NV12. The preview
// shows what it gives, and Video Format then shows the format in force.
TEST(CameraKinds, AFormatAnsweredWithAnotherIsShownAsGiven) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","card":"Cam Link 4K","controls":"none",
        "formats":[{"fourcc":"NV12","sizes":[[640,480,["1001/30000"]]]},
                   {"fourcc":"YU12","sizes":[[640,480,["1001/30000"]]]}],
        "answers":{"YU12":"NV12"}}])");
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(test::nextGrab(s).isNull());
    camera.run.driverDialogs = [](QDialog& dialog) {
        dynamic_cast<platform::VideoFormatDialog&>(dialog).Format->setCurrentIndex(1);
        return int(QDialog::Accepted);
    };
    camera.cameras.clearLog();
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    const QImage shown = test::nextGrab(s);
    EXPECT_LE(test::bandDifference(shown), 16);
    EXPECT_TRUE(camera.cameras.log().filter("S_FMT YU12").isEmpty())
        << camera.cameras.log().join('\n').toStdString();
    QString inForce;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        inForce = dynamic_cast<platform::VideoFormatDialog&>(dialog).Format->currentText();
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    EXPECT_EQ(inForce, "Y/UV 4:2:0");
}

// Rates that are no whole numbers are shown with their decimals and asked for exactly.
TEST(CameraKinds, FractionalRatesAreAskedExactly) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","card":"Quorix Cam","controls":"none",
        "formats":[{"fourcc":"YUYV","sizes":[[640,480,["1001/30000","2/15","1001/60000"]]]}]}])");
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(test::nextGrab(s).isNull());
    QStringList rates;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        rates = test::items(*format.Rate);
        format.Rate->setCurrentIndex(1);
        return int(QDialog::Accepted);
    };
    camera.cameras.clearLog();
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    EXPECT_EQ(rates, QStringList({"Default", "7.5 frames per second", "29.97 frames per second",
                                  "59.94 frames per second"}));
    EXPECT_TRUE(test::waitUntil([&] {
        return camera.cameras.log().contains("S_PARM 2/15 asked 2/15");
    })) << camera.cameras.log().join('\n').toStdString();
    ASSERT_FALSE(test::nextGrab(s).isNull());
    // The preview at 30 a second asks for 29.97, the rate that keeps up with it.
    camera.cameras.clearLog();
    test::selectSource(camera.run, 0, 30);
    EXPECT_TRUE(test::waitUntil([&] {
        return camera.cameras.log().contains("S_PARM 1001/30000 asked 1001/30000");
    })) << camera.cameras.log().join('\n').toStdString();
}

} // namespace
