#include "Support.h"

#include "app/Main.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr char kDriver[] =
    R"({"drivers":[{"index":0,"name":"Quorix","sizes":[[320,240],[640,480]]}]})";

// A registry on the newer system's branch whose driver key holds the size kept at the last
// exit beside the driver's clamped one.
constexpr char kRegistry[] = R"({"HKEY_LOCAL_MACHINE": {
  "Software\\Microsoft\\Windows\\CurrentVersion": {"VersionNumber": "4.10.2222"},
  "System\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.VFWWDM":
    {"DevicePath": "\\\\?\\simulated\\0"},
  "Software\\Microsoft\\VfWWDM Mapper\\##?#simulated#0":
    {"ImageWidth": 320, "ImageHeight": 240, "ApWidth": 640, "ApHeight": 480}}})";

QStringList framesIn(const QString& dir) {
    return QDir(dir).entryList({"Frame*.bmp"}, QDir::Files, QDir::Name);
}

// The size kept at the last exit comes back before the driver connects, and closing keeps
// it again beside the driver's clamped values; the frames of the run go, others stay.
TEST(Shutdown, ThePictureSizeGoesRoundAndOnlyThisRunsFramesAreRemoved) {
    test::TestProgram run(kDriver, kRegistry, "[Strings]\nVendor = Quorix \nModel=Cam 2\n");
    app::TMainForm& form = run.program.MainForm();
    EXPECT_EQ(form.windowTitle(), "Quorix Cam 2");
    EXPECT_EQ(form.size(), QSize(663, 558));
    EXPECT_EQ(test::firstDriverKey(run.registryFile).value("ImageWidth").toInt(), 640);

    const QString notOurs = run.dir.write("Frame7.bmp", "an earlier run's frame");
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    ASSERT_EQ(framesIn(run.dir.path()).size(), 4);

    form.show();
    QTest::mouseClick(form.B_Exit, Qt::LeftButton);
    EXPECT_EQ(framesIn(run.dir.path()), QStringList{"Frame7.bmp"});
    const QJsonObject key = test::firstDriverKey(run.registryFile);
    EXPECT_EQ(key.value("ApWidth").toInt(), 640);
    EXPECT_EQ(key.value("ApHeight").toInt(), 480);
    EXPECT_EQ(key.value("ImageWidth").toInt(), 320);
    EXPECT_EQ(key.value("ImageHeight").toInt(), 240);

    // A second request to end changes nothing more.
    form.close();
    EXPECT_EQ(test::firstDriverKey(run.registryFile).value("ApWidth").toInt(), 640);
}

TEST(Shutdown, WithoutACaptureWindowNeitherRegistryNorFilesAreTouched) {
    test::TestProgram run(kDriver, kRegistry);
    app::TMainForm& form = run.program.MainForm();
    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    QFile registry(run.registryFile);
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly));
    const QByteArray before = registry.readAll();
    registry.close();

    delete run.program.state().CapWnd.data();
    form.show();
    form.close();
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly));
    EXPECT_EQ(registry.readAll(), before);
    EXPECT_EQ(framesIn(run.dir.path()), QStringList{"Frame0.bmp"});
}

} // namespace
