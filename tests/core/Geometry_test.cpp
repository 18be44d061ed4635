#include "core/Geometry.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(RotatedFrameSize, WorkedExamples) {
  EXPECT_EQ(RotatedFrameSize(720, 576, 1.5 * kDegreesToRadians, false), (FrameSize{735, 595}));
  EXPECT_EQ(RotatedFrameSize(720, 576, 1.5 * kDegreesToRadians, true), (FrameSize{697, 558}));
  EXPECT_EQ(RotatedFrameSize(720, 576, 90 * kDegreesToRadians, false), (FrameSize{576, 720}));
}

TEST(RotatedFrameSize, ZeroAngleKeepsSizeAndIgnoresCrop) {
  EXPECT_EQ(RotatedFrameSize(720, 576, 0.0, false), (FrameSize{720, 576}));
  EXPECT_EQ(RotatedFrameSize(720, 576, 0.0, true), (FrameSize{720, 576}));
}

TEST(RotatedFrameSize, DegenerateAnglesGiveNoUndefinedSizes) {
  // A subnormal angle makes the crop rule divide by a zero tangent.
  EXPECT_EQ(RotatedFrameSize(720, 576, 1e-320, true), (FrameSize{720, 576}));
  const FrameSize huge = RotatedFrameSize(720, 576, 1e300, false);
  EXPECT_GE(huge.width, 0);
}

TEST(SplitDifference, TruncatesHalfTowardZero) {
  EXPECT_EQ(SplitDifference(0, 0, -7, 7), (Margins{-3, 3, -4, 4}));
  EXPECT_EQ(SplitDifference(720, 576, 735, 595), (Margins{7, 9, 8, 10}));
  EXPECT_EQ(SplitDifference(734, 588, 735, 595), (Margins{0, 3, 1, 4}));
  EXPECT_EQ(SplitDifference(1, 1, 0, 0), (Margins{0, 0, -1, -1}));
}

TEST(RoundHalfEven, HalvesGoToEven) {
  EXPECT_EQ(RoundHalfEven(287.5), 288);
  EXPECT_EQ(RoundHalfEven(215.5), 216);
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(734.4), 734);
  EXPECT_EQ(RoundHalfEven(587.52), 588);
  EXPECT_EQ(RoundHalfEven(1e300), 2147483647);
  EXPECT_EQ(NonNegative(-3), 0);
  EXPECT_EQ(NonNegative(3), 3);
}

}  // namespace
}  // namespace tandemix
