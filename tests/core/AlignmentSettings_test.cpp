#include "core/AlignmentSettings.h"

#include <gtest/gtest.h>
#include <QLocale>

#include "base/Errors.h"

namespace tandemix {
namespace {

TEST(AlignmentSettings, StartValuesAsEveryReaderSeesThem) {
  QLocale::setDefault(QLocale::c());
  const AlignmentSettings s;
  EXPECT_EQ(s.ScaleLeftFactor(), 1.0);
  EXPECT_EQ(s.ScaleRightFactor(), 1.0);
  EXPECT_EQ(s.AngleLeft(), 0.0);
  EXPECT_EQ(s.AngleRight(), 0.0);
  EXPECT_EQ(s.HorizontalShift(), 0);
  EXPECT_EQ(s.VerticalShift(), 0);
  EXPECT_EQ(s.horizontal.minimum, -718);
  EXPECT_EQ(s.vertical.maximum, 574);
  EXPECT_FALSE(s.useFinalSize || s.autoCrop || s.swapViews);
  EXPECT_EQ(s.FinalWidth(), 720);
  EXPECT_EQ(s.FinalHeight(), 576);
  EXPECT_EQ(s.showClip, ShowClip::Output);
  EXPECT_EQ(s.previewMode, PreviewMode::RedCyan);
  EXPECT_EQ(s.sliderAValue, 0.0);
  EXPECT_EQ(s.sliderBStep, 1.0);
  EXPECT_EQ(s.scaleLockRatio, 1.0);
  EXPECT_EQ(s.regenerateHoldoff, 0);
}

TEST(AlignmentSettings, TypedTextIsReadAtTheMomentOfUse) {
  QLocale::setDefault(QLocale::c());
  AlignmentSettings s;
  s.scaleText = "102";
  EXPECT_DOUBLE_EQ(s.ScaleLeftFactor(), 1.02);
  s.scaleText = "-5";  // no range check: a negative scale reaches the reader
  EXPECT_DOUBLE_EQ(s.ScaleLeftFactor(), -0.05);
  s.angleRText = "x";
  try {
    s.AngleRight();
    FAIL();
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
  }
  s.finalWidthText = "7.5";
  EXPECT_THROW(s.FinalWidth(), TandemixError);
}

TEST(ScrollRange, PositionsAreClampedToTheBar) {
  ScrollRange bar{-718, 718, 0};
  bar.SetPosition(900);
  EXPECT_EQ(bar.position, 718);
  bar.SetRange(-99, 99);
  EXPECT_EQ(bar.position, 99);
  bar.SetPosition(-500);
  EXPECT_EQ(bar.position, -99);
}

TEST(AlignmentSettings, HoldoffCountsDownToZero) {
  AlignmentSettings s;
  s.regenerateHoldoff = 2;
  s.TickHoldoff();
  s.TickHoldoff();
  s.TickHoldoff();
  EXPECT_EQ(s.regenerateHoldoff, 0);
}

}  // namespace
}  // namespace tandemix
