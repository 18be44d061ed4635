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
  void DepthLimitsChanged(const DepthLimits& limits) override { kept.push_back(limits); }
  AlignmentSettings& settings;
  std::vector<DepthLimits> kept;
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

TEST_F(AdjustmentTest, TypedScaleBeyondTheBarIsBroughtToItsEnd) {
  settings.scaleText = "300";
  model.ScaleEnter();
  EXPECT_EQ(model.resize.position, 1100);
  EXPECT_EQ(settings.scaleText, "210");
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 2.1);
  EXPECT_EQ(host.renders, 1);
  // Within the range the number stays as typed, between the bar's steps too.
  settings.scaleText = "105.55";
  model.ScaleEnter();
  EXPECT_EQ(settings.scaleText, "105.55");
  EXPECT_EQ(model.resize.position, 56);
}

// Every guarded box: what Enter makes of a number beyond the range, and of
// a non-number (the box returns to its last good value).
TEST_F(AdjustmentTest, EnterClampsVisiblyAndRefusesNonNumbers) {
  const struct {
    NumberBox box;
    void (AdjustmentModel::*enter)();
    const char* typed;
    const char* shown;
  } rows[] = {
      {NumberBox::Horizontal, &AdjustmentModel::HorizontalEnter, "1e9", "718"},
      {NumberBox::Vertical, &AdjustmentModel::VerticalEnter, "-600.4", "-574"},
      {NumberBox::Scale, &AdjustmentModel::ScaleEnter, "1e9", "210"},
      {NumberBox::ScaleR, &AdjustmentModel::ScaleREnter, "-5", "10"},
      {NumberBox::Angle, &AdjustmentModel::AngleEnter, "-1000", "-100"},
      {NumberBox::AngleR, &AdjustmentModel::AngleREnter, "95.5", "90"},
      {NumberBox::FinalWidth, &AdjustmentModel::FinalSizeEnter, "100000", "8192"},
      {NumberBox::FinalHeight, &AdjustmentModel::FinalSizeEnter, "2", "8"},
  };
  for (const auto& row : rows) {
    model.Text(row.box) = row.typed;
    (model.*row.enter)();
    EXPECT_EQ(model.Text(row.box), row.shown) << row.typed;
    EXPECT_EQ(model.LastGood(row.box), row.shown) << row.typed;
    model.Text(row.box) = "abc";
    try {
      (model.*row.enter)();
      ADD_FAILURE() << "abc was taken in place of " << row.shown;
    } catch (const TandemixError& e) {
      const bool whole = row.box == NumberBox::FinalWidth || row.box == NumberBox::FinalHeight;
      EXPECT_STREQ(e.what(),
                   whole ? "'abc' is not a valid integer value" : "'abc' is not a valid floating point value");
    }
    EXPECT_EQ(model.Text(row.box), row.shown) << "after abc";
  }
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 2.1);
  EXPECT_EQ(settings.HorizontalShift(), 718);
  EXPECT_EQ(settings.FinalWidth(), 8192);
  EXPECT_EQ(settings.FinalHeight(), 8);
  // "1e9" in a final-size box is no whole number.
  settings.finalWidthText = "1e9";
  EXPECT_THROW(model.FinalSizeEnter(), TandemixError);
  EXPECT_EQ(settings.finalWidthText, "8192");
}

TEST_F(AdjustmentTest, ANonNumberReturnsToTheLastNumberThatCounted) {
  // Typed without Enter, a number counts once a render has read it.
  settings.angleText = "1.5";
  model.SetSwap(true);
  settings.angleText = "1.5x";
  EXPECT_THROW(model.LeaveBox(NumberBox::Angle), TandemixError);
  EXPECT_EQ(settings.angleText, "1.5");
  // A bar sets the value the box returns to.
  model.ResizeScroll(55, false);
  settings.scaleText = "";
  EXPECT_THROW(model.ScaleEnter(), TandemixError);
  EXPECT_EQ(settings.scaleText, "105.5");
  // Leaving a box that holds a number changes nothing.
  settings.scaleRText = "300";
  model.LeaveBox(NumberBox::ScaleR);
  EXPECT_EQ(settings.scaleRText, "300");
}

TEST_F(AdjustmentTest, ALockedPartnerStaysWithinItsBar) {
  settings.scaleRText = "200";
  model.SetLockScale(true);  // ratio 2
  settings.scaleText = "150";
  model.ScaleEnter();
  EXPECT_EQ(settings.scaleText, "150");
  EXPECT_EQ(settings.scaleRText, "210");
  EXPECT_EQ(model.resizeR.position, 1100);
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
  EXPECT_EQ(settings.angleRText, "-90");
  EXPECT_EQ(model.rotation.position, -900);
  EXPECT_EQ(settings.angleText, "-90");
  settings.angleText = "-95";
  model.AngleEnter();
  EXPECT_EQ(model.rotation.position, -950);
  EXPECT_EQ(settings.angleText, "-95");
  EXPECT_EQ(settings.angleRText, "-90");
}

TEST_F(AdjustmentTest, DisplacementBoxesRoundHalvesToEvenAndClamp) {
  model.horizontalText = "1000";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 718);
  EXPECT_EQ(model.horizontalText, "718");
  model.horizontalText = "12.5";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 12);
  EXPECT_EQ(model.horizontalText, "12");
  model.horizontalText = "13.5";
  model.HorizontalEnter();
  EXPECT_EQ(settings.HorizontalShift(), 14);
  model.VerticalScroll(-7, false);
  EXPECT_EQ(model.verticalText, "-7");
  EXPECT_EQ(settings.VerticalShift(), -7);
}

TEST_F(AdjustmentTest, NonNumberFailsOneRenderAndReturnsToItsLastValue) {
  settings.angleRText = "abc";
  EXPECT_THROW(model.SetSwap(true), TandemixError);
  EXPECT_EQ(host.renders, 0);
  EXPECT_EQ(settings.angleRText, "0");
  model.SetShowClip(ShowClip::Left);
  model.HorizontalScroll(3, true);
  EXPECT_EQ(host.renders, 2);
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

// The depth limit boxes: numbers within reason become the limits and the
// host keeps them; anything else puts both boxes back and says why.
TEST_F(AdjustmentTest, DepthLimitBoxes) {
  EXPECT_EQ(model.screenWidthText, "2");
  EXPECT_EQ(model.nearBudgetText, "2");
  DepthLimits start;
  start.screenWidthMetres = 3.5;
  start.nearComfortPercent = 1.5;
  model.SetDepthLimits(start);
  EXPECT_EQ(model.screenWidthText, "3.5");
  EXPECT_EQ(model.nearBudgetText, "1.5");
  EXPECT_TRUE(host.kept.empty());
  DepthLimits wild = start;
  wild.screenWidthMetres = 0.0;
  EXPECT_THROW(model.SetDepthLimits(wild), TandemixError);
  EXPECT_EQ(model.depthLimits.screenWidthMetres, 3.5);

  const struct {
    const char* screen;
    const char* near;
    const char* error;  // "" when taken
    double screenAfter, nearAfter;
  } cases[] = {
      {"1.2", "1.5", "", 1.2, 1.5},
      {"1.2", "1.5", "", 1.2, 1.5},  // unchanged: nobody is told
      {"100", "50", "", 100, 50},
      {"0.09", "50", "The screen width must be between 0.1 and 100 m.", 100, 50},
      {"100.5", "2", "The screen width must be between 0.1 and 100 m.", 100, 50},
      {"2", "0", "The near comfort budget must be above 0 and at most 50 % of the width.", 100, 50},
      {"2", "50.1", "The near comfort budget must be above 0 and at most 50 % of the width.", 100, 50},
      {"two", "2", "'two' is not a valid floating point value", 100, 50},
      {"2", "", "'' is not a valid floating point value", 100, 50},
      {" 0.1 ", "0.5", "", 0.1, 0.5},
  };
  for (const auto& c : cases) {
    model.screenWidthText = c.screen;
    model.nearBudgetText = c.near;
    std::string error;
    try {
      model.DepthLimitsEnter();
    } catch (const TandemixError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.screen << " " << c.near;
    EXPECT_EQ(model.depthLimits.screenWidthMetres, c.screenAfter) << c.screen;
    EXPECT_EQ(model.depthLimits.nearComfortPercent, c.nearAfter) << c.near;
    if (!error.empty()) {
      EXPECT_EQ(model.screenWidthText, FormatEditReal(c.screenAfter));
      EXPECT_EQ(model.nearBudgetText, FormatEditReal(c.nearAfter));
    }
  }
  // Told of the three changes only, with the numbers taken.
  ASSERT_EQ(host.kept.size(), 3u);
  EXPECT_EQ(host.kept[0].screenWidthMetres, 1.2);
  EXPECT_EQ(host.kept[1].nearComfortPercent, 50.0);
  EXPECT_EQ(host.kept[2].screenWidthMetres, 0.1);
  EXPECT_EQ(host.kept[2].nearComfortPercent, 0.5);
}

}  // namespace
}  // namespace tandemix
