#include "resources/TextTable.h"
#include "album/Notice.h"
#include "app/MainState.h"
#include "capture/Config.h"
#include "ui/FixedText.h"

#include <gtest/gtest.h>

namespace {

using resources::LoadText;

TEST(TextTable, EveryTextIsExact) {
    const std::pair<std::uint16_t, const char*> expected[] = {
        {101, "Video Format | Select Video Format"},
        {102, "Video Source | Video Source Setting"},
        {103, "Select Source | Select Camera Source"},
        {104, "Help | GUI Help"},
        {105, "Exit | Quit This Application"},
        {107, "Capture Frame | Start Capture Frame"},
        {109, "Open Image File | Open Image File"},
        {110, "OK"},
        {122, "Select Source"},
        {123, "Select capture driver"},
        {124, "Driver setting"},
        {125, "Preview frame rate"},
        {127, "Cancel"},
        {128, "High"},
        {129, "Low"},
        {131, "Notice"},
        {132, "Please select one frame first."},
        {133, "Can't connect Capture Device!"},
        {300, " Frames"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(LoadText(id), text) << "text " << id;
    EXPECT_EQ(LoadText(106), "");
}

TEST(TextTable, TextsArriveCutToTheirBuffers) {
    struct Row {
        std::uint16_t id;
        std::size_t capacity;
        const char* arrives;
    } rows[] = {
        {300, resources::kAlbumFramesBuffer, " Frames"},
        {300, resources::kCaptureFramesBuffer, " Frames"},
        {300, 4, " Fr"},
        {132, 10, "Please se"},
        {133, 30, "Can't connect Capture Device!"},
        {133, 29, "Can't connect Capture Device"},
        {110, 1, ""},
        {110, 0, ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(LoadText(r.id, r.capacity), r.arrives) << r.id << " in " << r.capacity;
}

// The windows' captions come from the table as they are built, with nothing else written
// there first.
TEST(TextTable, DialogsShowTheTablesCaptions) {
    const app::MainState state{};
    capture::TFConfig config(state);
    album::TFNotice notice;
    const std::pair<QString, std::uint16_t> shown[] = {
        {config.windowTitle(), resources::kTextSelectSource},
        {config.Label1->text(), resources::kTextSelectDriver},
        {config.GroupBox1->title(), resources::kTextDriverSetting},
        {config.Label4->text(), resources::kTextPreviewRate},
        {config.Label5->text(), resources::kTextLow},
        {config.Label2->text(), resources::kTextHigh},
        {config.Button2->text(), resources::kTextOk},
        {config.Button3->text(), resources::kTextCancel},
        {notice.windowTitle(), resources::kTextNotice},
        {notice.StaticText->text(), resources::kTextSelectFrameFirst},
        {notice.Button->text(), resources::kTextOk},
    };
    for (const auto& [text, id] : shown)
        EXPECT_EQ(text.toStdString(), LoadText(id)) << "text " << id;
}

TEST(FixedText, NeverSplitsACharacter) {
    // "Kamera ü" : the umlaut is two bytes at offsets 7 and 8.
    const std::string text = "Kamera \xC3\xBC!";
    EXPECT_EQ(ui::cutToBuffer(text, 9), "Kamera ");
    EXPECT_EQ(ui::cutToBuffer(text, 10), "Kamera \xC3\xBC");
    EXPECT_EQ(ui::cutToBuffer(text, 11), text);
}

} // namespace
