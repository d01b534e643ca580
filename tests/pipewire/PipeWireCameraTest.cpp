// Cameras that PipeWire offers, against a real daemon and session manager of the test's own
// (run-with-pipewire.sh) and virtual camera nodes that stream through the real pipewiresrc.

#include "Support.h"
#include "VirtualCamera.h"
#include "camera/Emulated.h"

#include "app/Main.h"
#include "capture/Config.h"
#include "platform/capture/DriverTable.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "platform/capture/drivers/PipeWireDriver.h"
#include "platform/capture/pipewire/PipeWireMonitor.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr char kNode[] = "quorix-virtual-camera";
constexpr char kName[] = "Quorix Virtual Camera";

#define START_CAMERA(camera)                                                                       \
    REQUIRE_PIPEWIRE();                                                                            \
    test::VirtualCamera camera(kNode, kName);                                                      \
    ASSERT_EQ(camera.failure(), "")

test::TestProgram machineRun() {
    return test::TestProgram([](const test::StartDir&) { return platform::loadMachineDrivers(); });
}

QStringList items(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

// Waits for the next frame the capture window paints, and grabs one.
QImage nextGrab(const app::MainState& s) {
    QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
    if (!frames.wait(5000) || !s.CapWnd->grabFrameNoStop())
        return {};
    return s.CapWnd->grabBuffer();
}

// Shows the program's preview of the camera, then takes the camera's node away.
::testing::AssertionResult previewThenRemove(test::VirtualCamera& camera, test::TestProgram& run) {
    run.program.MainForm().show();
    if (nextGrab(run.program.state()).isNull())
        return ::testing::AssertionFailure() << "no picture before the node went";
    camera.remove();
    return ::testing::AssertionSuccess();
}

bool saidLost(const app::TMainForm& form) {
    return test::waitUntil(
        [&] { return form.statusText().startsWith("The capture device was lost"); }, 5000);
}

// Listed after the V4L2 devices (none here) and before the test pattern: by its description,
// with a device path after its node's name and the PipeWire library's version.
TEST(PipeWireCamera, IsListedBeforeTheTestPattern) {
    START_CAMERA(camera);
    const platform::DriverTable table = platform::loadMachineDrivers();
    ASSERT_TRUE(table[0] && table[1]);
    EXPECT_EQ(table[0]->spec().name, kName);
    EXPECT_EQ(table[0]->spec().devicePath, std::string("\\\\?\\pipewire\\") + kNode);
    EXPECT_EQ(table[0]->spec().version, platform::pipewire::libraryVersion());
    EXPECT_FALSE(table[0]->spec().version.empty());
    EXPECT_EQ(table[1]->spec().name, "Test Pattern");
    EXPECT_FALSE(table[2]);
}

// A node that stands for a V4L2 device already listed is left out, by its node or its bus;
// one for another device stays.
TEST(PipeWireCamera, ANodeOfAListedV4l2DeviceIsLeftOut) {
    REQUIRE_PIPEWIRE();
    test::VirtualCamera byPath("v4l2-by-path", "By Path", {"api.v4l2.path=/nowhere/video0"});
    test::VirtualCamera byBus("v4l2-by-bus", "By Bus",
                              {"api.v4l2.cap.bus_info=usb-0000:00:14.0-2"});
    test::VirtualCamera other("v4l2-other", "Other", {"api.v4l2.path=/nowhere/video4"});
    ASSERT_EQ(byPath.failure() + byBus.failure() + other.failure(), "");
    const std::vector<platform::v4l2::DeviceInfo> listed = {
        {"/nowhere/video0", "Quorix USB Camera", "6.1.0", "usb-0000:00:14.0-3"},
        {"/nowhere/video2", "Other USB Camera", "6.1.0", "usb-0000:00:14.0-2"}};
    QStringList names;
    for (const auto& driver : platform::PipeWireDriver::discover(listed))
        names << QString::fromStdString(driver->spec().name);
    EXPECT_EQ(names, QStringList({"Other"}));
}

// Named with the preferred maker it is chosen at start-up; its preview is the node's picture,
// fitted at the node's first size, and a capture writes it.
TEST(PipeWireCamera, IsChosenAtStartUpAndPreviewsAndCapturesItsPicture) {
    START_CAMERA(camera);
    test::TestProgram run = machineRun();
    app::TMainForm& form = run.program.MainForm();
    form.show();
    const app::MainState& s = run.program.state();
    EXPECT_EQ(s.DriverIndex, 0);
    EXPECT_EQ(s.Connected, 1);
    EXPECT_EQ(form.size(), QSize(663, 558));
    EXPECT_LE(test::bandDifference(nextGrab(s)), 16);
    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    const QImage frame(run.dir.path() + "/Frame0.bmp");
    EXPECT_EQ(frame.size(), QSize(640, 480));
    EXPECT_LE(test::bandDifference(frame), 16);
    EXPECT_TRUE(run.messages.errors.empty());
}

// The format dialog offers the node's sizes and rates; a size chosen there refits the window
// and the picture, and is kept in the camera's key. There is no source dialog.
TEST(PipeWireCamera, RefitsInVideoFormatAndHasNoSourceDialog) {
    START_CAMERA(camera);
    test::TestProgram run = machineRun();
    app::TMainForm& form = run.program.MainForm();
    form.show();
    const app::MainState& s = run.program.state();
    ASSERT_FALSE(nextGrab(s).isNull());

    QStringList sizes;
    run.driverDialogs = [&](QDialog& dialog) {
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        sizes = items(*format.Sizes);
        EXPECT_FALSE(format.Format) << "one pixel format: nothing to choose";
        EXPECT_EQ(format.Rate ? format.Rate->count() : 0, 3) << "Default, 15 and 30";
        format.Sizes->setCurrentRow(int(sizes.indexOf("320 x 240")));
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    EXPECT_EQ(sizes, QStringList({"320 x 240", "640 x 480", "1280 x 720"}));
    EXPECT_EQ(form.size(), QSize(343, 318));
    const QImage picture = nextGrab(s);
    EXPECT_EQ(picture.size(), QSize(320, 240));
    EXPECT_LE(test::bandDifference(picture), 16);
    EXPECT_EQ(test::registryKey(
                  run.registryFile,
                  QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\##?#pipewire#") + kNode)
                  .value("ImageWidth")
                  .toInt(),
              320);

    platform::CaptureDriverCaps caps;
    ASSERT_TRUE(s.CapWnd->getDriverCaps(caps));
    EXPECT_EQ(caps.fHasDlgVideoFormat, 1u);
    EXPECT_EQ(caps.fHasDlgVideoSource, 0u);
    EXPECT_EQ(s.CapWnd->dlgVideoSource(), 0);
}

// The node going away during the preview is said on the status line as a lost device; once
// it is back, choosing it again in "Select Source" brings its picture back.
TEST(PipeWireCamera, IsReportedLostWhenItsNodeGoes) {
    START_CAMERA(camera);
    test::TestProgram run = machineRun();
    app::TMainForm& form = run.program.MainForm();
    const app::MainState& s = run.program.state();
    ASSERT_TRUE(previewThenRemove(camera, run));
    EXPECT_TRUE(saidLost(form)) << form.statusText().toStdString();
    EXPECT_FALSE(s.CapWnd->grabFrameNoStop());

    test::VirtualCamera again(kNode, kName);
    ASSERT_EQ(again.failure(), "");
    EXPECT_EQ(s.CapWnd->driverConnect(0), 1);
    s.CapWnd->setPreview(true);
    EXPECT_LE(test::bandDifference(nextGrab(s)), 16);
}

// A node that goes and is made again is streamed again without the user doing anything, and
// the status line says it is back.
TEST(PipeWireCamera, ANodeMadeAgainIsReconnectedByItself) {
    START_CAMERA(camera);
    test::TestProgram run = machineRun();
    app::TMainForm& form = run.program.MainForm();
    const app::MainState& s = run.program.state();
    ASSERT_TRUE(previewThenRemove(camera, run));
    ASSERT_TRUE(saidLost(form)) << form.statusText().toStdString();
    EXPECT_TRUE(form.statusText().endsWith("(waiting for it to come back)"))
        << form.statusText().toStdString();

    test::VirtualCamera again(kNode, kName);
    ASSERT_EQ(again.failure(), "");
    EXPECT_TRUE(test::waitUntil(
        [&] { return form.statusText().startsWith("The capture device is back"); }, 10000))
        << form.statusText().toStdString();
    EXPECT_LE(test::bandDifference(nextGrab(s)), 16);
}

// A camera chosen again in "Select Source" while its node is still gone is refused at once,
// with the reason, rather than waited for; the status line still says it was lost.
TEST(PipeWireCamera, ANodeThatIsNoLongerThereIsRefusedAtOnce) {
    START_CAMERA(camera);
    test::TestProgram run = machineRun();
    app::TMainForm& form = run.program.MainForm();
    const app::MainState& s = run.program.state();
    ASSERT_TRUE(previewThenRemove(camera, run));
    ASSERT_TRUE(saidLost(form));
    run.modal.answer = [](QDialog& dialog) {
        dialog.show();
        dynamic_cast<capture::TFConfig&>(dialog).ComboBox1->setCurrentIndex(0);
        dialog.hide();
        return int(QDialog::Accepted);
    };
    QElapsedTimer took;
    took.start();
    QTest::mouseClick(form.B_Setting, Qt::LeftButton);
    EXPECT_LT(took.elapsed(), 5000);
    EXPECT_NE(
        s.CapWnd->lastError().find(std::string("the PipeWire node \"") + kNode + "\" is not there"),
        std::string::npos)
        << s.CapWnd->lastError();
    EXPECT_TRUE(form.statusText().startsWith("The capture device was lost"))
        << form.statusText().toStdString();
}

} // namespace
