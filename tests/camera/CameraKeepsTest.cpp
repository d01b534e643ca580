// A camera keeps what the user set in its source dialog: in its driver's key, put back on the
// camera (which forgets its controls whenever it loses power) before the first frame of the
// next run.

#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"
#include "platform/capture/DriverKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <functional>

namespace {

using test::kQuorixCamera;

QString quorixKey() {
    return platform::driverKeyPath("\\\\?\\v4l2\\usb-0000:00:14.0-2");
}

// A registry whose Quorix camera key holds these values.
std::string registryHolding(const QJsonObject& values) {
    QJsonObject machine{{quorixKey(), values}};
    return QJsonDocument(QJsonObject{{"HKEY_LOCAL_MACHINE", machine}}).toJson().toStdString();
}

QByteArray contents(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// The Video Source dialog opened from the main window, and what the user does in it.
void inVideoSource(test::CameraRun& camera, const std::function<int(QDialog&)>& user) {
    camera.run.driverDialogs = user;
    QTest::mouseClick(camera.run.program.MainForm().B_Source, Qt::LeftButton);
    camera.run.driverDialogs = {};
}

// The control values the key keeps: its values other than the picture size.
QJsonObject keptValues(const QString& registryFile) {
    QJsonObject values = test::registryKey(registryFile, quorixKey());
    for (const char* own : {"ImageWidth", "ImageHeight", "ApWidth", "ApHeight"})
        values.remove(own);
    return values;
}

// What the next run sets on the fresh camera before its stream starts, and whether it
// streams at all.
QStringList setBeforeStreaming(const std::string& registryJson, bool& streamed) {
    test::CameraRun next(test::listOf(kQuorixCamera), registryJson);
    next.run.program.MainForm().show();
    streamed = !test::nextGrab(next.run.program.state()).isNull();
    const QStringList log = next.cameras.log();
    const auto streamOn = std::find(log.begin(), log.end(), QStringLiteral("STREAMON"));
    streamed = streamed && streamOn != log.end();
    return QStringList(log.begin(), streamOn).filter(QRegularExpression("^S_(CTRL|INPUT) "));
}

// What OK, Cancel and Defaults keep, and what the next run puts back, in the order the camera
// takes it: its automatic white balance off before the temperature it governs.
TEST(CameraKeeps, WhatOkTakesIsPutBackBeforeTheNextRunsFirstFrame) {
    REQUIRE_EMULATED_CAMERAS();
    const auto setSome = [](QDialog& dialog) {
        dialog.findChild<QSlider*>("Brightness")->setValue(20);
        dialog.findChild<QCheckBox*>("White Balance, Automatic")->setChecked(false);
        dialog.findChild<QSlider*>("White Balance Temperature")->setValue(3000);
        dialog.findChild<QComboBox*>("Power Line Frequency")->setCurrentIndex(2);
    };
    struct Case {
        const char* name;
        QJsonObject keptBefore;
        std::function<int(QDialog&)> user;
        QJsonObject keptAfter;
        QStringList putBack;
    };
    const Case cases[] = {
        {"changed and OK",
         {},
         [&](QDialog& dialog) {
             setSome(dialog);
             dialog.accept();
             return int(QDialog::Accepted);
         },
         {{"Brightness", 20},
          {"White Balance, Automatic", 0},
          {"White Balance Temperature", 3000},
          {"Power Line Frequency", 2}},
         {"S_CTRL 0x00980900 20", "S_CTRL 0x0098090c 0", "S_CTRL 0x00980918 2",
          "S_CTRL 0x0098091a 3000"}},
        {"changed and cancelled",
         {{"Contrast", 50}},
         [&](QDialog& dialog) {
             setSome(dialog);
             dialog.reject();
             return int(QDialog::Rejected);
         },
         {{"Contrast", 50}},
         {"S_CTRL 0x00980901 50"}},
        {"OK with nothing changed",
         {{"Contrast", 50}},
         [](QDialog& dialog) {
             dialog.accept();
             return int(QDialog::Accepted);
         },
         {{"Contrast", 50}},
         {"S_CTRL 0x00980901 50"}},
        {"a value changed back and forth is kept only as it ends",
         {},
         [](QDialog& dialog) {
             dialog.findChild<QSlider*>("Hue")->setValue(500);
             dialog.findChild<QSlider*>("Hue")->setValue(0);
             dialog.findChild<QSlider*>("Saturation")->setValue(70);
             dialog.accept();
             return int(QDialog::Accepted);
         },
         {{"Saturation", 70}},
         {"S_CTRL 0x00980902 70"}},
        {"Defaults and OK forget what was kept",
         {{"Contrast", 50}, {"Hue", -400}},
         [](QDialog& dialog) {
             dialog.findChild<QPushButton*>("Defaults")->click();
             dialog.accept();
             return int(QDialog::Accepted);
         },
         {},
         {}},
        {"Defaults, a change and OK keep the change alone",
         {{"Contrast", 50}},
         [](QDialog& dialog) {
             dialog.findChild<QPushButton*>("Defaults")->click();
             dialog.findChild<QSlider*>("Brightness")->setValue(-10);
             dialog.accept();
             return int(QDialog::Accepted);
         },
         // A DWORD: a negative value as its two's complement.
         {{"Brightness", 4294967286.0}},
         {"S_CTRL 0x00980900 -10"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString registryFile;
        {
            test::CameraRun camera(test::listOf(kQuorixCamera), registryHolding(c.keptBefore));
            test::ReportsTo reported(camera.run.messages);
            camera.run.program.MainForm().show();
            ASSERT_FALSE(test::nextGrab(camera.run.program.state()).isNull());
            inVideoSource(camera, c.user);
            EXPECT_EQ(keptValues(camera.run.registryFile), c.keptAfter);
            registryFile = camera.run.registryFile;
            bool streamed = false;
            const std::string registry = contents(registryFile).toStdString();
            camera.run.program.MainForm().close();
            test::settle();
            EXPECT_TRUE(camera.run.messages.errors.empty());
            // The camera's power goes with the run: the next run finds it at its defaults.
            const QStringList set = setBeforeStreaming(registry, streamed);
            EXPECT_TRUE(streamed);
            EXPECT_EQ(set, c.putBack) << set.join('\n').toStdString();
        }
    }
}

// What the camera no longer takes is left, without a word, and the rest is set: a value out of
// its range now (after a firmware change), one for a control that stays inactive, one for a
// read-only control, a menu entry it does not offer, and names the key keeps for itself.
TEST(CameraKeeps, AValueTheCameraNoLongerTakesIsSkipped) {
    REQUIRE_EMULATED_CAMERAS();
    const QJsonObject kept{{"Brightness", 100},
                           {"White Balance Temperature", 3000},
                           {"Privacy", 1},
                           {"Auto Exposure", 0},
                           {"Power Line Frequency", 7},
                           {"Contrast", 50},
                           {"Input", 5},
                           {"saturation", 70}};
    test::CameraRun camera(test::listOf(kQuorixCamera), registryHolding(kept));
    test::ReportsTo reported(camera.run.messages);
    camera.run.program.MainForm().show();
    EXPECT_FALSE(test::nextGrab(camera.run.program.state()).isNull());
    const QStringList log = camera.cameras.log();
    // Value names are matched without regard to case, as the registry's are.
    EXPECT_EQ(log.filter(QRegularExpression("^S_(CTRL|INPUT) ")),
              QStringList({"S_CTRL 0x00980901 50", "S_CTRL 0x00980902 70"}))
        << log.join('\n').toStdString();
    test::settle();
    EXPECT_TRUE(camera.run.messages.errors.empty());
}

// A registry the driver may not write keeps nothing and says nothing; the controls are set
// on the camera all the same.
TEST(CameraKeeps, AReadOnlyRegistryKeepsNothingAndSaysNothing) {
    REQUIRE_EMULATED_CAMERAS();
    test::SmallDisk disk(64);
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const QString file = disk.path() + "/registry.json";
    const QByteArray before =
        QByteArray::fromStdString(registryHolding({{"ImageWidth", 640}, {"ImageHeight", 480}}));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(before) == before.size());
    out.close();
    ASSERT_TRUE(disk.makeReadOnly());
    test::CameraRun camera(test::listOf(kQuorixCamera), {}, file);
    test::ReportsTo reported(camera.run.messages);
    camera.run.program.MainForm().show();
    ASSERT_FALSE(test::nextGrab(camera.run.program.state()).isNull());
    inVideoSource(camera, [](QDialog& dialog) {
        dialog.findChild<QSlider*>("Brightness")->setValue(20);
        dialog.accept();
        return int(QDialog::Accepted);
    });
    test::settle();
    EXPECT_TRUE(camera.run.messages.errors.empty());
    EXPECT_EQ(contents(file), before);
    EXPECT_TRUE(camera.cameras.log().contains("S_CTRL 0x00980900 20"));
}

} // namespace
