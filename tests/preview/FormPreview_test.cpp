#include "preview/FormPreview.h"

#include <QLocale>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "viewer/FormSlider.h"

namespace tandemix {
namespace {

// The real window with counting hooks: a compose reads the four boxes as
// the compositor does; a regeneration honours the hold-off as the generator
// does.
class AdjustmentWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    PreviewWindowHooks hooks;
    hooks.composePreview = [this] {
      settings.ScaleLeftFactor();
      settings.ScaleRightFactor();
      settings.AngleLeft();
      settings.AngleRight();
      ++composed;
    };
    hooks.regenerate = [this] {
      if (settings.regenerateHoldoff != 0) return;
      ++regenerated;
      settings.regenerateHoldoff = 5;
    };
    hooks.showSliderDialog = [this] { ++sliderDialogs; };
    hooks.askSavePicture = [this]() -> std::optional<std::string> { return savePath; };
    hooks.savePreviewImage = [this](const std::string& p) { saved.push_back(p); };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    window = std::make_unique<TForm_Preview>(settings, hooks);
    window->Timer2->stop();  // ticks are driven by hand
  }

  void Drag(QScrollBar* bar, std::initializer_list<int> positions) {
    bar->setSliderDown(true);
    for (int p : positions) bar->setSliderPosition(p);
    bar->setSliderDown(false);
  }
  void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  void Enter(QLineEdit* edit, const QString& text) {
    Type(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  AlignmentSettings settings;
  std::unique_ptr<TForm_Preview> window;
  int composed = 0, regenerated = 0, sliderDialogs = 0;
  std::optional<std::string> savePath;
  std::vector<std::string> saved, errors;
};

TEST_F(AdjustmentWindow, ControlsAndStartValues) {
  EXPECT_EQ(window->windowTitle(), "Preview");
  EXPECT_EQ(window->size(), QSize(439, 512));
  EXPECT_EQ(window->ScrollBar_Horizontal->minimum(), -718);
  EXPECT_EQ(window->ScrollBar_RotationR->maximum(), 900);
  EXPECT_EQ(window->ScrollBar_Rotation->maximum(), 1000);
  EXPECT_EQ(window->ScrollBar_Resize->pageStep(), 20);
  EXPECT_EQ(window->Edit_Scale->text(), "100");
  EXPECT_EQ(window->Edit_FinalHeight->text(), "576");
  EXPECT_EQ(window->CheckBox_Angle->text(), "Lock angle ");
  EXPECT_EQ(window->ShowClipButtons->checkedId(), 2);
  EXPECT_EQ(window->PreviewOptionButtons->checkedId(), 0);
  EXPECT_EQ(window->Timer2->interval(), 10);
  EXPECT_NE(window->findChild<QScrollBar*>("ScrollBarA"), nullptr);
  // Every caption fits its control whole.
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    const int textWidth = b->fontMetrics().horizontalAdvance(b->text());
    EXPECT_LE(textWidth + (qobject_cast<QPushButton*>(b) ? 8 : 22), b->width()) << b->text().toStdString();
  }
}

TEST_F(AdjustmentWindow, DragShowsTheValueAndRendersOnRelease) {
  QScrollBar* bar = window->ScrollBar_Resize;
  bar->setSliderDown(true);
  bar->setSliderPosition(30);
  bar->setSliderPosition(55);
  EXPECT_EQ(window->Edit_Scale->text(), "105.5");
  EXPECT_EQ(composed, 0);
  bar->setSliderDown(false);
  EXPECT_EQ(composed, 1);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(window->Edit_Scale->text(), "10");
  EXPECT_EQ(composed, 2);
}

TEST_F(AdjustmentWindow, TypedScaleStaysAndMovesTheBarToItsEnd) {
  Enter(window->Edit_Scale, "300");
  EXPECT_EQ(window->ScrollBar_Resize->value(), 1100);
  EXPECT_EQ(window->Edit_Scale->text(), "300");
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 3.0);
  EXPECT_EQ(composed, 1);
  // Typed without Enter is already the value.
  Type(window->Edit_ScaleR, "90");
  EXPECT_DOUBLE_EQ(settings.ScaleRightFactor(), 0.9);
}

TEST_F(AdjustmentWindow, LocksFollowTheirPartners) {
  Type(window->Edit_ScaleR, "120");
  QTest::mouseClick(window->CheckBox_Scale, Qt::LeftButton, {}, QPoint(6, window->CheckBox_Scale->height() / 2));
  ASSERT_TRUE(window->CheckBox_Scale->isChecked());
  Drag(window->ScrollBar_Resize, {100});
  EXPECT_EQ(window->Edit_ScaleR->text(), "132");
  EXPECT_EQ(window->ScrollBar_ResizeR->value(), 320);

  window->Model().ResetAll();
  window->RefreshControls();
  Type(window->Edit_Angle, "1");
  Type(window->Edit_AngleR, "1.5");
  window->CheckBox_Angle->click();
  Enter(window->Edit_AngleR, "-2");
  EXPECT_EQ(window->Edit_Angle->text(), "-2.5");
  EXPECT_EQ(window->ScrollBar_Rotation->value(), -25);
}

TEST_F(AdjustmentWindow, LockingAZeroScaleIsRefusedWithAMessage) {
  Type(window->Edit_Scale, "0");
  window->CheckBox_Scale->click();
  EXPECT_FALSE(window->CheckBox_Scale->isChecked());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("left scale is 0"), std::string::npos);
}

TEST_F(AdjustmentWindow, DisplacementBoxClampsAndRoundsHalvesToEven) {
  Enter(window->Edit_Horizontal, "1000");
  EXPECT_EQ(window->ScrollBar_Horizontal->value(), 718);
  EXPECT_EQ(window->Edit_Horizontal->text(), "1000");
  EXPECT_EQ(settings.HorizontalShift(), 718);
  Enter(window->Edit_Horizontal, "12.5");
  EXPECT_EQ(settings.HorizontalShift(), 12);
  Enter(window->Edit_Horizontal, "13.5");
  EXPECT_EQ(settings.HorizontalShift(), 14);
}

TEST_F(AdjustmentWindow, NonNumberFailsEveryRenderUntilResetAll) {
  Type(window->Edit_AngleR, "abc");
  window->CheckBox_Swap->click();
  window->ShowClipButtons->button(0)->click();
  Drag(window->ScrollBar_Vertical, {5});
  EXPECT_EQ(composed, 0);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0], "'abc' is not a valid floating point value");
  window->Button1->click();
  EXPECT_EQ(window->Edit_AngleR->text(), "0");
  EXPECT_GE(composed, 1);
  EXPECT_FALSE(window->CheckBox_Swap->isChecked());
  EXPECT_EQ(window->ShowClipButtons->checkedId(), 2);
}

TEST_F(AdjustmentWindow, HoldOffDropsASecondApplyToClip) {
  window->Button4->click();
  window->Button4->click();
  EXPECT_EQ(regenerated, 1);
  for (int tick = 0; tick < 5; ++tick) window->Timer2Timer();
  window->Button4->click();
  EXPECT_EQ(regenerated, 2);
  // Auto crop and Use Final Size regenerate; Swap renders only.
  for (int tick = 0; tick < 5; ++tick) window->Timer2Timer();
  window->CheckBox_Crop->click();
  EXPECT_EQ(regenerated, 3);
  EXPECT_EQ(composed, 0);
}

TEST_F(AdjustmentWindow, SaveFrameCancelledWritesNothing) {
  window->Button5->click();
  EXPECT_TRUE(saved.empty());
  savePath = "/tmp/x.bmp";
  window->Button5->click();
  EXPECT_EQ(saved, (std::vector<std::string>{"/tmp/x.bmp"}));
}

TEST_F(AdjustmentWindow, SliderDialogAppliesToTheLastRightClickedSlider) {
  TForm_Slider dialog(window->Model(), [this](const std::string& e) { errors.push_back(e); },
                      [this] { window->RefreshControls(); });
  EXPECT_EQ(dialog.windowTitle(), "Slider definition");
  emit window->ScrollBarA->customContextMenuRequested({});
  emit window->ScrollBarB->customContextMenuRequested({});
  EXPECT_EQ(sliderDialogs, 2);
  dialog.EditMin->setText("200");
  dialog.EditMax->setText("300");
  dialog.EditInit->setText("250");
  dialog.EditTitle->setText("Depth");
  dialog.Button1->click();
  EXPECT_EQ(window->ScrollBarB->minimum(), 200);
  EXPECT_EQ(window->ScrollBarB->value(), 250);
  EXPECT_EQ(window->Label_SliderB->text(), "Depth");
  EXPECT_EQ(window->Edit_SliderB->text(), "250");
  EXPECT_EQ(window->ScrollBarA->maximum(), 100);
  // Reset All puts the bar back without an error.
  window->Button1->click();
  EXPECT_EQ(window->ScrollBarB->minimum(), -100);
  EXPECT_EQ(window->ScrollBarB->value(), 0);
  EXPECT_TRUE(errors.empty());
  dialog.EditMax->setText("x");
  dialog.Button1->click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(dialog.EditMin->text(), "200");  // nothing written back
}

}  // namespace
}  // namespace tandemix
