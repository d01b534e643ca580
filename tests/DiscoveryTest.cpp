#include "Support.h"

#include "app/Main.h"
#include "ui/Hints.h"

#include <gtest/gtest.h>

namespace {

struct DiscoveryCase {
    const char* name;
    std::string drivers;
    int connected;        // expected Connected
    int driverIndex;      // expected DriverIndex
    int driverCount;      // expected DriverCount
    const char* mainHint; // expected hint of the main window
};

void PrintTo(const DiscoveryCase& c, std::ostream* os) {
    *os << c.name;
}

class Discovery : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(Discovery, ConnectsTheExpectedDriver) {
    const DiscoveryCase& c = GetParam();
    test::TestProgram run(c.drivers);
    const app::MainState& s = run.program.state();

    EXPECT_EQ(s.Connected, c.connected);
    EXPECT_EQ(s.DriverIndex, c.driverIndex);
    EXPECT_EQ(s.DriverCount, c.driverCount);
    EXPECT_EQ(ui::hintOf(&run.program.MainForm()), QString::fromUtf8(c.mainHint));
    EXPECT_EQ(s.PreviewOn, c.connected);
    EXPECT_EQ(s.PreviewFps, c.connected ? 30 : 0);
    ASSERT_FALSE(s.CapWnd.isNull());
    if (c.connected) {
        EXPECT_EQ(run.program.MainForm().statusText(), QString());
    } else {
        EXPECT_EQ(run.program.MainForm().statusText(), "Can't connect Capture Device!");
        // Nothing is resized: the empty capture window stays where it was made.
        EXPECT_EQ(s.CapWnd->geometry(), QRect(63, 55, 176, 144));
        EXPECT_EQ(run.program.MainForm().size(), QSize(280, 276));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, Discovery,
    ::testing::Values(DiscoveryCase{"PreferredAfterARefusingPreferredOne",
                                    R"({"drivers":[{"index":2,"name":"Quorix A","connect":false},
                                     {"index":5,"name":"Quorix B"},
                                     {"index":0,"name":"Generic"}]})",
                                    1, 5, 3, "| Quorix B"},
                      DiscoveryCase{"RefusingPreferredFallsBackToGenericAtZero",
                                    R"({"drivers":[{"index":0,"name":"Generic"},
                                     {"index":4,"name":"Quorix VideoCam","connect":false}]})",
                                    1, 0, 2, "| Generic"},
                      DiscoveryCase{"MarkerInAnotherCaseIsNotPreferred",
                                    R"({"drivers":[{"index":0,"name":"Generic"},
                                     {"index":2,"name":"QUORIX cam"},
                                     {"index":3,"name":"quorix cam"}]})",
                                    1, 0, 3, "| Generic"},
                      DiscoveryCase{"PreferredDriverWinsOverEarlierGeneric",
                                    R"({"drivers":[{"index":0,"name":"Generic"},
                                     {"index":9,"name":"The Quorix"}]})",
                                    1, 9, 2, "| The Quorix"},
                      DiscoveryCase{
                          "DriversOnlyAtOneAndThree",
                          R"({"drivers":[{"index":1,"name":"One"},{"index":3,"name":"Three"}]})", 1,
                          1, 2, "| One"},
                      DiscoveryCase{"SecondPassTakesARefusedPreferredDriversSuccessor",
                                    R"({"drivers":[{"index":1,"name":"Quorix","connect":false},
                                     {"index":2,"name":""}]})",
                                    1, 2, 2, "| "},
                      DiscoveryCase{"EveryDriverRefuses",
                                    R"({"drivers":[{"index":0,"name":"A","connect":false},
                                     {"index":7,"name":"Quorix","connect":false}]})",
                                    0, 0, 2, ""},
                      DiscoveryCase{"NoDriverAtAll", R"({"drivers":[]})", 0, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kLong50 = "Quorix " + std::string(43, 'x'); // 50 characters

TEST(DiscoveryLimits, NamesAndVersionsArriveCutToTheirBuffers) {
    test::TestProgram run(R"({"drivers":[{"index":6,"name":")" + kLong50 +
                          R"(","version":"12345678901234567890123"}]})");
    const app::MainState& s = run.program.state();
    EXPECT_EQ(s.DriverName[6], kLong50.substr(0, 49));
    EXPECT_EQ(s.DriverVersion[6], "1234567890123456789");
    EXPECT_EQ(ui::hintOf(&run.program.MainForm()),
              QString::fromStdString("| " + kLong50.substr(0, 49)));
}

TEST(DiscoveryFit, A640x480DriverGrowsTheMainWindow) {
    test::TestProgram run(R"({"drivers":[{"index":0,"connect":false},
                                          {"index":2,"name":"Quorix VideoCam","version":"5.1.0",
                                           "width":640,"height":480}]})");
    const app::MainState& s = run.program.state();
    EXPECT_EQ(s.DriverIndex, 2);
    EXPECT_EQ(run.program.MainForm().size(), QSize(663, 558));
    EXPECT_EQ(s.CapWnd->geometry(), QRect(13, 44, 640, 480));
    EXPECT_EQ(s.CapStatus.uiImageWidth, 640u);
    EXPECT_EQ(s.DriverVersion[2], "5.1.0");
}

} // namespace
