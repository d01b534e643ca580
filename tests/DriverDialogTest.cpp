#include "Support.h"

#include "app/Main.h"
#include "platform/capture/dialogs/FormatDialog.h"
#include "platform/capture/drivers/TestPictureSettings.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr char kTwoSizes[] =
    R"({"drivers":[{"index":0,"name":"Quorix","sizes":[[320,240],[640,480]]}]})";

// The format dialog offers the sizes ascending with the current one chosen; a size chosen
// with OK refits the window and goes to the driver's key; Cancel changes nothing.
TEST(FormatDialog, AChosenSizeRefitsTheWindowAndIsKeptInTheDriversKey) {
    test::TestProgram run(kTwoSizes);
    app::TMainForm& form = run.program.MainForm();
    ASSERT_EQ(form.size(), QSize(343, 318));
    struct Row {
        int answer; // the dialog's result
        QSize client;
        QRect capture;
        int keyWidth;
    } rows[] = {
        {QDialog::Rejected, {343, 318}, {13, 44, 320, 240}, 320},
        {QDialog::Accepted, {663, 558}, {13, 44, 640, 480}, 640},
    };
    for (const Row& row : rows) {
        QStringList offered;
        QString chosenAtOpen;
        run.driverDialogs = [&](QDialog& dialog) {
            auto& format = dynamic_cast<platform::VideoFormatDialog&>(dialog);
            for (int i = 0; i < format.Sizes->count(); ++i)
                offered << format.Sizes->item(i)->text();
            chosenAtOpen = format.Sizes->currentItem()->text();
            EXPECT_EQ(format.focusWidget(), format.Sizes);
            format.Sizes->setCurrentRow(1);
            return row.answer;
        };
        QTest::mouseClick(form.B_Format, Qt::LeftButton);
        EXPECT_EQ(offered, (QStringList{"320 x 240", "640 x 480"}));
        EXPECT_EQ(chosenAtOpen, "320 x 240");
        EXPECT_EQ(form.size(), row.client);
        EXPECT_EQ(run.program.state().CapWnd->geometry(), row.capture);
        EXPECT_EQ(test::firstDriverKey(run.registryFile).value("ImageWidth").toInt(), row.keyWidth);
    }
}

TEST(FormatDialog, ADriverWithoutDialogsShowsNoneAndTheWindowIsStillRefitted) {
    test::TestProgram run(
        R"({"drivers":[{"index":0,"width":320,"height":240,"formatDialog":false,"sourceDialog":false}]})");
    int shown = 0;
    run.driverDialogs = [&](QDialog&) { return ++shown, int(QDialog::Accepted); };
    app::TMainForm& form = run.program.MainForm();
    form.setClientSize(500, 500); // as if something had moved it
    QTest::mouseClick(form.B_Format, Qt::LeftButton);
    QTest::mouseClick(form.B_Source, Qt::LeftButton);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(form.size(), QSize(343, 318));
}

// The source dialog changes the running picture at once; Cancel puts back what was there.
TEST(SourceDialog, ChangesShowLiveAndCancelPutsThemBack) {
    test::TestProgram run(kTwoSizes);
    const auto& wnd = run.program.state().CapWnd;
    for (const int answer : {int(QDialog::Rejected), int(QDialog::Accepted)}) {
        double during = 0;
        run.driverDialogs = [&](QDialog& dialog) {
            dialog.findChild<QSlider*>("Brightness")->setValue(60);
            during = platform::lookOf(wnd->sourceSettings()).brightness;
            if (answer == QDialog::Accepted)
                dialog.accept();
            else
                dialog.reject();
            return answer;
        };
        QTest::mouseClick(run.program.MainForm().B_Source, Qt::LeftButton);
        EXPECT_DOUBLE_EQ(during, 0.6);
        EXPECT_DOUBLE_EQ(platform::lookOf(wnd->sourceSettings()).brightness,
                         answer == QDialog::Accepted ? 0.6 : 0.0);
    }
}

} // namespace
