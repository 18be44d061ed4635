#include <gtest/gtest.h>

#include "core/FrameTime.h"

namespace tandemix {
namespace {

TEST(FramePositionText, FrameLastFrameAndTime) {
  EXPECT_EQ(FramePositionText(137, 250, 25.0), "frame 137 / 250 \u00b7 00:05.48");
  EXPECT_EQ(FramePositionText(0, 0, 25.0), "frame 0 / 0 \u00b7 00:00.00");
  // 30000/1001 frames a second: frame 1799 is at 60.027 s.
  EXPECT_EQ(FramePositionText(1799, 1800, 30000.0 / 1001.0), "frame 1799 / 1800 \u00b7 01:00.02");
  // From one hour on the hours come first.
  EXPECT_EQ(FramePositionText(90000, 100000, 25.0), "frame 90000 / 100000 \u00b7 1:00:00.00");
  EXPECT_EQ(FramePositionText(93775, 100000, 25.0), "frame 93775 / 100000 \u00b7 1:02:31.00");
}

TEST(FramePositionText, NoRateCountsOneFrameASecondAndNegativeTimesKeepTheirSign) {
  EXPECT_EQ(FramePositionText(75, 100, 0.0), "frame 75 / 100 \u00b7 01:15.00");
  EXPECT_EQ(FramePositionText(-3, 100, 2.0), "frame -3 / 100 \u00b7 -00:01.50");
}

}  // namespace
}  // namespace tandemix
