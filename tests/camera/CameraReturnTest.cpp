// A camera pulled from its port during the preview comes back by itself when it is plugged in
// again: no click, its kept controls put back, captures going on in their numbering.

#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"

#include <QDialog>
#include <QDir>
#include <QSlider>
#include <QTest>

#include <functional>

namespace {

using test::kQuorixCamera;

// The Quorix camera with more fields (given as JSON members, each followed by a comma).
std::string quorixWith(const std::string& fields) {
    std::string camera = kQuorixCamera;
    return test::listOf(camera.insert(1, fields).c_str());
}

bool statusSays(const app::TMainForm& form, const QString& start, int ms = 5000) {
    return test::waitUntil([&] { return form.statusText().startsWith(start); }, ms);
}

// Unplugged during the preview and plugged in again, at its own node or at another one
// (another device took its number meanwhile): the preview comes back with the contrast the
// user kept set before the first frame, and a capture takes the next number.
TEST(CameraReturn, AnUnpluggedCameraComesBackByItself) {
    REQUIRE_EMULATED_CAMERAS();
    struct Case {
        const char* name;
        std::function<void(const test::EmulatedCameras&)> plugIn;
        QString node;
    };
    const Case cases[] = {
        {"at its node", [](const test::EmulatedCameras& cameras) { cameras.replug(); }, "video0"},
        {"at another node",
         [](const test::EmulatedCameras& cameras) {
             std::string moved = kQuorixCamera;
             moved.replace(moved.find("video0"), 6, "video2");
             moved.replace(moved.find("video1"), 6, "video3");
             cameras.reconfigure(test::listOf(moved.c_str()));
         },
         "video2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::CameraRun camera(test::listOf(kQuorixCamera));
        test::ReportsTo reported(camera.run.messages);
        app::TMainForm& form = camera.run.program.MainForm();
        const app::MainState& s = camera.run.program.state();
        form.show();
        ASSERT_FALSE(test::nextGrab(s).isNull());
        camera.run.driverDialogs = [](QDialog& dialog) {
            dialog.findChild<QSlider*>("Contrast")->setValue(50);
            dialog.accept();
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(form.B_Source, Qt::LeftButton);
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);

        camera.cameras.unplug();
        ASSERT_TRUE(statusSays(form, "The capture device was lost"))
            << form.statusText().toStdString();
        EXPECT_TRUE(form.statusText().endsWith("(waiting for it to come back)"))
            << form.statusText().toStdString();
        camera.cameras.clearLog();
        c.plugIn(camera.cameras);
        ASSERT_TRUE(statusSays(form, "The capture device is back: Quorix USB Camera"))
            << form.statusText().toStdString();
        EXPECT_TRUE(form.statusText().contains(c.node)) << form.statusText().toStdString();

        // The log is read once the preview shows a picture: the status says the camera is
        // back as its pipeline is made, and the stream starts after that.
        EXPECT_LE(test::bandDifference(test::nextGrab(s)), 16);
        const QStringList log = camera.cameras.log(c.node);
        const auto set = log.indexOf("S_CTRL 0x00980901 50");
        EXPECT_GE(set, 0) << log.join('\n').toStdString();
        // Before the preview's stream; the one before it only asked whether the camera streams.
        EXPECT_LT(set, log.lastIndexOf("STREAMON")) << log.join('\n').toStdString();
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
        test::settle();
        EXPECT_EQ(QDir(camera.run.dir.path()).entryList({"Frame*.bmp"}),
                  QStringList({"Frame0.bmp", "Frame1.bmp"}));
        EXPECT_TRUE(camera.run.messages.errors.empty())
            << camera.run.messages.errors.front().text.toStdString();
    }
}

// Plugged in again while another program holds it: waited for, the status line saying why and
// no box; it previews once that program lets go.
TEST(CameraReturn, ACameraBackButBusyIsWaitedFor) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(kQuorixCamera));
    test::ReportsTo reported(camera.run.messages);
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(test::nextGrab(s).isNull());
    camera.cameras.unplug();
    ASSERT_TRUE(statusSays(form, "The capture device was lost"));

    camera.cameras.reconfigure(quorixWith(R"("busy":"format",)"));
    camera.cameras.replug();
    ASSERT_TRUE(statusSays(form, "Quorix USB Camera")) << form.statusText().toStdString();
    EXPECT_TRUE(form.statusText().contains("is back but cannot stream: the device is busy"))
        << form.statusText().toStdString();
    EXPECT_TRUE(form.statusText().endsWith("Waiting for it...")) << form.statusText().toStdString();
    test::settle();
    EXPECT_TRUE(camera.run.messages.errors.empty())
        << camera.run.messages.errors.front().text.toStdString();

    camera.cameras.reconfigure(test::listOf(kQuorixCamera));
    ASSERT_TRUE(statusSays(form, "The capture device is back")) << form.statusText().toStdString();
    EXPECT_LE(test::bandDifference(test::nextGrab(s)), 16);
}

// Another driver chosen in "Select Source" while the camera is away: the camera plugged in
// again is left alone.
TEST(CameraReturn, AnotherDriverChosenWhileWaitingEndsTheWait) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(kQuorixCamera));
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(test::nextGrab(s).isNull());
    camera.cameras.unplug();
    ASSERT_TRUE(statusSays(form, "The capture device was lost"));
    test::selectSource(camera.run, 1, 30);
    ASSERT_EQ(s.DriverIndex, 1);
    camera.cameras.clearLog();
    camera.cameras.replug();
    // Nothing to wait for but time: the return is tried within moments when it is waited for.
    QTest::qWait(2500);
    EXPECT_FALSE(camera.cameras.log().contains("STREAMON"))
        << camera.cameras.log().join('\n').toStdString();
    EXPECT_EQ(s.DriverIndex, 1);
    EXPECT_FALSE(form.statusText().startsWith("The capture device is back"));
    EXPECT_FALSE(test::nextGrab(s).isNull()) << "the test pattern previews on";
}

} // namespace
