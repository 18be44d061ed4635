// "Auto align" in the adjustment window, on a real pair made at run time.
#include <gtest/gtest.h>
#include <QLocale>
#include <QTest>

#include "base/Errors.h"
#include "preview/FormPreview.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

class AutoAlignButton : public ::testing::Test {
 protected:
  void Open(FrameBGR left, FrameBGR right) {
    QLocale::setDefault(QLocale::c());
    PreviewWindowHooks hooks;
    hooks.composePreview = [this] {
      settings.AngleRight();
      ++composed;
    };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    hooks.autoAlign = [l = std::move(left), r = std::move(right)] { return AutoAligner().Align(l, r); };
    window = std::make_unique<TForm_Preview>(settings, hooks);
    window->Timer2->stop();
    window->RefreshControls();
  }
  AlignmentSettings settings;
  std::unique_ptr<TForm_Preview> window;
  int composed = 0;
  std::vector<std::string> errors;
};

TEST_F(AutoAlignButton, FillsTheBoxesRendersAndSaysWhatItFound) {
  const cv::Mat left = test::TexturedPicture(720, 400, 8);
  Open(test::ToFrame(left), test::ToFrame(test::Misaligned(test::WithDepth(left, 3, {9, 16}), {1.5, 1.0, -6})));
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(composed, 1);
  // The right view turned 1.5 degrees counter-clockwise: it is turned back.
  EXPECT_EQ(window->Edit_Angle->text(), "0");
  EXPECT_NEAR(window->Edit_AngleR->text().toDouble(), 1.5, 0.05);
  EXPECT_EQ(window->ScrollBar_RotationR->value(), 15);
  EXPECT_EQ(window->Edit_Scale->text(), "100");
  EXPECT_EQ(window->Edit_Vertical->text(), "-6");
  EXPECT_EQ(window->ScrollBar_Vertical->value(), -6);
  EXPECT_EQ(settings.vertical.position, -6);
  EXPECT_EQ(window->Edit_Horizontal->text().toInt(), settings.horizontal.position);
  EXPECT_LT(settings.horizontal.position, -3);
  EXPECT_TRUE(window->Label_AutoAlign->text().contains(" matches, ")) << window->Label_AutoAlign->text().toStdString();
  EXPECT_TRUE(window->Label_AutoAlign->text().endsWith(" px vertical disparity left"));
}

TEST_F(AutoAlignButton, AFailureKeepsTheBoxesAndGivesTheReason) {
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  window->Edit_AngleR->setText("0.7");
  settings.angleRText = "0.7";
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  EXPECT_EQ(window->Label_AutoAlign->text(), "Auto align: too few matching points: 0");
  EXPECT_EQ(window->Edit_AngleR->text(), "0.7");
  EXPECT_EQ(settings.angleRText, "0.7");
  EXPECT_EQ(composed, 0);
  EXPECT_TRUE(errors.empty());
}

TEST_F(AutoAlignButton, TheStatusGoesWithResetAllAndWithANewAlignment) {
  const FrameBGR flat = test::ToFrame(cv::Mat(200, 300, CV_8UC3, cv::Scalar(70, 70, 70)));
  Open(flat, flat);
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  ASSERT_FALSE(window->Label_AutoAlign->text().isEmpty());
  QTest::mouseClick(window->Button1, Qt::LeftButton);  // Reset All
  EXPECT_EQ(window->Label_AutoAlign->text(), "");

  // New clips or an opened project set the values from outside: the bars,
  // the mirror boxes and the locks follow, and the old status goes.
  QTest::mouseClick(window->Button_AutoAlign, Qt::LeftButton);
  window->Model().lockScale = true;
  settings.scaleText = "132";
  settings.angleRText = "-1.5";
  settings.horizontal.SetPosition(-20);
  settings.sliderAStep = 0.5;
  settings.sliderAValue = 3;
  window->Model().FollowSettings();
  window->RefreshControls();
  EXPECT_EQ(window->Label_AutoAlign->text(), "");
  EXPECT_EQ(window->ScrollBar_Resize->value(), 320);
  EXPECT_EQ(window->ScrollBar_RotationR->value(), -15);
  EXPECT_EQ(window->Edit_Horizontal->text(), "-20");
  EXPECT_EQ(window->ScrollBarA->value(), 6);
  EXPECT_EQ(window->Edit_SliderA->text(), "3");
  EXPECT_FALSE(window->CheckBox_Scale->isChecked());
}

}  // namespace
}  // namespace tandemix
