#include "core/Geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/Errors.h"

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
  EXPECT_EQ(SplitDifference(0, 0, -7, 7), (WideMargins{-3, 3, -4, 4}));
  EXPECT_EQ(SplitDifference(720, 576, 735, 595), (WideMargins{7, 9, 8, 10}));
  EXPECT_EQ(SplitDifference(734, 588, 735, 595), (WideMargins{0, 3, 1, 4}));
  EXPECT_EQ(SplitDifference(1, 1, 0, 0), (WideMargins{0, 0, -1, -1}));
}

// Differences of any two 32-bit sizes are split in 64
// bits, without overflow.
TEST(SplitDifference, ExtremeSizesDoNotOverflow) {
  EXPECT_EQ(SplitDifference(48, 48, INT32_MIN, 48), (WideMargins{-1073741848, 0, -1073741848, 0}));
  EXPECT_EQ(SplitDifference(INT32_MIN, 0, INT32_MAX, 0), (WideMargins{2147483647, 0, 2147483648, 0}));
}

TEST(CheckScriptFrameSize, RefusesWhatNoScriptFrameCanBe) {
  EXPECT_NO_THROW(CheckScriptFrameSize("The final frame", 16384, 4096));
  const auto message = [](std::int64_t w, std::int64_t h) {
    try {
      CheckScriptFrameSize("The final frame", w, h);
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(message(0, 0), "The final frame would be 0 x 0 pixels; it needs at least 1 x 1.");
  EXPECT_EQ(message(-2147483648LL, 48), "The final frame would be -2147483648 x 48 pixels; it needs at least 1 x 1.");
  EXPECT_EQ(message(16385, 1), "The final frame would be 16385 x 1 pixels; no side may exceed 16384.");
  EXPECT_EQ(message(16384, 4097), "The final frame would be 16384 x 4097 pixels; the limit is 67108864 pixels.");
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
