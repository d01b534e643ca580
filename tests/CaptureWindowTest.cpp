#include "BmpHeader.h"
#include "Support.h"

#include "capture/CapLink.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct CaptureFixture : ::testing::Test {
    test::StartDir dir;
    platform::CaptureService service{test::simulatedDrivers(dir, R"({"drivers":[
        {"index":0,"name":"Refuses","connect":false},
        {"index":1,"name":"Small","width":160,"height":120},
        {"index":2,"name":"Big","width":640,"height":480}]})")};
    QWidget parent;
    capture::CapHandle wnd{service.createCaptureWindow(&parent, QRect(63, 55, 176, 144), 1)};
};

TEST_F(CaptureFixture, ConnectAnswersAtOnceAndStatusGivesThePictureSize) {
    platform::CaptureStatus status;
    EXPECT_EQ(capture::capGetStatus(wnd, status), 0); // nothing connected yet

    EXPECT_EQ(capture::capDriverConnect(wnd, 0), 0);
    EXPECT_EQ(capture::capDriverConnect(wnd, 5), 0); // no driver there
    EXPECT_EQ(capture::capDriverConnect(wnd, 10), 0);

    EXPECT_EQ(capture::capDriverConnect(wnd, 1), 1);
    EXPECT_EQ(capture::capGetStatus(wnd, status), 1);
    EXPECT_EQ(status.uiImageWidth, 160u);
    EXPECT_EQ(status.uiImageHeight, 120u);

    // Connecting another driver replaces the first.
    EXPECT_EQ(capture::capDriverConnect(wnd, 2), 1);
    EXPECT_EQ(capture::capGetStatus(wnd, status), 1);
    EXPECT_EQ(status.uiImageWidth, 640u);

    EXPECT_EQ(capture::capDriverDisconnect(wnd), 1);
    EXPECT_EQ(capture::capGetStatus(wnd, status), 0);
}

TEST_F(CaptureFixture, PreviewPaintsAMovingPicture) {
    parent.resize(400, 300);
    parent.show();
    wnd->setGeometry(0, 0, 160, 120);
    ASSERT_EQ(capture::capDriverConnect(wnd, 1), 1);
    capture::capPreviewRate(wnd, 33);
    capture::capPreview(wnd, true);

    QSignalSpy painted(wnd.data(), &platform::CaptureWindow::framePainted);
    ASSERT_TRUE(painted.wait(5000));
    const QImage first = wnd->grab().toImage();
    QTest::qWait(300);
    ASSERT_TRUE(painted.count() > 1 || painted.wait(5000));
    const QImage later = wnd->grab().toImage();

    EXPECT_EQ(first.size(), QSize(160, 120));
    EXPECT_NE(first, later) << "the test picture does not move";
    // Not the black of an empty capture window.
    EXPECT_NE(first.pixelColor(10, 10), QColor(Qt::black));

    capture::capCaptureStop(wnd);
    capture::capDriverDisconnect(wnd);
}

TEST_F(CaptureFixture, RequestsToAVanishedWindowAreSkipped) {
    delete wnd.data();
    ASSERT_TRUE(wnd.isNull());
    platform::CaptureStatus status{7, 7};
    platform::CaptureDriverCaps caps;
    EXPECT_EQ(capture::capDriverConnect(wnd, 1), 0);
    EXPECT_EQ(capture::capGetStatus(wnd, status), 0);
    EXPECT_EQ(status.uiImageWidth, 7u); // left as it was
    EXPECT_EQ(capture::capDriverGetCaps(wnd, caps), 0);
    EXPECT_EQ(capture::capPreview(wnd, true), 0);
    EXPECT_EQ(capture::capPreviewRate(wnd, 33), 0);
    EXPECT_EQ(capture::capCaptureStop(wnd), 0);
    EXPECT_EQ(capture::capDriverDisconnect(wnd), 0);
}

} // namespace

namespace {

TEST_F(CaptureFixture, SavedFramesReadBackPixelEqual) {
    ASSERT_EQ(capture::capDriverConnect(wnd, 1), 1);
    capture::capPreview(wnd, true);
    const QString path = dir.path() + "/Frame0.bmp";
    EXPECT_EQ(capture::capFileSaveDib(wnd, path), 0); // nothing grabbed yet
    EXPECT_FALSE(QFile::exists(path));

    // Grabbed once the preview delivers (a slow build's start-up can outlast a grab's wait).
    ASSERT_TRUE(test::waitUntil([&] { return capture::capGrabFrameNoStop(wnd) == 1; }, 5000));
    ASSERT_EQ(capture::capFileSaveDib(wnd, path), 1);
    const test::BmpHeader h = test::readBmpHeader(path);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(h.width, 160);
    EXPECT_EQ(h.height, 120); // bottom-up
    EXPECT_EQ(h.bfSize, h.fileSize);
    const QImage saved = QImage(path).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(saved, wnd->grabBuffer().convertToFormat(QImage::Format_RGB32));

    // A path that cannot be written fails and leaves nothing behind.
    const QString nowhere = dir.path() + "/missing/Frame1.bmp";
    EXPECT_EQ(capture::capFileSaveDib(wnd, nowhere), 0);
    EXPECT_FALSE(QFile::exists(nowhere));
    // The preview kept running through the grab.
    EXPECT_EQ(capture::capGrabFrameNoStop(wnd), 1);
    // A disconnected driver leaves no old picture to be saved as a new one.
    capture::capDriverDisconnect(wnd);
    EXPECT_TRUE(wnd->grabBuffer().isNull());
    EXPECT_EQ(capture::capFileSaveDib(wnd, dir.path() + "/Frame2.bmp"), 0);
    EXPECT_EQ(capture::capGrabFrameNoStop(wnd), 0);
    EXPECT_FALSE(QFile::exists(dir.path() + "/Frame2.bmp"));
}

} // namespace
