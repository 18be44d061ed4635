#include "viewer/SliderDefinition.h"

#include <gtest/gtest.h>
#include <QLocale>

#include "base/Errors.h"

namespace tandemix {
namespace {

class NoHost : public AdjustmentHost {
 public:
  void RefreshPreview() override { ++calls; }
  void RequestRegeneration() override { ++calls; }
  int calls = 0;
};

class SliderDefinitionTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale::c()); }
  AlignmentSettings settings;
  NoHost host;
  AdjustmentModel model{settings, host};
  SliderDefinition d;

  void Define(const char* min, const char* max, const char* init, const char* small, const char* large) {
    d.minText = min;
    d.maxText = max;
    d.initText = init;
    d.smallText = small;
    d.largeText = large;
  }
  std::vector<std::string> Boxes() const { return {d.minText, d.maxText, d.initText, d.smallText, d.largeText}; }
};

TEST_F(SliderDefinitionTest, StartTextsStayAsTheyAre) {
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"-100", "100", "0", "1", "10"}));
  EXPECT_EQ(model.sliderA.bar.minimum, -100);
  EXPECT_EQ(model.sliderA.bar.maximum, 100);
  EXPECT_EQ(model.sliderA.largeStep, 10);
  EXPECT_EQ(model.sliderA.smallStep, 1);
  EXPECT_EQ(settings.sliderAStep, 1);
  EXPECT_EQ(host.calls, 0);  // no render, no regeneration
}

TEST_F(SliderDefinitionTest, SmallAndLargeAreCapped) {
  Define("0", "1", "0.5", "0.3", "0.5");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"0", "1", "0.5", "0.1", "0.2"}));
  EXPECT_EQ(model.sliderA.bar.maximum, 10);
  EXPECT_EQ(model.sliderA.bar.position, 5);
  EXPECT_EQ(model.sliderA.largeStep, 2);
}

TEST_F(SliderDefinitionTest, SmallIsRaisedToA2000thOfTheRange) {
  Define("0", "1000", "0", "0.01", "10");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(d.smallText, "0.5");
  EXPECT_EQ(d.largeText, "10");
  EXPECT_EQ(model.sliderA.bar.maximum, 2000);
  EXPECT_EQ(model.sliderA.largeStep, 20);
}

TEST_F(SliderDefinitionTest, LargeRoundsToWholeSmallStepsHalvesToEven) {
  Define("-50", "50", "0", "2", "7");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(d.largeText, "8");
  Define("-50", "50", "0", "2", "5");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(d.largeText, "4");
}

TEST_F(SliderDefinitionTest, EverythingBecomesAMultipleOfTheSmallStep) {
  Define("0", "10", "1", "0.3", "1");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"0", "9.9", "0.9", "0.3", "0.9"}));
  EXPECT_EQ(model.sliderA.bar.maximum, 33);
  EXPECT_EQ(model.sliderA.bar.position, 3);
  EXPECT_EQ(model.sliderA.largeStep, 3);
}

TEST_F(SliderDefinitionTest, InitialValueIsKeptInRange) {
  Define("-100", "100", "150", "1", "10");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(d.initText, "100");
}

TEST_F(SliderDefinitionTest, EmptyRangeFallsBackToStartValues) {
  Define("5", "5", "5", "1", "1");
  ApplySliderDefinition(d, model, 1);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"-100", "100", "0", "1", "10"}));
  EXPECT_EQ(model.sliderB.bar.minimum, -100);
}

TEST_F(SliderDefinitionTest, NewRangeIsSetBeforeThePosition) {
  Define("200", "300", "250", "1", "10");
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(model.sliderA.bar.minimum, 200);
  EXPECT_EQ(model.sliderA.bar.maximum, 300);
  EXPECT_EQ(model.sliderA.bar.position, 250);
  EXPECT_EQ(settings.sliderAValue, 250);
  EXPECT_EQ(model.sliderA.editText, "250");
}

TEST_F(SliderDefinitionTest, AppliesToTheEditedSliderOnlyWithItsTitle) {
  d.title = "Depth";
  Define("0", "20", "4", "1", "5");
  ApplySliderDefinition(d, model, 1);
  EXPECT_EQ(model.sliderB.caption, "Depth");
  EXPECT_EQ(model.sliderA.caption, "SliderA");
  EXPECT_EQ(model.sliderA.bar.maximum, 100);
  EXPECT_EQ(settings.sliderBValue, 4);
  d.title = "";
  ApplySliderDefinition(d, model, 0);
  EXPECT_EQ(model.sliderA.caption, "");
  ApplySliderDefinition(d, model, 5);  // no such slider: nothing applied
}

TEST_F(SliderDefinitionTest, BadNumbersAndHugePositionsChangeNothing) {
  Define("0", "ten", "0", "1", "1");
  EXPECT_THROW(ApplySliderDefinition(d, model, 0), TandemixError);
  EXPECT_EQ(d.maxText, "ten");
  Define("1e12", "1.00000001e12", "1e12", "1", "1");
  EXPECT_THROW(ApplySliderDefinition(d, model, 0), TandemixError);
  EXPECT_EQ(d.minText, "1e12");
  EXPECT_EQ(model.sliderA.bar.maximum, 100);
}

}  // namespace
}  // namespace tandemix
