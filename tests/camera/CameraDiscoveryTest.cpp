#include "CameraSupport.h"

#include "app/Main.h"
#include "platform/capture/CaptureWindow.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "platform/capture/drivers/TestPatternDriver.h"
#include "platform/capture/drivers/V4l2Driver.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

// What discovery lists, in order, from the cameras plugged in.
TEST(CameraDiscovery, ListsCaptureNodesInDeviceOrderThenTheTestPattern) {
    REQUIRE_EMULATED_CAMERAS();
    struct Row {
        const char* name;
        std::string cameras;
        std::vector<std::string> listed; // names by index, the test pattern last
        std::vector<std::string> paths;  // device paths of the cameras
    } rows[] = {
        {"one camera with its metadata node",
         test::listOf(test::kQuorixCamera),
         {"Quorix USB Camera", "Test Pattern"},
         {"\\\\?\\v4l2\\usb-0000:00:14.0-2"}},
        {"two cameras keep device order, whatever their names",
         R"([{"node":"video2","card":"Zeta Cam","bus":"usb-0000:00:14.0-3"},
             {"node":"video10","card":"Alpha Cam","bus":"usb-0000:00:14.0-4"}])",
         {"Zeta Cam", "Alpha Cam", "Test Pattern"},
         {"\\\\?\\v4l2\\usb-0000:00:14.0-3", "\\\\?\\v4l2\\usb-0000:00:14.0-4"}},
        {"a codec is no camera",
         R"([{"node":"video0","card":"Codec","m2m":true},
             {"node":"video4","card":"Real Cam","bus":"usb-1"}])",
         {"Real Cam", "Test Pattern"},
         {"\\\\?\\v4l2\\usb-1"}},
        {"no camera: the test pattern alone", "[]", {"Test Pattern"}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::EmulatedCameras cameras(row.cameras);
        const platform::DriverTable table = test::EmulatedCameras::machineDrivers();
        std::vector<std::string> listed;
        for (const auto& driver : table)
            if (driver)
                listed.push_back(driver->spec().name);
        EXPECT_EQ(listed, row.listed);
        for (std::size_t i = 0; i < row.paths.size(); ++i) {
            ASSERT_TRUE(table[i]);
            EXPECT_EQ(table[i]->spec().devicePath, row.paths[i]);
            EXPECT_TRUE(dynamic_cast<const platform::V4l2Driver*>(table[i].get()));
            // The kernel's version of the driver, as "major.minor.patch".
            EXPECT_TRUE(QString::fromStdString(table[i]->spec().version)
                            .contains(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")))
                << table[i]->spec().version;
        }
        EXPECT_TRUE(
            dynamic_cast<const platform::TestPatternDriver*>(table[row.listed.size() - 1].get()));
    }
}

// The maker's camera is chosen at start-up, wherever it stands, and the window fits its
// current picture; its registry key is made with that size.
TEST(CameraDiscovery, StartsOnTheMakersCameraFittedToItsSize) {
    REQUIRE_EMULATED_CAMERAS();
    QString quorix = QString::fromLatin1(test::kQuorixCamera);
    quorix.replace("\"video0\"", "\"video2\"").replace("\"video1\"", "\"video3\"");
    test::CameraRun camera(R"([{"node":"video0","card":"Other Cam","bus":"usb-1"},)" +
                           quorix.toStdString() + "]");
    const app::MainState& s = camera.run.program.state();
    app::TMainForm& form = camera.run.program.MainForm();
    form.show();
    EXPECT_EQ(s.DriverCount, 3);
    EXPECT_EQ(s.DriverIndex, 1);
    EXPECT_EQ(s.DriverName[1], "Quorix USB Camera");
    EXPECT_EQ(s.Connected, 1);
    EXPECT_EQ(form.size(), QSize(663, 558));
    EXPECT_EQ(s.CapWnd->geometry(), QRect(13, 44, 640, 480));
    const QJsonObject key = test::registryKey(
        camera.run.registryFile,
        QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\##?#v4l2#usb-0000:00:14.0-2"));
    EXPECT_EQ(key.value("ImageWidth").toInt(), 640);
    EXPECT_EQ(key.value("ImageHeight").toInt(), 480);
    QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
    EXPECT_TRUE(frames.wait(5000)) << "no picture from the camera";
}

// A size kept in the camera's key is where it starts, in its current pixel format or the
// first other that offers it; a size the camera does not offer is forgotten for the size it
// takes at first sight.
TEST(CameraDiscovery, StartsAtTheSizeItsKeyHolds) {
    REQUIRE_EMULATED_CAMERAS();
    struct Row {
        int width, height;
        QSize window;
        const char* format;
    } rows[] = {
        {1280, 720, {1280, 720}, "S_FMT YUYV 1280x720"},
        {1920, 1080, {1920, 1080}, "S_FMT MJPG 1920x1080"},
        {1200, 700, {640, 480}, "S_FMT YUYV 640x480"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        test::CameraRun camera(test::listOf(test::kQuorixCamera),
                               QStringLiteral(R"({"HKEY_LOCAL_MACHINE":
            {"Software\\Microsoft\\VfWWDM Mapper\\##?#v4l2#usb-0000:00:14.0-2":
             {"ImageWidth": %1, "ImageHeight": %2}}})")
                                   .arg(row.width)
                                   .arg(row.height)
                                   .toStdString());
        const app::MainState& s = camera.run.program.state();
        camera.run.program.MainForm().show();
        EXPECT_EQ(s.CapWnd->geometry().size(), row.window);
        QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
        ASSERT_TRUE(frames.wait(5000));
        EXPECT_TRUE(camera.cameras.log().contains(row.format))
            << camera.cameras.log().join('\n').toStdString();
    }
}

// A camera whose own size is none the window is made for (a 1080p webcam that starts in MJPG
// 1920 x 1080, a 4K one, a capture card) starts at the largest of those sizes it offers, in
// its current format first, then in its others; its key is made with that size. One that
// offers none keeps its own size, and the window overhangs it as for any such size.
TEST(CameraDiscovery, TheFirstPictureIsWhole) {
    REQUIRE_EMULATED_CAMERAS();
    struct Row {
        const char* name;
        const char* formats;
        QSize picture;
        const char* format;
        QSize client;
    } rows[] = {
        {"1080p webcam, MJPG first",
         R"([{"fourcc":"MJPG","sizes":[[1920,1080,[30]],[1280,720,[30]],[640,480,[30]],
             [320,240,[30]]]},{"fourcc":"YUYV","sizes":[[640,480,[30]],[1920,1080,[5]]]}])",
         {640, 480},
         "S_FMT MJPG 640x480",
         {663, 558}},
        {"4K webcam whose MJPG has no small size",
         R"([{"fourcc":"MJPG","sizes":[[3840,2160,[30]],[1920,1080,[30]]]},
             {"fourcc":"YUYV","sizes":[[640,480,[30]],[352,288,[30]]]}])",
         {640, 480},
         "S_FMT YUYV 640x480",
         {663, 558}},
        {"grabber at 480 x 320 only",
         R"([{"fourcc":"YUYV","sizes":[[480,320,[30]]]}])",
         {480, 320},
         "S_FMT YUYV 480x320",
         {280, 277}},
        {"camera at 320 x 240 keeps it",
         R"([{"fourcc":"YUYV","sizes":[[320,240,[30]],[640,480,[30]]]}])",
         {320, 240},
         "S_FMT YUYV 320x240",
         {343, 318}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::CameraRun camera(std::string(R"([{"node":"video0","card":"Quorix Cam",
            "bus":"usb-0000:00:14.0-2","formats":)") +
                               row.formats + "}]");
        const app::MainState& s = camera.run.program.state();
        app::TMainForm& form = camera.run.program.MainForm();
        form.show();
        EXPECT_EQ(s.CapWnd->geometry().size(), row.picture);
        EXPECT_EQ(form.size(), row.client);
        const QJsonObject key = test::registryKey(
            camera.run.registryFile,
            QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\##?#v4l2#usb-0000:00:14.0-2"));
        EXPECT_EQ(key.value("ImageWidth").toInt(), row.picture.width());
        EXPECT_EQ(key.value("ImageHeight").toInt(), row.picture.height());
        QSignalSpy frames(s.CapWnd.data(), &platform::CaptureWindow::framePainted);
        ASSERT_TRUE(frames.wait(5000));
        EXPECT_TRUE(camera.cameras.log().contains(row.format))
            << camera.cameras.log().join('\n').toStdString();
    }
}

// The size chosen for a camera is kept at exit and is where it starts the next time, as for
// every driver: the camera's own key, named after its bus.
TEST(CameraDiscovery, TheChosenSizeIsKeptAcrossARestart) {
    REQUIRE_EMULATED_CAMERAS();
    const QString keyPath =
        QStringLiteral("Software\\Microsoft\\VfWWDM Mapper\\##?#v4l2#usb-0000:00:14.0-2");
    QByteArray registryAtExit;
    {
        test::CameraRun camera(test::listOf(test::kQuorixCamera));
        app::TMainForm& form = camera.run.program.MainForm();
        form.show();
        camera.run.driverDialogs = [](QDialog& dialog) {
            auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
            format.Sizes->setCurrentRow(format.Sizes->count() - 1); // 1280 x 720
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(form.B_Format, Qt::LeftButton);
        form.close();
        const QJsonObject key = test::registryKey(camera.run.registryFile, keyPath);
        EXPECT_EQ(key.value("ApWidth").toInt(), 1280);
        EXPECT_EQ(key.value("ApHeight").toInt(), 720);
        EXPECT_EQ(key.value("ImageWidth").toInt(), 320);
        EXPECT_EQ(key.value("ImageHeight").toInt(), 240);
        QFile file(camera.run.registryFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        registryAtExit = file.readAll();
    }
    // Plugged in anew, the camera is back at its own default; the program puts the kept
    // size back before it connects.
    test::CameraRun again(test::listOf(test::kQuorixCamera), registryAtExit.toStdString());
    again.run.program.MainForm().show();
    EXPECT_EQ(again.run.program.state().CapWnd->geometry().size(), QSize(1280, 720));
}

} // namespace
