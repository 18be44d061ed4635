#include "preview/AdjustmentModel.h"

#include <gtest/gtest.h>
#include <QLocale>

#include "base/Errors.h"

namespace tandemix {
namespace {

// Counts renders and regeneration requests; a render parses the four boxes
// as the real compositor call does.
class CountingHost : public AdjustmentHost {
 public:
  explicit CountingHost(AlignmentSettings& s) : settings(s) {}
  void RefreshPreview() override {
    settings.ScaleLeftFactor();
    settings.ScaleRightFactor();
    settings.AngleLeft();
    settings.AngleRight();
    ++renders;
  }
  void RequestRegeneration() override { ++regenerations; }
  AlignmentSettings& settings;
  int renders = 0;
  int regenerations = 0;
};

class AdjustmentTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  AlignmentSettings settings;
  CountingHost host{settings};
  AdjustmentModel model{settings, host};
};

TEST_F(AdjustmentTest, ScaleBarMapping) {
  model.ResizeScroll(30, false);
  model.ResizeScroll(55, false);
  EXPECT_EQ(settings.scaleText, "105.5");
  EXPECT_EQ(host.renders, 0);  // the drag renders only on release
  model.ResizeScroll(55, true);
  EXPECT_EQ(host.renders, 1);
  model.ResizeScroll(-900, false);
  EXPECT_EQ(settings.scaleText, "10");
  model.ResizeScroll(1100, false);
  EXPECT_EQ(settings.scaleText, "210");
}

TEST_F(AdjustmentTest, TypedScaleBeyondTheBarStandsAsTyped) {
  settings.scaleText = "300";
  model.ScaleEnter();
  EXPECT_EQ(model.resize.position, 1100);
  EXPECT_EQ(settings.scaleText, "300");
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 3.0);
  EXPECT_EQ(host.renders, 1);
}

TEST_F(AdjustmentTest, ScaleLockFollowsTheRatio) {
  settings.scaleRText = "120";
  model.SetLockScale(true);
  EXPECT_DOUBLE_EQ(settings.scaleLockRatio, 1.2);
  model.ResizeScroll(100, true);
  EXPECT_EQ(settings.scaleText, "110");
  EXPECT_EQ(settings.scaleRText, "132");
  EXPECT_EQ(model.resizeR.position, 320);
}

TEST_F(AdjustmentTest, LockingAZeroScaleIsRefused) {
  settings.scaleText = "0";
  EXPECT_THROW(model.SetLockScale(true), TandemixError);
  EXPECT_FALSE(model.lockScale);
  EXPECT_EQ(settings.scaleLockRatio, 1.0);
}

TEST_F(AdjustmentTest, AngleLockKeepsTheOffset) {
  settings.angleText = "1";
  settings.angleRText = "1.5";
  model.SetLockAngle(true);
  settings.angleRText = "-2";
  model.AngleREnter();
  EXPECT_EQ(settings.angleText, "-2.5");
  EXPECT_EQ(model.rotation.position, -25);
  EXPECT_EQ(model.rotationR.position, -20);
}

TEST_F(AdjustmentTest, EachTiltBarIsClampedToItsOwnRange) {
  model.SetLockAngle(true);  // offset 0
  settings.angleRText = "-95";
  model.AngleREnter();
  EXPECT_EQ(model.rotationR.position, -900);
  EXPECT_EQ(model.rotation.position, -950);
  EXPECT_EQ(settings.angleText, "-95");
}

TEST_F(AdjustmentTest, DisplacementBoxesRoundHalvesToEvenAndClamp) {
  model.horizontalText = "1000";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 718);
  EXPECT_EQ(model.horizontalText, "1000");
  model.horizontalText = "12.5";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 12);
  model.horizontalText = "13.5";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 14);
  model.VerticalScroll(-7, false);
  EXPECT_EQ(model.verticalText, "-7");
  EXPECT_EQ(settings.VerticalShift(), -7);
}

TEST_F(AdjustmentTest, NonNumberFailsEveryRenderUntilResetAll) {
  settings.angleRText = "abc";
  EXPECT_THROW(model.SetSwap(true), TandemixError);
  EXPECT_THROW(model.SetShowClip(ShowClip::Left), TandemixError);
  EXPECT_THROW(model.HorizontalScroll(3, true), TandemixError);
  EXPECT_EQ(host.renders, 0);
  model.ResetAll();
  EXPECT_EQ(settings.angleRText, "0");
  EXPECT_GE(host.renders, 1);
  EXPECT_FALSE(settings.swapViews);
  EXPECT_EQ(settings.showClip, ShowClip::Output);
}

TEST_F(AdjustmentTest, ResetAllRestoresEverythingAndAsksOnceForTheSwitches) {
  model.SetAutoCrop(true);
  model.SetUseFinalSize(true);
  EXPECT_EQ(host.regenerations, 2);
  model.sliderA.bar = {200, 300, 250};
  model.sliderA.largeStep = 7;
  settings.sliderAValue = 250;
  settings.sliderAStep = 2;
  settings.horizontal = {-100, 100, 40};
  model.ResetAll();
  EXPECT_EQ(model.sliderA.bar.minimum, -100);
  EXPECT_EQ(model.sliderA.bar.maximum, 100);
  EXPECT_EQ(model.sliderA.bar.position, 0);
  EXPECT_EQ(model.sliderA.largeStep, 7);
  EXPECT_EQ(settings.sliderAStep, 2);
  EXPECT_EQ(settings.sliderAValue, 0);
  EXPECT_EQ(settings.horizontal.position, 0);
  EXPECT_EQ(settings.horizontal.minimum, -100);
  EXPECT_EQ(settings.finalWidthText, "720");
  EXPECT_FALSE(settings.autoCrop);
  EXPECT_FALSE(settings.useFinalSize);
  EXPECT_EQ(host.regenerations, 4);  // one request each; the hold-off lets the first through
}

TEST_F(AdjustmentTest, UserSliderValueIsPositionTimesStep) {
  settings.sliderBStep = 0.5;
  model.sliderB.bar = {0, 20, 0};
  model.SliderBScroll(7, false);
  EXPECT_EQ(settings.sliderBValue, 3.5);
  EXPECT_EQ(model.sliderB.editText, "3.5");
  EXPECT_EQ(host.renders, 0);
}

TEST_F(AdjustmentTest, SwitchesRunOnlyWhenTheStateChanges) {
  model.SetAutoCrop(false);
  model.SetSwap(false);
  EXPECT_EQ(host.regenerations, 0);
  EXPECT_EQ(host.renders, 0);
  model.ApplyToClip();
  EXPECT_EQ(host.regenerations, 1);
}

}  // namespace
}  // namespace tandemix
