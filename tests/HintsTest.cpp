#include "Support.h"

#include "app/Main.h"
#include "ui/Hints.h"
#include "ui/Shape.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(HintSplit, SplitsAtTheFirstBarWithoutTrimming) {
    struct Row {
        const char* hint;
        const char* shortPart;
        const char* longPart;
    } rows[] = {
        {"Video Format | Select Video Format", "Video Format ", " Select Video Format"},
        {"| Quorix VideoCam", "", " Quorix VideoCam"},
        {"Zoom In", "Zoom In", "Zoom In"},
        {"a|b|c", "a", "b|c"},
        {"tip|", "tip", ""},
        {"", "", ""},
    };
    for (const auto& r : rows) {
        const ui::HintParts parts = ui::splitHint(QString::fromUtf8(r.hint));
        EXPECT_EQ(parts.shortPart, QString::fromUtf8(r.shortPart)) << r.hint;
        EXPECT_EQ(parts.longPart, QString::fromUtf8(r.longPart)) << r.hint;
    }
}

TEST(Hints, TooltipsShowOnlyTheShortPart) {
    test::TestProgram run(R"({"drivers":[{"index":0,"name":"Quorix VideoCam"}]})");
    app::TMainForm& form = run.program.MainForm();
    const std::pair<QWidget*, const char*> tips[] = {
        {form.B_Format, "Video Format "},
        {form.B_Source, "Video Source "},
        {form.B_Setting, "Select Source "},
        {form.B_About, "Help "},
        {form.B_CapFrames, "Capture Frame "},
        {form.B_Open, "Open Image File "},
        {form.B_Exit, "Exit "},
        {&form, ""},
        {form.SFrame, ""},
    };
    for (const auto& [control, tip] : tips)
        EXPECT_EQ(control->toolTip(), QString::fromUtf8(tip))
            << control->objectName().toStdString();
}

TEST(Hints, StatusLineFollowsTheLongHintUnderThePointer) {
    test::TestProgram run(R"({"drivers":[{"index":0,"name":"Quorix VideoCam"}]})");
    app::TMainForm& form = run.program.MainForm();
    ui::HintMachine& hints = run.program.hints();
    QSignalSpy changes(&hints, &ui::HintMachine::hintChanged);

    hints.pointerOver(form.B_Format);
    EXPECT_EQ(form.statusText(), " Select Video Format");
    hints.pointerOver(form.B_Exit);
    EXPECT_EQ(form.statusText(), " Quit This Application");
    // Controls without a hint of their own take the main window's.
    hints.pointerOver(run.program.state().CapWnd);
    EXPECT_EQ(form.statusText(), " Quorix VideoCam");
    EXPECT_EQ(changes.count(), 3);
    // Same long hint: the handler does not run again.
    hints.pointerOver(form.SFrame);
    hints.pointerOver(form.Panel2);
    hints.pointerOver(form.StatusBar);
    EXPECT_EQ(changes.count(), 3);
    // Off every window of the application.
    hints.pointerOver(nullptr);
    EXPECT_EQ(form.statusText(), "");
    EXPECT_EQ(changes.count(), 4);
}

TEST(Hints, ConnectionFailureStaysUntilTheLongHintChanges) {
    test::TestProgram run(R"({"drivers":[]})");
    app::TMainForm& form = run.program.MainForm();
    ui::HintMachine& hints = run.program.hints();

    EXPECT_EQ(form.statusText(), "Can't connect Capture Device!");
    hints.pointerOver(form.SFrame); // empty long hint, as before: no change
    hints.pointerOver(&form);
    EXPECT_EQ(form.statusText(), "Can't connect Capture Device!");
    hints.pointerOver(form.B_Setting);
    EXPECT_EQ(form.statusText(), " Select Camera Source");
    hints.pointerOver(form.Panel3);
    EXPECT_EQ(form.statusText(), "");
}

TEST(Hints, EnterEventsDriveTheMachinery) {
    test::TestProgram run(R"({"drivers":[]})");
    app::TMainForm& form = run.program.MainForm();
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(form.B_Open, &enter);
    EXPECT_EQ(form.statusText(), " Open Image File");
}

} // namespace
