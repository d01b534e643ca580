#include "Support.h"

#include "album/Format.h"
#include "album/Show.h"
#include "app/Main.h"
#include "ui/ErrorReport.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr char kSmallDriver[] =
    R"({"drivers":[{"index":0,"name":"Quorix","width":64,"height":48}]})";

// Every file the program writes meets a disk that fills partway: it says so with the
// system's reason, and leaves neither a short file nor its temporary file behind.
TEST(FullDisk, NoWriteLeavesAShortFileOrPassesInSilence) {
    struct Row {
        const char* what;
        qint64 free;         // room left once the disk is filled
        bool oldFile;        // a file of the target's name is there before
        bool oldFileRemains; // ... and must still be there, unchanged, afterwards
        std::function<void(test::TestProgram&, const QString& target)> write;
    } rows[] = {
        {"capture beside a leftover frame", 4096, true, false,
         [](test::TestProgram& run, const QString& target) {
             run.program.state().FramePath[0] = target;
             QTest::mouseClick(run.program.MainForm().B_CapFrames, Qt::LeftButton);
         }},
        {"JPEG export", 0, false, false,
         [](test::TestProgram& run, const QString& target) {
             run.program.MainForm().B_CapFramesClick();
             run.fileDialogs.answers = {target};
             QTest::mouseClick(run.program.Album().B_Save, Qt::LeftButton);
         }},
        {"BMP export over an older file", 4096, true, true,
         [](test::TestProgram& run, const QString& target) {
             run.program.MainForm().B_CapFramesClick();
             run.program.FormatJpeg().settings.SaveAsJpeg = false;
             run.fileDialogs.answers = {target};
             QTest::mouseClick(run.program.Album().B_Save, Qt::LeftButton);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::SmallDisk disk(64);
        if (!disk.mounted())
            GTEST_SKIP() << "no tmpfs can be mounted here";
        test::TestProgram run(kSmallDriver);
        std::optional<test::ReportsTo> reports(std::in_place, run.messages);
        const QString target = disk.path() + "/Frame0.bmp";
        const QByteArray old(3000, 'o');
        if (row.oldFile) {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        disk.fill(row.free);

        row.write(run, target);
        test::settle();
        reports.reset();

        ASSERT_EQ(run.messages.errors.size(), 1u);
        EXPECT_TRUE(run.messages.errors[0].text.contains("No space left on device"))
            << run.messages.errors[0].text.toStdString();
        EXPECT_TRUE(run.messages.errors[0].text.contains(target));
        if (row.oldFileRemains) {
            EXPECT_EQ(test::contentsOf(target), old);
            EXPECT_EQ(disk.entries(), QStringList{"Frame0.bmp"});
        } else {
            EXPECT_TRUE(disk.entries().isEmpty()) << disk.entries().join(' ').toStdString();
        }
    }
}

TEST(ReadOnlyDisk, ACaptureSaysSoAndTheOldFileIsNeverShownAsTheNewFrame) {
    test::SmallDisk disk(256);
    if (!disk.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    QImage earlier(64, 48, QImage::Format_RGB32);
    earlier.fill(Qt::red);
    const QString leftover = disk.path() + "/Frame0.bmp";
    ASSERT_TRUE(earlier.save(leftover, "BMP"));
    ASSERT_TRUE(disk.makeReadOnly());

    test::TestProgram run(kSmallDriver);
    run.program.state().FramePath[0] = leftover;
    {
        test::ReportsTo reports(run.messages);
        QTest::mouseClick(run.program.MainForm().B_CapFrames, Qt::LeftButton);
        test::settle();
    }

    ASSERT_EQ(run.messages.errors.size(), 1u);
    EXPECT_TRUE(run.messages.errors[0].text.contains("Read-only file system"))
        << run.messages.errors[0].text.toStdString();
    EXPECT_FALSE(run.program.Album().isVisible());
    EXPECT_THROW(run.program.Album().loadSlot(1, 0), ui::ToolkitError);
}

} // namespace
