#include "CameraSteps.h"
#include "CameraSupport.h"

#include "app/Main.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/dialogs/FormatDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <climits>

namespace {

using test::choose;
using test::items;
using test::nextGrab;

// The format dialog offers what the camera offers: pixel formats in the camera's order,
// sizes ascending, rates at the chosen size; OK switches the camera and refits the window,
// Cancel leaves the camera as it was.
TEST(CameraFormat, OffersTheCamerasFormatsAndSwitchesToTheChosenOne) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(test::kQuorixCamera));
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(nextGrab(s).isNull());

    QStringList formats, yuyvSizes, mjpgSizes, rates640, rates720;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        if (!format.Format || !format.Rate)
            return int(QDialog::Rejected);
        formats = items(*format.Format);
        yuyvSizes = items(*format.Sizes);
        rates640 = items(*format.Rate);
        choose(*format.Sizes, "1280 x 720");
        rates720 = items(*format.Rate);
        format.Format->setCurrentIndex(1);
        mjpgSizes = items(*format.Sizes);
        choose(*format.Sizes, "1280 x 720");
        return int(QDialog::Rejected);
    };
    camera.cameras.clearLog();
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    EXPECT_EQ(formats, QStringList({"YUYV 4:2:2", "Motion-JPEG"}));
    EXPECT_EQ(yuyvSizes, QStringList({"640 x 480", "1280 x 720"}));
    EXPECT_EQ(mjpgSizes, QStringList({"640 x 480", "1280 x 720", "1920 x 1080"}));
    EXPECT_EQ(rates640, QStringList({"Default", "15 frames per second", "30 frames per second"}));
    EXPECT_EQ(rates720, QStringList({"Default", "10 frames per second"}));
    // Cancelled: the camera was not touched, the window not changed.
    EXPECT_TRUE(camera.cameras.log().filter(QRegularExpression("^S_FMT|^STREAMON")).isEmpty())
        << camera.cameras.log().join('\n').toStdString();
    EXPECT_EQ(s.CapWnd->geometry(), QRect(13, 44, 640, 480));

    camera.run.driverDialogs = [&](QDialog& dialog) {
        auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
        format.Format->setCurrentIndex(1);
        choose(*format.Sizes, "1280 x 720");
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    // The new format is set as the restarted stream negotiates, on its own thread.
    EXPECT_TRUE(
        test::waitUntil([&] { return camera.cameras.log().contains("S_FMT MJPG 1280x720"); }, 5000))
        << camera.cameras.log().join('\n').toStdString();
    // Wider than any frame: the frame keeps its size, the picture overhangs it centred.
    EXPECT_EQ(form.size(), QSize(663, 558));
    EXPECT_EQ(s.CapWnd->geometry(), QRect(3 + (660 - 1280) / 2, 34 + (500 - 720) / 2, 1280, 720));
    const QImage grabbed = nextGrab(s);
    EXPECT_EQ(grabbed.size(), QSize(1280, 720));
    EXPECT_LE(test::bandDifference(grabbed), 16);
}

// A camera that gives a range of sizes offers its ends and the common sizes between them.
TEST(CameraFormat, ARangeOfSizesOffersCommonOnes) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","card":"Virtual Cam","formats":[
        {"fourcc":"YUYV","sizes":{"stepwise":[320,240,1920,1080,16,8],"fps":[30]}}]}])");
    QStringList sizes;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        sizes = items(*dynamic_cast<platform::VideoFormatDialog&>(dialog).Sizes);
        return int(QDialog::Rejected);
    };
    camera.run.program.MainForm().show();
    QTest::mouseClick(camera.run.program.MainForm().B_Format, Qt::LeftButton);
    EXPECT_EQ(sizes,
              QStringList({"320 x 240", "352 x 288", "640 x 360", "640 x 480", "704 x 576",
                           "800 x 600", "1024 x 768", "1280 x 720", "1280 x 1024", "1920 x 1080"}));
}

// The source dialog: every control the camera has, with its range, step and entries;
// changes reach the camera at once; the temperature follows the automatic white balance;
// Defaults and Cancel put the camera's values back.
TEST(CameraSource, ControlsReachTheCameraAndCancelPutsThemBack) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(test::listOf(test::kQuorixCamera));
    app::TMainForm& form = camera.run.program.MainForm();
    form.show();
    struct Range {
        const char* name;
        int minimum, maximum, step, value;
    };
    const Range ranges[] = {{"Brightness", -64, 64, 1, 0},
                            {"Contrast", 0, 95, 1, 32},
                            {"Saturation", 0, 100, 5, 55},
                            {"Hue", -2000, 2000, 100, 0},
                            {"White Balance Temperature", 2800, 6500, 10, 4600}};
    bool temperatureWhileAutomatic = true, temperatureAfter = false;
    QStringList powerLine, exposure;
    bool privacyEnabled = true, buttonThere = false;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        for (const Range& range : ranges) {
            const auto* slider = dialog.findChild<QSlider*>(range.name);
            EXPECT_TRUE(slider) << range.name;
            if (!slider)
                continue;
            EXPECT_EQ(slider->minimum(), range.minimum) << range.name;
            EXPECT_EQ(slider->maximum(), range.maximum) << range.name;
            EXPECT_EQ(slider->singleStep(), range.step) << range.name;
            EXPECT_EQ(slider->value(), range.value) << range.name;
        }
        powerLine = items(*dialog.findChild<QComboBox*>("Power Line Frequency"));
        exposure = items(*dialog.findChild<QComboBox*>("Auto Exposure"));
        privacyEnabled = dialog.findChild<QCheckBox*>("Privacy")->isEnabled();
        buttonThere = dialog.findChild<QPushButton*>("Do White Balance") != nullptr;
        auto* temperature = dialog.findChild<QSlider*>("White Balance Temperature");
        temperatureWhileAutomatic = temperature->isEnabled();
        dialog.findChild<QCheckBox*>("White Balance, Automatic")->setChecked(false);
        temperatureAfter = temperature->isEnabled();
        temperature->setValue(3000);
        dialog.findChild<QSlider*>("Brightness")->setValue(10);
        dialog.reject();
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    EXPECT_FALSE(temperatureWhileAutomatic);
    EXPECT_TRUE(temperatureAfter);
    EXPECT_EQ(powerLine, QStringList({"Disabled", "50 Hz", "60 Hz"}));
    EXPECT_EQ(exposure, QStringList({"Manual Mode", "Aperture Priority Mode"}));
    EXPECT_FALSE(privacyEnabled) << "a read-only control cannot be set";
    EXPECT_TRUE(buttonThere);
    // Live, then put back by Cancel: the temperature while it may still be set, then the
    // automatic balance.
    EXPECT_EQ(
        camera.cameras.log().filter("S_CTRL"),
        QStringList({"S_CTRL 0x0098090c 0", "S_CTRL 0x0098091a 3000", "S_CTRL 0x00980900 10",
                     "S_CTRL 0x0098091a 4600", "S_CTRL 0x0098090c 1", "S_CTRL 0x00980900 0"}));

    // Defaults bring back the camera's own values, and stay on OK.
    camera.cameras.clearLog();
    camera.run.driverDialogs = [&](QDialog& dialog) {
        dialog.findChild<QSlider*>("Contrast")->setValue(50);
        dialog.findChild<QComboBox*>("Power Line Frequency")->setCurrentIndex(2);
        dialog.findChild<QPushButton*>("Defaults")->click();
        EXPECT_EQ(dialog.findChild<QSlider*>("Contrast")->value(), 32);
        dialog.accept();
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    const QStringList sets = camera.cameras.log().filter("S_CTRL");
    EXPECT_TRUE(sets.contains("S_CTRL 0x00980901 50")) << sets.join('\n').toStdString();
    EXPECT_EQ(sets.last(), "S_CTRL 0x00980901 32") << sets.join('\n').toStdString();
}

// A camera with several inputs: the list switches between them, the preview going on.
TEST(CameraSource, TheInputListSwitchesInputs) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","card":"Quorix Capture","controls":"none",
        "inputs":["Composite","S-Video"]}])");
    app::TMainForm& form = camera.run.program.MainForm();
    const app::MainState& s = camera.run.program.state();
    form.show();
    ASSERT_FALSE(nextGrab(s).isNull());
    QString problem;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        auto* input = dialog.findChild<QComboBox*>("Input");
        if (!input) {
            ADD_FAILURE() << "no input list";
            return int(QDialog::Rejected);
        }
        EXPECT_EQ(items(*input), QStringList({"Composite", "S-Video"}));
        input->setCurrentIndex(1);
        problem = dialog.findChild<QLabel*>("Problem")->text();
        dialog.accept();
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    EXPECT_TRUE(camera.cameras.log().contains("S_INPUT 1"))
        << camera.cameras.log().join('\n').toStdString();
    EXPECT_FALSE(nextGrab(s).isNull()) << "no picture after the switch";
}

// Ranges at the ends of int, as the kernel's test driver has them, and a menu ending at
// INT_MAX: read, shown and paged without overflow (the sanitizer build reports any). A
// control's name is the device's own text: its label shows the characters and loads nothing.
TEST(CameraSource, ExtremeRangesAndAnyNameAreShownAsTheyAre) {
    REQUIRE_EMULATED_CAMERAS();
    test::CameraRun camera(R"([{"node":"video0","card":"Quorix Test Card","controls":[
        {"id":"0x00981902","name":"Integer 32 Bits","type":"int","min":-2147483648,
         "max":2147483647,"default":0},
        {"id":"0x00981903","name":"Integer 32 Bits, a Quarter Step","type":"int",
         "min":-2147483648,"max":2147483647,"step":1073741824,"default":0},
        {"id":"0x00981904","name":"Last Items","type":"menu","min":2147483645,
         "max":2147483647,"default":2147483647,
         "menu":{"2147483646":"Next to Last","2147483647":"Last"}},
        {"id":"0x00980900","name":"<img src=p.png>","type":"int","min":0,"max":10,
         "default":5}]}])");
    // In the start-up directory, where a relative name would be looked for.
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(camera.run.dir.path() + "/p.png"));
    test::OpenWatch watch(camera.run.dir.path() + "/p.png");
    app::TMainForm& form = camera.run.program.MainForm();
    form.show();
    struct Range {
        const char* name;
        int minimum, maximum, step, page;
    } const ranges[] = {
        {"Integer 32 Bits", INT_MIN, INT_MAX, 1, 429496729},
        {"Integer 32 Bits, a Quarter Step", INT_MIN, INT_MAX, 1 << 30, 1 << 30},
    };
    QStringList last;
    bool plainName = false;
    camera.run.driverDialogs = [&](QDialog& dialog) {
        for (const Range& range : ranges) {
            auto* slider = dialog.findChild<QSlider*>(range.name);
            EXPECT_TRUE(slider) << range.name;
            if (!slider)
                continue;
            EXPECT_EQ(slider->minimum(), range.minimum) << range.name;
            EXPECT_EQ(slider->maximum(), range.maximum) << range.name;
            EXPECT_EQ(slider->singleStep(), range.step) << range.name;
            EXPECT_EQ(slider->pageStep(), range.page) << range.name;
            slider->setValue(INT_MAX);
        }
        if (auto* menu = dialog.findChild<QComboBox*>("Last Items")) {
            last = items(*menu);
            menu->setCurrentIndex(0);
        }
        dialog.show();
        dialog.grab();
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            plainName |=
                label->text() == "<img src=p.png>:" && label->textFormat() == Qt::PlainText;
        dialog.reject();
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    EXPECT_EQ(last, QStringList({"Next to Last", "Last"}));
    EXPECT_TRUE(plainName);
    EXPECT_FALSE(watch.opened()) << "the picture a control's name names was loaded";
    const QStringList sets = camera.cameras.log().filter("S_CTRL");
    EXPECT_TRUE(sets.contains("S_CTRL 0x00981902 2147483647")) << sets.join('\n').toStdString();
    EXPECT_TRUE(sets.contains("S_CTRL 0x00981904 2147483646")) << sets.join('\n').toStdString();
}

} // namespace
