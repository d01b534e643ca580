// The program on a Wayland compositor itself (tests/e2e/wayland.sh runs this under weston
// with QT_QPA_PLATFORM=wayland): every window and dialog opens on the compositor and closes,
// and no placement or activation the compositor keeps for itself draws a warning.

#include "MediaFiles.h"
#include "Support.h"

#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Notice.h"
#include "album/Show.h"
#include "app/Main.h"
#include "capture/Config.h"
#include "platform/help/HelpService.h"
#include "playback/Video.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

QStringList warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}

// On the compositor: the window has a surface of its own that the compositor shows.
bool exposed(QWidget& window) {
    return test::waitUntil(
        [&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 5000);
}

// Opens the dialog as the modal runner would, waits for the compositor to show it, lets
// `act` work it, and closes it with `result`; records which dialogs did not show.
int showAndClose(QDialog& dialog, int result, QStringList& unshown,
                 const std::function<void(QDialog&)>& act = {}) {
    dialog.open();
    if (!exposed(dialog))
        unshown << dialog.objectName();
    if (act)
        act(dialog);
    dialog.done(result);
    return result;
}

TEST(WaylandSession, EveryWindowAndDialogOpensAndClosesWithoutWarnings) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"))
        << "run by tests/e2e/wayland.sh under weston";
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepWarnings);

    test::TestProgram run(R"({"drivers": [
        {"index": 0, "name": "Quorix Cam", "width": 320, "height": 240},
        {"index": 1, "name": "Refusing Cam", "connect": false}]})");
    QStringList unshown;
    run.modal.answer = [&](QDialog& dialog) {
        // In the source dialog, the refusing driver: its failure opens the notice.
        return showAndClose(dialog, QDialog::Accepted, unshown, [](QDialog& shown) {
            if (auto* config = dynamic_cast<capture::TFConfig*>(&shown))
                config->ComboBox1->setCurrentIndex(1);
        });
    };
    run.driverDialogs = [&](QDialog& dialog) {
        return showAndClose(dialog, QDialog::Rejected, unshown);
    };
    app::TMainForm& form = run.program.MainForm();
    form.show();
    ASSERT_TRUE(exposed(form));
    QSignalSpy frames(run.program.state().CapWnd.data(), &platform::CaptureWindow::framePainted);
    EXPECT_TRUE(frames.wait(5000)) << "the preview is painted by the toolkit";

    // A capture shows the album, a zoom the viewer.
    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(run.dir.path() + "/Frame0.bmp"));
    EXPECT_TRUE(exposed(run.program.Album()));
    QTest::mouseClick(run.program.Album().B_Zoom, Qt::LeftButton);
    EXPECT_TRUE(exposed(run.program.Frame()));
    // The export settings, the driver's own dialogs, "Select Source" and its notice.
    QTest::mouseClick(run.program.Album().BitBtn1, Qt::LeftButton);
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    QTest::mouseClick(form.B_Setting, Qt::LeftButton);
    test::settle();
    EXPECT_EQ(run.modal.shown, std::vector<QString>({"FormatJpeg", "FConfig", "FNotice"}));
    EXPECT_EQ(form.statusText(), QStringLiteral("Can't connect Capture Device!"));
    // An AVI file plays in the playback window.
    const QString avi = test::makeAvi(run.dir.path(), "clip.avi", 160, 120, 2);
    run.fileDialogs.openScripts.push_back([&](auto& d) {
        d.switchFilter(1);
        d.click(avi);
        return std::optional<QString>(avi);
    });
    QTest::mouseClick(form.B_Open, Qt::LeftButton);
    EXPECT_TRUE(exposed(run.program.FAnimate()));
    // The help viewer.
    platform::HelpViewerService help;
    help.showContents(run.dir.write("GuiHelp.hlp", "<html><body>Help</body></html>"));
    ASSERT_TRUE(help.viewer());
    EXPECT_TRUE(exposed(*help.viewer()->window()));

    EXPECT_EQ(unshown, QStringList());
    // The exit button closes the main window and the capture with it.
    QTest::mouseClick(form.B_Exit, Qt::LeftButton);
    test::settle();
    EXPECT_FALSE(form.isVisible());
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, QStringList());
}

} // namespace
