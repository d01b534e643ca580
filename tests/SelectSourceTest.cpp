#include "Support.h"

#include "album/Notice.h"
#include "app/Main.h"
#include "app/Placement.h"
#include "capture/Config.h"
#include "ui/ErrorReport.h"
#include "ui/Hints.h"
#include "ui/Placement.h"

#include <QAbstractItemView>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// What the user does in "Select Source": the list position to choose (-2: leave it), the
// track bar's position (0: leave it), and OK or Cancel.
struct Choice {
    int position = -2;
    int fps = 0;
    bool ok = true;
};

// What the dialog showed when it opened, and where the notice stood, if it came.
struct Seen {
    QStringList items;
    int selected = -3;
    QString version;
    int trackBar = 0;
    QPoint dialogAt;
    bool notice = false;
    QString noticeText;
    QPoint noticeAt;
};

Seen selectSource(test::TestProgram& run, const Choice& choice) {
    Seen seen;
    run.modal.answer = [&](QDialog& dialog) {
        if (dialog.objectName() == "FNotice") {
            seen.notice = true;
            seen.noticeText = run.program.FNotice().StaticText->text();
            seen.noticeAt = dialog.pos();
            return int(QDialog::Accepted);
        }
        auto& config = dynamic_cast<capture::TFConfig&>(dialog);
        config.show(); // as the modal loop shows it: FormShow runs
        for (int i = 0; i < config.ComboBox1->count(); ++i)
            seen.items << config.ComboBox1->itemText(i);
        seen.selected = config.ComboBox1->currentIndex();
        seen.version = config.Label3->text();
        seen.trackBar = config.TrackBar->value();
        seen.dialogAt = config.pos();
        if (choice.position != -2)
            config.ComboBox1->setCurrentIndex(choice.position);
        if (choice.fps)
            config.TrackBar->setValue(choice.fps);
        config.hide();
        return int(choice.ok ? QDialog::Accepted : QDialog::Rejected);
    };
    QTest::mouseClick(run.program.MainForm().B_Setting, Qt::LeftButton);
    run.modal.answer = nullptr;
    return seen;
}

struct Case {
    const char* name;
    std::string drivers;
    Choice choice;
    // Expected: what the dialog showed, then the state after it.
    QStringList items;
    int selected;
    int trackBar;
    bool notice;
    int connected, driverIndex, previewFps;
    QSize client; // after; the window is first set to 500 x 500 to see a refit
    const char* hint;
    const char* status;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class SelectSourceCase : public ::testing::TestWithParam<Case> {};

TEST_P(SelectSourceCase, DoesWhatTheChoiceAsks) {
    const Case& c = GetParam();
    test::TestProgram run(c.drivers);
    app::TMainForm& form = run.program.MainForm();
    form.setClientSize(500, 500);
    const Seen seen = selectSource(run, c.choice);
    const app::MainState& s = run.program.state();

    EXPECT_EQ(seen.items, c.items);
    EXPECT_EQ(seen.selected, c.selected);
    EXPECT_EQ(seen.trackBar, c.trackBar);
    EXPECT_EQ(seen.notice, c.notice);
    if (c.notice) {
        EXPECT_EQ(seen.noticeText, "Can't connect Capture Device!");
        EXPECT_EQ(seen.noticeAt, form.frameGeometry().topLeft() + QPoint(0, 70));
    }
    EXPECT_EQ(s.Connected, c.connected);
    EXPECT_EQ(s.DriverIndex, c.driverIndex);
    EXPECT_EQ(s.PreviewFps, c.previewFps);
    EXPECT_EQ(form.size(), c.client);
    EXPECT_EQ(ui::hintOf(&form), QString::fromUtf8(c.hint));
    EXPECT_EQ(form.statusText(), QString::fromUtf8(c.status));
    if (c.connected) {
        EXPECT_EQ(s.CapWnd->mode().rate, platform::FrameRate::whole(c.previewFps))
            << "the driver is asked for the rate";
    }
}

const std::string kTwo = R"({"drivers":[{"index":0,"name":"Test Cam A","version":"1.0"},
    {"index":1,"name":"Quorix VideoCam","version":"5.1","width":640,"height":480}]})";
const std::string kRefusing = R"({"drivers":[{"index":0,"name":"Test Cam A","version":"1.0"},
    {"index":1,"name":"Broken","connect":false}]})";

INSTANTIATE_TEST_SUITE_P(
    Part, SelectSourceCase,
    ::testing::Values(
        Case{"the same driver again at 20: restarted at that rate, not refitted",
             kTwo,
             {1, 20, true},
             {"Test Cam A", "Quorix VideoCam"},
             1,
             30,
             false,
             1,
             1,
             20,
             {500, 500},
             "| Quorix VideoCam",
             ""},
        Case{"another driver that connects: refitted to its picture",
             kTwo,
             {0, 0, true},
             {"Test Cam A", "Quorix VideoCam"},
             1,
             30,
             false,
             1,
             0,
             30,
             {343, 318},
             "| Test Cam A",
             ""},
        Case{"a driver that refuses: notice, status line, hint emptied",
             kRefusing,
             {1, 25, true},
             {"Test Cam A", "Broken"},
             0,
             30,
             true,
             0,
             1,
             30,
             {500, 500},
             "",
             "Can't connect Capture Device!"},
        Case{"drivers at 1 and 3, 3 connected: no selection, OK tries -1 and fails",
             R"({"drivers":[{"index":1,"name":"One","connect":false},{"index":3,"name":"Three"}]})",
             {},
             {"", "One"},
             -1,
             30,
             true,
             0,
             -1,
             30,
             {500, 500},
             "",
             "Can't connect Capture Device!"},
        Case{"before any connect the track bar shows 15, and a failure keeps the rate at 0",
             R"({"drivers":[{"index":0,"name":"Broken","connect":false}]})",
             {},
             {"Broken"},
             0,
             15,
             true,
             0,
             0,
             0,
             {500, 500},
             "",
             "Can't connect Capture Device!"},
        Case{"a list changed and cancelled changes nothing",
             kTwo,
             {0, 16, false},
             {"Test Cam A", "Quorix VideoCam"},
             1,
             30,
             false,
             1,
             1,
             30,
             {500, 500},
             "| Quorix VideoCam",
             ""}));

TEST(SelectSource, TheNextOpeningShowsTheStateAgainAndTheListIsFilledOnce) {
    test::TestProgram run(kTwo);
    selectSource(run, {0, 17, false});
    const Seen again = selectSource(run, {});
    EXPECT_EQ(again.items, (QStringList{"Test Cam A", "Quorix VideoCam"}));
    EXPECT_EQ(again.selected, 1);
    EXPECT_EQ(again.version, "5.1");
    EXPECT_EQ(again.trackBar, 30);
}

TEST(SelectSource, TheDialogStandsBesideTheMainWindowAtEveryOpening) {
    test::TestProgram run(R"({"drivers":[{"index":0,"name":"Cam"}]})");
    app::TMainForm& form = run.program.MainForm();
    const int screen = ui::primaryScreenWidth();
    form.show();
    ASSERT_GT(screen, 343 + 250);
    enum Side { Right, Left, AtZero };
    struct Row {
        QPoint main;
        Side side;
        int expectedTop;
    } rows[] = {{{0, 0}, Right, 0},
                {{screen - 400, 50}, Left, 50},  // near the right edge: left of it
                {{100, -40}, Right, 0},          // above the screen: at its top
                {{200 - screen, 0}, AtZero, 0}}; // left of it is off the screen
    for (const Row& row : rows) {
        form.move(row.main);
        const Seen seen = selectSource(run, {-2, 0, false});
        const QRect main = form.frameGeometry();
        const int width = run.program.FConfig().frameGeometry().width();
        const int left = row.side == Right  ? main.right() + 1
                         : row.side == Left ? main.left() - width
                                            : 0;
        EXPECT_EQ(seen.dialogAt.x(), left) << row.main.x();
        EXPECT_EQ(seen.dialogAt.y(), row.expectedTop) << row.main.x();
    }
}

// At 15 frames a second the capture window paints about half as often as at 30; counted
// over a few seconds with a wide margin.
TEST(SelectSource, ThePreviewPaintsAtTheChosenRate) {
    test::TestProgram run(kTwo);
    run.program.MainForm().show();
    int painted[2] = {};
    for (const int i : {0, 1}) {
        selectSource(run, {1, i == 0 ? 15 : 30, true});
        QSignalSpy frames(run.program.state().CapWnd.data(),
                          &platform::CaptureWindow::framePainted);
        QTest::qWait(3000);
        painted[i] = frames.count();
    }
    EXPECT_GT(painted[0], 15) << "at 15 frames a second";
    EXPECT_LT(painted[0], painted[1] * 3 / 4) << painted[0] << " against " << painted[1];
}

// A camera that goes away: the preview stops and says so, a capture writes nothing and says
// why, and choosing the driver again brings the picture back.
TEST(SelectSource, ALostDeviceIsSaidAndChoosingItAgainReconnects) {
    test::TestProgram run(R"({"drivers":[{"index":0,"name":"Cam","failAfterFrames":5}]})");
    test::ReportsTo reports(run.messages);
    app::TMainForm& form = run.program.MainForm();
    form.show();
    for (int waited = 0; waited < 100 && !form.statusText().contains("lost"); ++waited)
        QTest::qWait(50);
    EXPECT_TRUE(form.statusText().startsWith("The capture device was lost"))
        << form.statusText().toStdString();

    QTest::mouseClick(form.B_CapFrames, Qt::LeftButton);
    test::settle();
    ASSERT_EQ(run.messages.errors.size(), 1u);
    EXPECT_TRUE(run.messages.errors[0].text.contains("lost"));
    EXPECT_TRUE(QDir(run.dir.path()).entryList({"Frame*.bmp"}).isEmpty());

    selectSource(run, {0, 0, true});
    QSignalSpy frames(run.program.state().CapWnd.data(), &platform::CaptureWindow::framePainted);
    EXPECT_TRUE(frames.wait(5000)) << "no picture after choosing the driver again";
}

TEST(SelectSource, TheDriverListsItemsAre14PixelsHigh) {
    test::TestProgram run(
        R"({"drivers":[{"index":0,"name":"Quorix"},{"index":1,"name":"Other"}]})");
    capture::TFConfig& config = run.program.FConfig();
    config.show();
    ASSERT_EQ(config.ComboBox1->count(), 2);
    config.ComboBox1->showPopup();
    const QAbstractItemView* list = config.ComboBox1->view();
    ASSERT_TRUE(list->isVisible());
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(list->visualRect(list->model()->index(row, 0)).height(), 14) << row;
    config.ComboBox1->hidePopup();
    config.hide();
}

} // namespace
