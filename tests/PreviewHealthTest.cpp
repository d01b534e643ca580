#include "platform/capture/window/PreviewHealth.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using std::chrono::milliseconds;

// What each look of a running preview finds: a camera slow to start is said to be starting
// once, then started when its picture comes; a preview silent too long has stalled once,
// until frames come again.
TEST(PreviewHealth, EachChangeIsSaidOnceInItsOrder) {
    struct Look {
        bool arrived;
        bool first;
        int silenceMs;
        bool started, starting;
        int stalledAfterMs;
    };
    struct Row {
        const char* what;
        std::vector<Look> looks;
    } rows[] = {
        {"a camera quick to start says nothing",
         {{false, true, 500, false, false, 0}, {true, false, 0, false, false, 0}}},
        {"a slow camera is starting, once, then started",
         {{false, true, 1001, false, true, 0},
          {false, true, 5000, false, false, 0},
          {true, false, 0, true, false, 0},
          {true, false, 0, false, false, 0}}},
        {"a first picture later than ten seconds: starting and stalled at one look",
         {{false, true, 10001, false, true, 10000}, {false, true, 20000, false, false, 0}}},
        {"silence after frames stalls after three seconds, once, and frames clear it",
         {{false, false, 3000, false, false, 0},
          {false, false, 3001, false, false, 3000},
          {false, false, 9000, false, false, 0},
          {true, false, 0, false, false, 0},
          {false, false, 3500, false, false, 3000}}},
        {"a preview stalled before its first picture is not said to be starting later",
         {{false, true, 10500, false, true, 10000}, {false, true, 1500, false, false, 0}}},
    };
    for (const Row& row : rows) {
        platform::PreviewHealth health;
        int at = 0;
        for (const Look& look : row.looks) {
            const auto news = health.look(look.arrived, look.first, milliseconds(look.silenceMs));
            EXPECT_EQ(news.started, look.started) << row.what << ", look " << at;
            EXPECT_EQ(news.starting, look.starting) << row.what << ", look " << at;
            EXPECT_EQ(news.stalledAfter.count(), look.stalledAfterMs)
                << row.what << ", look " << at;
            ++at;
        }
    }
}

TEST(PreviewHealth, AResetStartsTheJudgementAfresh) {
    platform::PreviewHealth health;
    EXPECT_TRUE(health.look(false, true, milliseconds(1500)).starting);
    EXPECT_EQ(health.look(false, true, milliseconds(11000)).stalledAfter, milliseconds(10000));
    health.reset();
    EXPECT_TRUE(health.look(false, true, milliseconds(1500)).starting);
    EXPECT_TRUE(health.look(true, false, milliseconds(0)).started);
}

} // namespace
