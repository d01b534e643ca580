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

// A hand edit of the registry file, as a person or another program makes it while the
// program runs.
void editRegistry(const QString& file, const QString& keyPath, const QJsonObject& values) {
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QJsonObject top = QJsonDocument::fromJson(in.readAll()).object();
    in.close();
    QJsonObject machine = top.value("HKEY_LOCAL_MACHINE").toObject();
    QJsonObject key = machine.value(keyPath).toObject();
    for (auto value = values.begin(); value != values.end(); ++value)
        key.insert(value.key(), value.value());
    machine.insert(keyPath, key);
    top.insert("HKEY_LOCAL_MACHINE", machine);
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(QJsonDocument(top).toJson());
}

// What others write while the program runs stays, and the exit's write-back works on the
// driver's size as the file holds it then, not as it was at start-up.
TEST(Shutdown, WhatOthersWroteMeanwhileStays) {
    const QString driverKey = "Software\\Microsoft\\VfWWDM Mapper\\##?#simulated#0";
    struct Row {
        const char* what;
        QString keyPath;
        QJsonObject edit;
        QJsonObject driverKeyAtExit;
    };
    const Row rows[] = {
        {"nothing",
         driverKey,
         {},
         {{"ImageWidth", 320}, {"ImageHeight", 240}, {"ApWidth", 640}, {"ApHeight", 480}}},
        {"a value beside the driver's",
         driverKey,
         {{"Brightness", 7}},
         {{"ImageWidth", 320},
          {"ImageHeight", 240},
          {"ApWidth", 640},
          {"ApHeight", 480},
          {"Brightness", 7}}},
        {"the driver's size set by hand",
         driverKey,
         {{"ImageWidth", 160}, {"ImageHeight", 120}},
         {{"ImageWidth", 176}, {"ImageHeight", 144}, {"ApWidth", 160}, {"ApHeight", 120}}},
        {"another key",
         "Software\\Other",
         {{"Name", "kept"}},
         {{"ImageWidth", 320}, {"ImageHeight", 240}, {"ApWidth", 640}, {"ApHeight", 480}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::TestProgram run(kDriver, kRegistry);
        app::TMainForm& form = run.program.MainForm();
        ASSERT_EQ(form.size(), QSize(663, 558));
        if (!row.edit.isEmpty())
            editRegistry(run.registryFile, row.keyPath, row.edit);
        form.show();
        form.close();
        EXPECT_EQ(test::firstDriverKey(run.registryFile), row.driverKeyAtExit);
        if (row.keyPath != driverKey) {
            EXPECT_EQ(test::registryKey(run.registryFile, row.keyPath), row.edit);
        }
    }
}

// A registry file the user may not write: the drivers still read their own size from it,
// but the program restores and writes back nothing, and says nothing about it.
TEST(Shutdown, AReadOnlyRegistryStillGivesTheDriverItsSize) {
    const QByteArray registry = R"({"HKEY_LOCAL_MACHINE": {
      "Software\\Microsoft\\Windows\\CurrentVersion": {"VersionNumber": "4.10.2222"},
      "System\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.VFWWDM":
        {"DevicePath": "\\\\?\\simulated\\0"},
      "Software\\Microsoft\\VfWWDM Mapper\\##?#simulated#0":
        {"ImageWidth": 640, "ImageHeight": 480, "ApWidth": 320, "ApHeight": 240}}})";
    struct Row {
        bool readOnly;
        QSize client;    // 640 x 480 as the driver's key holds it, or 320 x 240 restored
        int widthAtExit; // the driver's width the file holds after the exit
        int keptAtExit;  // "ApWidth"
    };
    for (const Row& row : {Row{true, {663, 558}, 640, 320}, Row{false, {343, 318}, 320, 320}}) {
        SCOPED_TRACE(row.readOnly ? "read-only" : "writable");
        test::SmallDisk disk(64);
        if (!disk.mounted())
            GTEST_SKIP() << "no tmpfs can be mounted here";
        const QString file = disk.path() + "/registry.json";
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(registry) == registry.size());
        out.close();
        ASSERT_TRUE(!row.readOnly || disk.makeReadOnly());
        {
            test::TestProgram run(kDriver, {}, {}, file);
            app::TMainForm& form = run.program.MainForm();
            EXPECT_EQ(form.size(), row.client);
            form.show();
            form.close();
            EXPECT_TRUE(run.messages.errors.empty());
        }
        const QJsonObject key = test::firstDriverKey(file);
        EXPECT_EQ(key.value("ImageWidth").toInt(), row.widthAtExit);
        EXPECT_EQ(key.value("ApWidth").toInt(), row.keptAtExit);
        if (row.readOnly) {
            QFile after(file);
            ASSERT_TRUE(after.open(QIODevice::ReadOnly));
            EXPECT_EQ(after.readAll(), registry);
        }
    }
}

} // namespace
