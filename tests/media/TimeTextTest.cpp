// Frame counts as time text, and the time ruler's labels and ticks.

#include <gtest/gtest.h>

#include "media/TimeText.h"

namespace movalux {
namespace {

TEST(TimeText, ShowsMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(timeText(0, 30, 1), "00:00:000");
    EXPECT_EQ(timeText(45, 30, 1), "00:01:500");
    EXPECT_EQ(timeText(3599, 30, 1), "01:59:967");
    EXPECT_EQ(timeText(3600 * 30, 30, 1), "60:00:000");
    EXPECT_EQ(timeText(200 * 60 * 25, 25, 1), "200:00:000");
}

TEST(TimeText, RoundsMillisecondsHalfToEven) {
    // 1/16 s = 62.5 ms, 3/16 s = 187.5 ms.
    EXPECT_EQ(timeText(1, 16, 1), "00:00:062");
    EXPECT_EQ(timeText(3, 16, 1), "00:00:188");
}

TEST(TimeText, UsesTheStreamRecordsWholeRate) {
    // A 29.97 movie is described with rate 30: frame 30 is one second.
    EXPECT_EQ(timeText(30, 30, 1), "00:01:000");
    EXPECT_EQ(timeText(30, 60, 2), "00:01:000");
    EXPECT_EQ(timeText(30, 0, 1), "");
}

TEST(TimeRuler, ShortMoviesAreScaledAsSixtyFrames) {
    const TimeRuler shortOne = timeRuler(30, 30, 1);
    const TimeRuler sixty = timeRuler(60, 30, 1);
    ASSERT_EQ(shortOne.labels.size(), 7u);
    for (size_t i = 0; i < sixty.labels.size(); ++i) {
        EXPECT_EQ(shortOne.labels[i].text, sixty.labels[i].text);
        EXPECT_DOUBLE_EQ(shortOne.labels[i].y, sixty.labels[i].y);
    }
    // S = 2 s: the step falls back to 5 s; p = round(5 / 2 * 471) = 1178.
    EXPECT_EQ(sixty.labels[0].text, "00:00");
    EXPECT_DOUBLE_EQ(sixty.labels[0].y, 14);
    EXPECT_EQ(sixty.labels[1].text, "00:02");
    EXPECT_DOUBLE_EQ(sixty.labels[1].y, 483);
    EXPECT_EQ(sixty.labels[2].text, "00:05");
    EXPECT_DOUBLE_EQ(sixty.labels[2].y, 13 + 471.0 * 5 / 2);
    ASSERT_EQ(sixty.ticks.size(), 3u);
    EXPECT_DOUBLE_EQ(sixty.ticks[1], 17 + 1178 / 5.0);
}

TEST(TimeRuler, LabelsEveryStepAndTicksAFifthOfAStepApart) {
    // 3000 frames at 25 fps: S = 120 s, step 5 * floor(floor(24.5) / 5) = 20 s,
    // p = round(20 / 120 * 471) = round(78.5) = 78 (ties to even).
    const TimeRuler r = timeRuler(3000, 25, 1);
    ASSERT_EQ(r.labels.size(), 7u);
    EXPECT_EQ(r.labels[1].text, "02:00");
    const char* expected[] = {"00:20", "00:40", "01:00", "01:20", "01:40"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.labels[static_cast<size_t>(i + 2)].text, expected[i]);
        EXPECT_DOUBLE_EQ(r.labels[static_cast<size_t>(i + 2)].y, 13 + 471.0 * (i + 1) * 20 / 120);
    }
    // j * 78 / 5 <= 475 for j = 0..30.
    ASSERT_EQ(r.ticks.size(), 31u);
    EXPECT_DOUBLE_EQ(r.ticks[30], 17 + 30 * 78 / 5.0);
    EXPECT_TRUE(timeRuler(100, 0, 1).empty());
}

}  // namespace
}  // namespace movalux
