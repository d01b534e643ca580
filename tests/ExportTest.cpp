#include "BmpHeader.h"
#include "Support.h"

#include "album/Export.h"
#include "album/Fimage.h"
#include "album/Format.h"
#include "album/Show.h"
#include "app/Main.h"
#include "platform/imaging/BmpHeaders.h"
#include "platform/imaging/Imaging.h"
#include "ui/ErrorReport.h"
#include "ui/FileDialogs.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <turbojpeg.h>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

int samplingOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    int w, h, subsamp = -1, colourspace;
    tjhandle handle = tjInitDecompress();
    if (tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(bytes.constData()),
                            static_cast<unsigned long>(bytes.size()), &w, &h, &subsamp,
                            &colourspace) != 0)
        subsamp = -1;
    tjDestroy(handle);
    return subsamp;
}

// A click on a radio item's button, where a user clicks.
void clickItem(QWidget* item) {
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, 8));
}

struct ExportRun : ::testing::Test {
    test::TestProgram run{R"({"drivers":[{"index":0,"name":"Cam","width":640,"height":480}]})"};
    album::TAlbum& album = run.program.Album();
    album::TFormatJpeg& dialog = run.program.FormatJpeg();
    test::ReportsTo reports{run.messages};

    void capture() { run.program.MainForm().B_CapFramesClick(); }
    // Opens the settings dialog from the album and lets `change` act on it.
    void settingsDialog(std::function<void()> change) {
        run.modal.answer = [&, change](QDialog& d) {
            d.show();
            change();
            d.hide();
            return d.result();
        };
        album.BitBtn1Click();
        run.modal.answer = nullptr;
    }
};

TEST_F(ExportRun, DefaultsSaveJpegAt444WithoutVisitingTheDialog) {
    capture();
    const QString target = run.dir.path() + "/out/picture"; // typed without extension
    QDir().mkpath(run.dir.path() + "/out");
    run.fileDialogs.answers = {target};
    album.B_SaveClick();
    ASSERT_EQ(run.fileDialogs.opened.size(), 1u);
    EXPECT_EQ(run.fileDialogs.opened[0].filter, "JPEG file|*.jpg");
    EXPECT_FALSE(run.fileDialogs.opened[0].confirmOverwrite);
    EXPECT_EQ(samplingOf(target + ".jpg"), TJSAMP_444);
    EXPECT_EQ(QImage(target + ".jpg").size(), QSize(640, 480));
    EXPECT_TRUE(run.messages.errors.empty());
    // The dialog keeps the last name.
    album.B_SaveClick();
    EXPECT_EQ(run.fileDialogs.opened[1].fileName, target + ".jpg");
}

TEST_F(ExportRun, TheDialogsChoicesReachTheNextSave) {
    capture();
    run.fileDialogs.answers = {run.dir.path() + "/default.jpg"};
    album.B_SaveClick();

    settingsDialog([&] {
        EXPECT_EQ(dialog.height(), 232);
        EXPECT_EQ(dialog.kindItem(), 1);
        EXPECT_EQ(dialog.Factor->currentText(), "YUV(4:4:4)");
        EXPECT_EQ(dialog.QuanlityTrack->value(), 50);
        EXPECT_EQ(dialog.Edit1->text(), "50");
        dialog.Factor->setCurrentIndex(0);
        dialog.QuanlityTrack->setValue(100);
        EXPECT_EQ(dialog.Edit1->text(), "100");
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
    run.fileDialogs.answers = {run.dir.path() + "/small.jpg"};
    album.B_SaveClick();
    EXPECT_EQ(samplingOf(run.dir.path() + "/small.jpg"), TJSAMP_411);
    EXPECT_LT(QFileInfo(run.dir.path() + "/small.jpg").size(),
              QFileInfo(run.dir.path() + "/default.jpg").size());

    settingsDialog([&] {
        EXPECT_EQ(dialog.Factor->currentIndex(), 0);
        dialog.Factor->setCurrentIndex(1);
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
    run.fileDialogs.answers = {run.dir.path() + "/mid.jpg"};
    album.B_SaveClick();
    EXPECT_EQ(samplingOf(run.dir.path() + "/mid.jpg"), TJSAMP_422);
}

TEST_F(ExportRun, BmpModeWritesTheWholeFrameAndCaptionsTheViewer) {
    capture();
    settingsDialog([&] {
        clickItem(dialog.KindBmp);
        EXPECT_EQ(dialog.height(), 65);
        EXPECT_FALSE(dialog.GroupBox2->isVisibleTo(&dialog) &&
                     dialog.GroupBox2->geometry().intersects(dialog.rect()));
        clickItem(dialog.KindJpeg);
        EXPECT_EQ(dialog.height(), 232);
        clickItem(dialog.KindBmp);
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    });
    const QString target = run.dir.path() + "/copy";
    run.fileDialogs.answers = {target};
    album.B_SaveClick();
    EXPECT_EQ(run.fileDialogs.opened.back().filter, "BMP file|*.bmp");
    const QString written = target + ".bmp";
    const test::BmpHeader h = test::readBmpHeader(written);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.bitCount, 24);
    EXPECT_EQ(QImage(written).convertToFormat(QImage::Format_RGB32),
              QImage(run.program.state().FramePath[0]).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(run.program.Frame().windowTitle(), written);
}

TEST_F(ExportRun, ClosingTheDialogWithoutOkKeepsTheSettings) {
    settingsDialog([&] {
        clickItem(dialog.KindBmp);
        dialog.Factor->setCurrentIndex(0);
        dialog.QuanlityTrack->setValue(2);
        EXPECT_EQ(dialog.Edit1->text(), "2");
        dialog.close(); // the system menu's close
    });
    EXPECT_TRUE(dialog.settings.SaveAsJpeg);
    EXPECT_EQ(dialog.settings.JpegSampling, 2);
    EXPECT_EQ(dialog.settings.JpegQuality, 50);
    // The next opening shows the stored settings again.
    settingsDialog([&] {
        EXPECT_EQ(dialog.kindItem(), 1);
        EXPECT_EQ(dialog.height(), 232);
        EXPECT_EQ(dialog.Factor->currentIndex(), 2);
        EXPECT_EQ(dialog.Edit1->text(), "50");
    });
    EXPECT_EQ(dialog.windowTitle(), "File format settings");
    EXPECT_EQ(dialog.Label2->text(), "High Quanlity");
}

TEST_F(ExportRun, CancelWritesNothingAndNoSelectionShowsTheNotice) {
    for (int i = 0; i < 4; ++i)
        capture();
    album.ImageFrame1Click(); // frame 1
    run.fileDialogs.answers = {QString()};
    album.B_SaveClick();
    EXPECT_EQ(QDir(run.dir.path()).entryList({"*.jpg"}).size(), 0);
    EXPECT_EQ(run.fileDialogs.opened.size(), 1u);

    album.ScrollBarScroll(2); // frames 0..2: still selected in slot 2
    album.ScrollBarScroll(3);
    album.ImageFrame3Click(); // frame 3
    album.ScrollBarScroll(2); // frame 3 leaves the strip
    ASSERT_EQ(album.strip.SelectedSlot, 0);
    album.B_SaveClick();
    EXPECT_EQ(run.modal.shown, std::vector<QString>{"FNotice"});
    EXPECT_EQ(run.fileDialogs.opened.size(), 1u);
}

TEST_F(ExportRun, DamagedFrameFilesAreRefusedBeforeTheDialog) {
    capture();
    const QString frame = run.program.state().FramePath[0];
    QFile file(frame);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();
    const auto withField = [&](int at, quint32 value) {
        QByteArray bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    const auto withSize = [&](quint32 bfSize) { return withField(2, bfSize); };
    constexpr qint64 kBeyondBound = (qint64(64) << 20) + 4096;
    struct Row {
        const char* name;
        QByteArray contents;
        const char* fault;
        qint64 fileSize; // 0: as the contents
    } rows[] = {
        {"short header", good.left(10), "shorter than a BMP file header", 0},
        {"bfSize below the headers", withSize(40), "too small", 0},
        {"bfSize beyond the file", withSize(good.size() + 1), "but the file holds", 0},
        {"bfSize far beyond the file", withSize(0x7FFFFFFF), "but the file holds", 0},
        {"bfSize beyond the bound", withSize(quint32(kBeyondBound)), "64 MiB", kBeyondBound},
        {"pixels inside the file header", withField(10, 4), "inside its file header", 0},
    };
    for (const Row& r : rows) {
        run.messages.errors.clear();
        QFile damaged(frame);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(r.contents);
        if (r.fileSize)
            damaged.resize(r.fileSize); // sparse: no 64 MiB written
        damaged.close();
        run.fileDialogs.answers = {run.dir.path() + "/never.jpg"};
        EXPECT_THROW(album.B_SaveClick(), ui::ToolkitError) << r.name;
        try {
            album.B_SaveClick();
        } catch (const ui::ToolkitError& e) {
            EXPECT_TRUE(e.text().contains(frame)) << r.name;
            EXPECT_TRUE(e.text().contains(r.fault)) << e.text().toStdString();
        }
        EXPECT_TRUE(run.fileDialogs.opened.empty()) << r.name;
        EXPECT_FALSE(QFile::exists(run.dir.path() + "/never.jpg")) << r.name;
    }
    QFile::remove(frame);
    EXPECT_THROW(album.B_SaveClick(), ui::ToolkitError);
}

// The run's frame files belong to the album: a later capture writes over them and the close
// removes them. An export onto one, however its folder is typed, is refused with a box that
// names it, in either format, and the frame stays as it was; any other file is written.
TEST_F(ExportRun, AnExportOntoOneOfTheRunsFrameFilesIsRefused) {
    capture();
    const QString dir = run.dir.path();
    ASSERT_TRUE(QFile::link(dir, dir + "/here"));
    const QByteArray frame = test::contentsOf(run.program.state().FramePath[0]);
    struct Row {
        const char* what;
        bool jpeg;
        QString target;
        bool refused;
    } rows[] = {
        {"this frame, as BMP", false, dir + "/Frame0", true},
        {"this frame, as JPEG typed with .bmp", true, dir + "/Frame0.bmp", true},
        {"a frame not captured yet", false, dir + "/Frame7.bmp", true},
        {"the last frame name", true, dir + "/Frame99.bmp", true},
        {"through a dot and a link", false, dir + "/./here/Frame0.bmp", true},
        {"a name beside the frames", false, dir + "/Frame0 copy.bmp", false},
        {"no frame number", false, dir + "/Frame100.bmp", false},
        {"as JPEG beside it", true, dir + "/Frame0", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        settingsDialog([&] {
            clickItem(r.jpeg ? dialog.KindJpeg : dialog.KindBmp);
            QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        });
        const QString caption = run.program.Frame().windowTitle();
        run.fileDialogs.answers = {r.target};
        if (r.refused) {
            try {
                album.B_SaveClick();
                ADD_FAILURE() << "written";
            } catch (const ui::ToolkitError& e) {
                EXPECT_TRUE(e.text().contains(r.target)) << e.text().toStdString();
                EXPECT_TRUE(e.text().contains("removed when the program closes"))
                    << e.text().toStdString();
            }
            EXPECT_EQ(run.program.Frame().windowTitle(), caption);
        } else {
            EXPECT_NO_THROW(album.B_SaveClick());
            EXPECT_FALSE(QImage(ui::withDefaultSuffix(r.target, r.jpeg ? "jpg" : "bmp")).isNull());
        }
        EXPECT_EQ(test::contentsOf(run.program.state().FramePath[0]), frame);
        EXPECT_FALSE(QFile::exists(dir + "/Frame7.bmp"));
    }
}

// Names up to the filesystem's limit of 255 bytes export, though the file is written under
// a longer temporary name first; one character of two bytes is not cut in half.
TEST_F(ExportRun, NamesUpToTheFilesystemsLimitExport) {
    capture();
    struct Row {
        const char* what;
        QString name;
    } rows[] = {
        {"250 bytes", QString(246, 'a') + ".jpg"},
        {"255 bytes", QString(251, 'b') + ".jpg"},
        {"255 bytes of two-byte letters", QString(125, QChar(0xE9)) + "c.jpg"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        run.fileDialogs.answers = {run.dir.path() + "/" + r.name};
        EXPECT_NO_THROW(album.B_SaveClick());
        EXPECT_EQ(samplingOf(run.dir.path() + "/" + r.name), TJSAMP_444);
        // Nothing of the temporary file is left beside it.
        EXPECT_EQ(QDir(run.dir.path()).entryList({".*part"}, QDir::Hidden | QDir::Files),
                  QStringList());
    }
}

// Frames are the webcam's pictures, for this user alone whatever the umask, also over a
// readable file an earlier run left; an export is the user's own file and keeps the umask's
// mode.
TEST(FileModes, FramesAreThisUsersAloneAndExportsFollowTheUmask) {
    const mode_t before = ::umask(022);
    {
        test::TestProgram run{R"({"drivers":[{"index":0,"name":"Cam","width":320,"height":240}]})"};
        test::ReportsTo reports{run.messages};
        run.dir.write("Frame1.bmp", "left by an earlier run");
        QFile::setPermissions(run.dir.path() + "/Frame1.bmp",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        run.program.MainForm().B_CapFramesClick();
        run.program.MainForm().B_CapFramesClick();
        const auto mode = [](const QString& path) {
            struct stat info {};
            return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777
                                                                           : 07777u;
        };
        EXPECT_EQ(mode(run.program.state().FramePath[0]), 0600u);
        EXPECT_EQ(mode(run.program.state().FramePath[1]), 0600u);
        run.fileDialogs.answers = {run.dir.path() + "/export.jpg"};
        run.program.Album().B_SaveClick();
        EXPECT_EQ(mode(run.dir.path() + "/export.jpg"), 0644u);
        EXPECT_TRUE(run.messages.errors.empty());
    }
    ::umask(before);
}

TEST(FrameBlock, IsSizedFromTheHeaderAndBounded) {
    test::StartDir dir;
    QImage big(704, 576, QImage::Format_RGB32);
    big.fill(Qt::darkCyan);
    const QString path = dir.path() + "/Frame0.bmp";
    ASSERT_TRUE(big.save(path, "BMP"));
    // Larger than the 921,656-byte block of old: read whole.
    const album::FrameDib dib = album::ReadFrameDib(path);
    EXPECT_EQ(dib.bytes.size(),
              static_cast<std::size_t>(QFileInfo(path).size() - platform::kBmpFileHeader));
    album::SaveSettings settings;
    ASSERT_EQ(album::SaveDibAsJpeg(dib, dir.path() + "/big.jpg", settings), 1);
    EXPECT_EQ(QImage(dir.path() + "/big.jpg").size(), QSize(704, 576));

    // A DIB that does not convert is said, and nothing is written.
    const album::FrameDib junk{std::vector<std::uint8_t>(100, 0x11)};
    EXPECT_THROW(album::SaveDibAsJpeg(junk, dir.path() + "/junk.jpg", settings), ui::ToolkitError);
    EXPECT_FALSE(QFile::exists(dir.path() + "/junk.jpg"));
}

} // namespace

namespace {

// A file with unused bytes between its colour table and its pixels, its pixel offset saying
// where the pixels start: the export converts the picture the toolkit shows of the file.
TEST(FrameBlock, PixelsStartWhereTheFileHeaderSays) {
    test::StartDir dir;
    QImage picture(37, 21, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, QColor::fromHsv((x * 9 + y * 5) % 360, 200, 220));
    for (const QImage::Format format : {QImage::Format_Indexed8, QImage::Format_RGB32}) {
        SCOPED_TRACE(format);
        const QImage source = format == QImage::Format_Indexed8
                                  ? picture.convertToFormat(format, Qt::ThresholdDither)
                                  : picture;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(source.save(&buffer, "BMP"));
        const auto put32 = [&](int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = char(v >> (8 * i));
        };
        const quint32 offBits = platform::readBmpFileHeader(bytes)->pixelsAt;
        bytes.insert(offBits, QByteArray(100, '\x5a'));
        put32(2, quint32(bytes.size()));
        put32(10, offBits + 100);
        const QString path = dir.write("gap.bmp", bytes);
        ASSERT_FALSE(QImage(path).isNull());

        const album::FrameDib dib = album::ReadFrameDib(path);
        platform::BitmapRecord bitmap;
        ASSERT_EQ(
            platform::L_ChangeFromDIB(&bitmap, dib.bytes.data(), dib.bytes.size(), dib.pixelOffset),
            platform::kSuccess);
        EXPECT_EQ(platform::pictureOf(bitmap).convertToFormat(QImage::Format_RGB32),
                  QImage(path).convertToFormat(QImage::Format_RGB32));
    }
}

} // namespace
