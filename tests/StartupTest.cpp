#include "Support.h"

#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Notice.h"
#include "album/Show.h"
#include "app/MachineServices.h"
#include "app/Main.h"
#include "capture/Config.h"
#include "playback/Video.h"
#include "ui/ErrorReport.h"
#include "ui/Shape.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {

TEST(Startup, WithoutADriverTheWindowKeepsItsDesignSize) {
    test::TestProgram run(R"({"drivers":[]})");
    app::TMainForm& form = run.program.MainForm();
    const app::MainState& s = run.program.state();

    EXPECT_EQ(form.size(), QSize(280, 276));
    EXPECT_EQ(form.pos(), QPoint(0, 0));
    EXPECT_EQ(form.windowTitle(), " USB Camera");
    EXPECT_EQ(ui::application().title(), " USB Camera");
    EXPECT_EQ(form.statusText(), "Can't connect Capture Device!");
    EXPECT_EQ(form.SFrame->geometry(), QRect(3, 34, 277, 219));
    EXPECT_EQ(form.StatusBar->geometry(), QRect(0, 252, 280, 24));
    EXPECT_EQ(s.FrameCount, 0u);
    EXPECT_EQ(s.PreviewOn, 0);
}

TEST(Startup, FramePathsAreBuiltInTheStartupDirectoryEvenWithoutADriver) {
    test::TestProgram run(R"({"drivers":[]})");
    const auto& paths = run.program.state().FramePath;
    const QString dir = QDir::currentPath();
    ASSERT_EQ(paths.size(), 100u);
    EXPECT_EQ(paths[0], dir + "/Frame0.bmp");
    EXPECT_EQ(paths[9], dir + "/Frame9.bmp");
    EXPECT_EQ(paths[10], dir + "/Frame10.bmp");
    EXPECT_EQ(paths[99], dir + "/Frame99.bmp");
    // The machine is of the newer kind, and without a driver no device path is known.
    EXPECT_EQ(run.program.state().DriverKeyPath, "Software\\Microsoft\\VfWWDM Mapper\\");
}

TEST(Startup, SevenWindowsAreCreatedHidden) {
    test::TestProgram run(R"({"drivers":[{"index":0}]})");
    app::Program& p = run.program;
    const std::pair<QWidget*, const char*> windows[] = {
        {&p.MainForm(), "MainForm"},     {&p.FAnimate(), "FAnimate"}, {&p.Album(), "Album"},
        {&p.FConfig(), "FConfig"},       {&p.Frame(), "Frame"},       {&p.FNotice(), "FNotice"},
        {&p.FormatJpeg(), "FormatJpeg"},
    };
    for (const auto& [window, name] : windows) {
        EXPECT_EQ(window->objectName(), name);
        EXPECT_TRUE(window->isWindow()) << name;
        EXPECT_FALSE(window->isVisible()) << name;
    }
    EXPECT_EQ(p.FConfig().windowTitle(), "Select Source");
    EXPECT_EQ(p.FNotice().windowTitle(), "Notice");
}

// A picture larger than the video frame overhangs it where the fitting puts it, but every
// button and the status line stay on top, where a click reaches them.
TEST(Startup, ALargePictureLeavesTheControlsOnTop) {
    test::TestProgram run(R"({"drivers":[{"index":0,"width":1280,"height":720}]})");
    app::TMainForm& form = run.program.MainForm();
    form.show();
    const QWidget* capture = run.program.state().CapWnd;
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(capture->geometry(),
              QRect(3 + (277 - 1280) / 2 - 1, 34 + (219 - 720) / 2 - 1, 1280, 720));
    for (QWidget* control :
         std::initializer_list<QWidget*>{form.B_About, form.B_Format, form.B_Source, form.B_Setting,
                                         form.B_CapFrames, form.B_Open, form.B_Exit}) {
        const QPoint centre = control->mapTo(&form, control->rect().center());
        EXPECT_EQ(form.childAt(centre), control) << control->objectName().toStdString();
    }
    const QPoint status = form.StatusBar->geometry().center();
    EXPECT_TRUE(form.StatusBar->isAncestorOf(form.childAt(status)) ||
                form.childAt(status) == form.StatusBar);

    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    EXPECT_EQ(run.program.state().FrameCount, 1u);
}

TEST(Startup, HelpAsksForTheHelpFileOfTheStartupDirectory) {
    test::TestProgram run(R"({"drivers":[]})");
    QTest::mouseClick(run.program.MainForm().B_About, Qt::LeftButton);
    ASSERT_EQ(run.help.shown.size(), 1u);
    EXPECT_EQ(run.help.shown[0], QDir::currentPath() + "/GuiHelp.hlp");
}

TEST(Startup, ExitClosesTheMainWindow) {
    test::TestProgram run(R"({"drivers":[{"index":0}]})");
    app::TMainForm& form = run.program.MainForm();
    form.show();
    ASSERT_TRUE(form.isVisible());
    QTest::mouseClick(form.B_Exit, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

TEST(HelpFile, TheShippedDocumentReadsAndAMissingOneIsNamed) {
    const platform::Result<QString> shipped =
        platform::readHelpFile(NIMBACAST_SOURCE_DIR "/src/resources/help/GuiHelp.hlp");
    ASSERT_TRUE(shipped) << shipped.failure().utf8();
    EXPECT_TRUE(shipped->contains("Nimbacast"));

    test::StartDir dir;
    const QString missing = dir.path() + "/GuiHelp.hlp";
    const platform::Result<QString> none = platform::readHelpFile(missing);
    ASSERT_FALSE(none);
    EXPECT_TRUE(none.why().contains(missing)) << none.failure().utf8();
}

// The help file is read like the other small files: what stands in its place (a device, a
// FIFO, a file far larger than any help) is refused at once with a box naming it, never
// read without end or waited on.
TEST(HelpFile, OnlyARegularFileOfModestSizeIsRead) {
    test::StartDir dir;
    const QString file = dir.path() + "/GuiHelp.hlp";
    struct Row {
        const char* what;
        std::function<void()> make;
        const char* fault;
    } rows[] = {
        {"a link to /dev/zero", [&] { QFile::link("/dev/zero", file); }, "not a regular file"},
        {"a FIFO", [&] { ::mkfifo(QFile::encodeName(file).constData(), 0600); },
         "not a regular file"},
        {"100 MB",
         [&] {
             QFile big(file);
             big.open(QIODevice::WriteOnly);
             big.resize(100 << 20); // sparse: nothing written
         },
         "more than"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QFile::remove(file);
        row.make();
        const platform::Result<QString> doc = platform::readHelpFile(file);
        ASSERT_FALSE(doc);
        EXPECT_TRUE(doc.why().contains(file)) << doc.failure().utf8();
        EXPECT_TRUE(doc.why().contains(row.fault)) << doc.failure().utf8();
    }
}

// The viewer shows the help text alone: a picture or a style sheet it names is not loaded
// (it could be /dev/zero), and a link to a file shows nothing else in its place; a link to
// an anchor within the text still works.
TEST(HelpFile, TheViewerLoadsNothingTheTextNames) {
    test::StartDir dir;
    const QString picture = dir.path() + "/picture.png";
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(picture));
    const QString sheet = dir.write("style.css", "body { color: red }");
    const QString other = dir.write("other.html", "<html><body>elsewhere</body></html>");
    const QString file =
        dir.write("GuiHelp.hlp", QString("<html><head><link rel=stylesheet href='%1'></head><body>"
                                         "<p><img src='%2'><img src='picture.png'></p>"
                                         "<p><a href='%3'>other</a> <a href='#end'>end</a></p>"
                                         "<p><a name='end'>The end</a></p></body></html>")
                                     .arg(sheet, picture, QUrl::fromLocalFile(other).toString())
                                     .toUtf8());
    test::OpenWatch watchPicture(picture), watchSheet(sheet), watchOther(other);
    platform::HelpViewerService help;
    help.showContents(file);
    ASSERT_NE(help.viewer(), nullptr);
    QTextBrowser& viewer = *help.viewer();
    viewer.grab();
    // The user follows the links by the keyboard: the file's, then the anchor's.
    QSignalSpy followed(&viewer, &QTextBrowser::anchorClicked);
    viewer.setFocus();
    for (int link = 0; link < 2; ++link) {
        QTest::keyClick(&viewer, Qt::Key_Tab);
        QTest::keyClick(&viewer, Qt::Key_Return);
    }
    viewer.grab();
    EXPECT_EQ(followed.count(), 2);
    EXPECT_FALSE(watchPicture.opened());
    EXPECT_FALSE(watchSheet.opened());
    EXPECT_FALSE(watchOther.opened());
    EXPECT_TRUE(viewer.toPlainText().contains("The end"));
    EXPECT_FALSE(viewer.toPlainText().contains("elsewhere"));
}

TEST(HelpFile, TheViewerShowsTheDocument) {
    test::StartDir dir;
    const QString file = dir.write("GuiHelp.hlp", "<html><head><title>Guide</title></head>"
                                                  "<body><h1>Camera help</h1></body></html>");
    platform::HelpViewerService help;
    help.showContents(file);
    ASSERT_NE(help.viewer(), nullptr);
    EXPECT_TRUE(help.viewer()->isVisible());
    EXPECT_EQ(help.viewer()->windowTitle(), "Guide");
    EXPECT_TRUE(help.viewer()->toPlainText().contains("Camera help"));
}

} // namespace

namespace {

// A registry file that cannot be parsed is said once, naming the file, and then left alone:
// the capture service installs nothing into it.
TEST(MachineRegistry, ADamagedFileIsReportedOnceAndNeverWritten) {
    test::StartDir dir;
    const QByteArray damaged = R"({"HKEY_LOCAL_MACHINE": {"Software": [)";
    const QString file = dir.write("registry.json", damaged);
    const test::ScopedEnvironment registry("NIMBACAST_REGISTRY", file.toUtf8());
    const QString drivers = dir.write("drivers.json", R"({"drivers":[{"index":0}]})");
    const test::ScopedEnvironment simulated("NIMBACAST_CAPTURE_DRIVERS", drivers.toUtf8());
    test::RecordedMessages messages;
    {
        app::MachineServices machine(messages);
        app::Program program(machine.services());
        program.MainForm().close();
    }
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_TRUE(messages.errors[0].text.contains(file)) << messages.errors[0].text.toStdString();
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), damaged);
}

} // namespace
