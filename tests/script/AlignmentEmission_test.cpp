#include "script/AlignmentEmission.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/Errors.h"

namespace tandemix {
namespace {

AlignmentValues WorkedExample(bool autoCrop) {
  AlignmentValues v;
  v.scaleLeft = 1.02;
  v.angleRight = 1.5;
  v.horizontalShift = 4;
  v.verticalShift = -2;
  v.swapViews = true;
  v.autoCrop = autoCrop;
  return v;
}

TEST(AlignmentLines, WorkedExampleWithoutAutoCrop) {
  EXPECT_EQ(AlignmentLinesFor(WorkedExample(false), {720, 576}, {720, 576}),
            (LineList{"ClipA=Lanczos4Resize(ClipA,734,588)", "ClipB = AddBorders(ClipB,7,9,8,10)",
                      "ClipB=zoom(ClipB,angle=\"1.5\")", "ClipB = AddBorders(ClipB,0,0,3,0)",
                      "ClipA = AddBorders(ClipA,4,1,0,6)", "ClipC = ClipA", "ClipA = ClipB", "ClipB = ClipC"}));
}

TEST(AlignmentLines, WorkedExampleWithAutoCrop) {
  EXPECT_EQ(AlignmentLinesFor(WorkedExample(true), {720, 576}, {720, 576}),
            (LineList{"ClipA=Lanczos4Resize(ClipA,734,588)", "ClipB=zoom(ClipB,angle=\"1.5\")",
                      "ClipB = Crop(ClipB,11,9,-12,-9)", "ClipA = Crop(ClipA,14,17,-23,-13)", "ClipC = ClipA",
                      "ClipA = ClipB", "ClipB = ClipC"}));
}

// The worked example on YV12 views: both views need odd numbers, so each is
// converted to YV24 just before its first line. RGB, Y8 and YV24 views take
// the same odd numbers as they are.
TEST(AlignmentLines, SubsampledViewsWithOddNumbersAreConvertedFirst) {
  EXPECT_EQ(AlignmentLinesFor(WorkedExample(false), {720, 576}, {720, 576}, PixelType::YV12, PixelType::YV12),
            (LineList{"ClipA = ConvertToYV24(ClipA)", "ClipA=Lanczos4Resize(ClipA,734,588)",
                      "ClipB = ConvertToYV24(ClipB)", "ClipB = AddBorders(ClipB,7,9,8,10)",
                      "ClipB=zoom(ClipB,angle=\"1.5\")", "ClipB = AddBorders(ClipB,0,0,3,0)",
                      "ClipA = AddBorders(ClipA,4,1,0,6)", "ClipC = ClipA", "ClipA = ClipB", "ClipB = ClipC"}));
  EXPECT_EQ(
      AlignmentLinesFor(WorkedExample(true), {720, 576}, {720, 576}, PixelType::YUY2, PixelType::YV16),
      (LineList{"ClipA = ConvertToYV24(ClipA)", "ClipA=Lanczos4Resize(ClipA,734,588)", "ClipB = ConvertToYV24(ClipB)",
                "ClipB=zoom(ClipB,angle=\"1.5\")", "ClipB = Crop(ClipB,11,9,-12,-9)",
                "ClipA = Crop(ClipA,14,17,-23,-13)", "ClipC = ClipA", "ClipA = ClipB", "ClipB = ClipC"}));
  for (const PixelType type : {PixelType::RGB24, PixelType::RGB32, PixelType::Y8, PixelType::YV24}) {
    SCOPED_TRACE(PixelTypeName(type));
    EXPECT_EQ(AlignmentLinesFor(WorkedExample(false), {720, 576}, {720, 576}, type, type),
              AlignmentLinesFor(WorkedExample(false), {720, 576}, {720, 576}));
    EXPECT_EQ(AlignmentLinesFor(WorkedExample(true), {720, 576}, {720, 576}, type, type),
              AlignmentLinesFor(WorkedExample(true), {720, 576}, {720, 576}));
  }
}

TEST(AlignmentLines, NumbersThatFitTheSubsamplingNeedNoConversion) {
  AlignmentValues v;
  v.horizontalShift = 10;
  v.verticalShift = -4;
  v.scaleRight = 0.5;
  const LineList even = AlignmentLinesFor(v, {360, 288}, {720, 576}, PixelType::YV12, PixelType::YV12);
  EXPECT_EQ(even, (LineList{"ClipB=Lanczos4Resize(ClipB,360,288)", "ClipB = AddBorders(ClipB,0,4,10,0)",
                            "ClipA = AddBorders(ClipA,10,0,0,4)"}));
  // Odd numbers down only: YV16 and YUY2 take them, YV12 does not.
  v = {};
  v.verticalShift = 1;
  const LineList down = {"ClipB = AddBorders(ClipB,0,0,0,1)", "ClipA = AddBorders(ClipA,0,1,0,0)"};
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}, PixelType::YV16, PixelType::YUY2), down);
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}, PixelType::YV12, PixelType::YV12),
            (LineList{"ClipB = ConvertToYV24(ClipB)", down[0], "ClipA = ConvertToYV24(ClipA)", down[1]}));
  // Negative border sides add nothing, so an odd negative side fits.
  v = {};
  v.angleLeft = 90;
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {576, 720}, PixelType::YV12, PixelType::YV12).front(),
            "ClipA = AddBorders(ClipA,-72,72,-72,72)");
}

// Only the left view needs an odd number; the right view, also subsampled
// and without lines of its own, is converted after the others so that the
// two views still stack. An RGB right view stays as it is.
TEST(AlignmentLines, TheOtherSubsampledViewIsConvertedToStack) {
  AlignmentValues v;
  v.scaleLeft = 0.99;  // 713 x 570
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}, PixelType::YV12, PixelType::YV12),
            (LineList{"ClipA = ConvertToYV24(ClipA)", "ClipA=Lanczos4Resize(ClipA,713,570)",
                      "ClipA = AddBorders(ClipA,3,3,4,3)", "ClipB = ConvertToYV24(ClipB)"}));
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}, PixelType::YV12, PixelType::RGB24),
            (LineList{"ClipA = ConvertToYV24(ClipA)", "ClipA=Lanczos4Resize(ClipA,713,570)",
                      "ClipA = AddBorders(ClipA,3,3,4,3)"}));
  // With a swap, the conversion comes before the swap lines.
  v.swapViews = true;
  const LineList swapped = AlignmentLinesFor(v, {720, 576}, {720, 576}, PixelType::YV12, PixelType::YV16);
  ASSERT_EQ(swapped.size(), 7u);
  EXPECT_EQ(swapped[3], "ClipB = ConvertToYV24(ClipB)");
  EXPECT_EQ(swapped[4], "ClipC = ClipA");
}

TEST(AlignmentLines, DefaultsAndExactScaleGiveNoLines) {
  EXPECT_TRUE(AlignmentLinesFor({}, {720, 576}, {720, 576}).empty());
  AlignmentValues v;
  v.scaleLeft = 1.0000001;
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}), (LineList{"ClipA=Lanczos4Resize(ClipA,720,576)"}));
  v = {};
  v.scaleRight = 0.5;
  EXPECT_EQ(AlignmentLinesFor(v, {288, 216}, {575, 431}).front(), "ClipB=Lanczos4Resize(ClipB,288,216)");
}

TEST(AlignmentLines, NegativeAngleAndOddWidthDifference) {
  AlignmentValues v;
  v.angleLeft = -0.5;
  const LineList lines = AlignmentLinesFor(v, {720, 576}, {720, 576});
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "ClipA=zoom(ClipA,angle=\"-0.5\")");
  EXPECT_EQ(AlignmentLinesFor({}, {720, 576}, {721, 576}), (LineList{"ClipA = AddBorders(ClipA,0,0,1,0)"}));
}

TEST(AlignmentLines, HorizontalShiftPadsOrCrops) {
  AlignmentValues v;
  v.horizontalShift = 10;
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}),
            (LineList{"ClipB = AddBorders(ClipB,0,0,10,0)", "ClipA = AddBorders(ClipA,10,0,0,0)"}));
  v.autoCrop = true;
  EXPECT_EQ(AlignmentLinesFor(v, {720, 576}, {720, 576}),
            (LineList{"ClipA = Crop(ClipA,0,0,-10,-0)", "ClipB = Crop(ClipB,10,0,-0,-0)"}));
}

TEST(AlignmentLines, QuarterTurnPadsWithNegativeNumbersAsTheyAre) {
  AlignmentValues v;
  v.angleLeft = 90;
  const LineList lines = AlignmentLinesFor(v, {720, 576}, {576, 720});
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "ClipA = AddBorders(ClipA,-72,72,-72,72)");
  EXPECT_EQ(lines[1], "ClipA=zoom(ClipA,angle=\"90\")");
  EXPECT_EQ(lines.size(), 2u);  // 576 x 720 on both sides: no pairing line
}

TEST(AlignmentLines, SwapComesLast) {
  AlignmentValues v;
  v.horizontalShift = 2;
  v.swapViews = true;
  const LineList lines = AlignmentLinesFor(v, {100, 100}, {100, 100});
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], "ClipC = ClipA");
  EXPECT_EQ(lines[4], "ClipB = ClipC");
}

TEST(AlignmentLines, TiltOfAViewWithoutSizeIsRefused) {
  AlignmentValues v;
  v.angleRight = 1.5;
  EXPECT_THROW(AlignmentLinesFor(v, {720, 576}, {0, 0}), TandemixError);
  // Without a tilt the zero sizes are only arithmetic.
  EXPECT_EQ(AlignmentLinesFor({}, {0, 0}, {0, 0}), LineList{});
}

std::string AlignmentError(const AlignmentValues& v, FrameSize left, FrameSize right) {
  try {
    AlignmentLinesFor(v, left, right);
  } catch (const TandemixError& e) {
    return e.what();
  }
  return "";
}

// Extreme values are computed in 64 bits and refused
// when no frame can have the result, instead of wrapping into lines that
// drop the shift or pad by two billion pixels.
TEST(AlignmentLines, ExtremeValuesAreRefusedNotWrapped) {
  AlignmentValues v;
  v.verticalShift = INT32_MIN;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The right view after the displacement would be 64 x 2147483696 pixels; no side may exceed 16384.");
  v = {};
  v.horizontalShift = INT32_MAX;
  v.scaleLeft = 0.97;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The right view after the displacement would be 2147483710 x 48 pixels; no side may exceed 16384.");
  v.autoCrop = true;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The left view after the displacement would be -2147483584 x 47 pixels; it needs at least 1 x 1.");
  v = {};
  v.scaleRight = 1e306;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The right view after scaling would be 9223372036854775807 x 9223372036854775807 pixels; no side may "
            "exceed 16384.");
  v.scaleRight = 1e-302;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The right view after scaling would be 0 x 0 pixels; it needs at least 1 x 1.");
  v = {};
  v.scaleLeft = 2.0;
  EXPECT_EQ(AlignmentError(v, {0, 0}, {64, 48}),
            "The left view measures 0 x 0 and cannot be scaled. Check that its script opens and returns a clip.");
  // Shifts up to the frame's side still pad and crop as before.
  v = {};
  v.horizontalShift = -63;
  v.autoCrop = true;
  EXPECT_EQ(AlignmentLinesFor(v, {64, 48}, {64, 48}),
            (LineList{"ClipA = Crop(ClipA,63,0,-0,-0)", "ClipB = Crop(ClipB,0,0,-63,-0)"}));
  v.horizontalShift = -64;
  EXPECT_EQ(AlignmentError(v, {64, 48}, {64, 48}),
            "The left view after the displacement would be 0 x 48 pixels; it needs at least 1 x 1.");
}

TEST(FinalSize, SizesNoFrameCanHaveAreRefused) {
  EXPECT_THROW(EmitFinalSize(128, 48, INT32_MIN, 48), TandemixError);
  EXPECT_THROW(EmitFinalSize(128, 48, 0, 0), TandemixError);
  EXPECT_THROW(EmitFinalSize(128, 48, 16385, 48), TandemixError);
  EXPECT_EQ(EmitFinalSize(16384, 4096, 1, 1), (LineList{"Crop(8191,2047,-8192,-2048)"}));
}

TEST(FinalSize, ListedExamples) {
  EXPECT_EQ(EmitFinalSize(1440, 576, 1280, 720), (LineList{"Crop(80,0,-80,-0)", "AddBorders(0,72,0,72)"}));
  EXPECT_EQ(EmitFinalSize(720, 576, 704, 576), (LineList{"Crop(8,0,-8,-0)"}));
  EXPECT_EQ(EmitFinalSize(700, 500, 720, 576), (LineList{"AddBorders(10,38,10,38)"}));
  EXPECT_EQ(EmitFinalSize(0, 0, 720, 576), (LineList{"AddBorders(360,288,360,288)"}));
  EXPECT_EQ(EmitFinalSize(720, 576, 720, 576), LineList{});
  // One pixel less in width comes off the right edge.
  EXPECT_EQ(EmitFinalSize(721, 576, 720, 576), (LineList{"Crop(0,0,-1,-0)"}));
}

// The output of two converted 738 x 595 views brought to 1280 x 720 needs
// an odd border at the bottom: a YV12 output is converted first, a YV16 or
// RGB output takes it as it is. Even numbers leave YV12 alone.
TEST(FinalSize, SubsampledOutputWithOddNumbersIsConvertedFirst) {
  const LineList lines = {"Crop(98,0,-98,-0)", "AddBorders(0,62,0,63)"};
  EXPECT_EQ(EmitFinalSize(1476, 595, 1280, 720), lines);
  EXPECT_EQ(EmitFinalSize(1476, 595, 1280, 720, PixelType::YV12), (LineList{"ConvertToYV24()", lines[0], lines[1]}));
  EXPECT_EQ(EmitFinalSize(1476, 595, 1280, 720, PixelType::YV16), lines);
  EXPECT_EQ(EmitFinalSize(1476, 595, 1280, 720, PixelType::RGB32), lines);
  EXPECT_EQ(EmitFinalSize(1440, 576, 1280, 720, PixelType::YV12),
            (LineList{"Crop(80,0,-80,-0)", "AddBorders(0,72,0,72)"}));
  EXPECT_EQ(EmitFinalSize(721, 576, 720, 576, PixelType::YV24), (LineList{"Crop(0,0,-1,-0)"}));
  EXPECT_EQ(EmitFinalSize(1440, 576, 1438, 576, PixelType::YUY2), (LineList{"ConvertToYV24()", "Crop(1,0,-1,-0)"}));
  EXPECT_EQ(EmitFinalSize(1440, 576, 1440, 576, PixelType::YV12), LineList{});
}

}  // namespace
}  // namespace tandemix
