#include "preview/FormPreview.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include "tests/preview/AdjustmentWindowFixture.h"

namespace tandemix {
namespace {

TEST_F(AdjustmentWindow, ControlsAndStartValues) {
  EXPECT_EQ(window->windowTitle(), "Preview");
  EXPECT_EQ(window->size(), QSize(439, 534));
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

TEST_F(AdjustmentWindow, DuboisChoicesSetThePreviewMode) {
  const struct {
    const char* caption;
    PreviewMode mode;
  } rows[] = {{"Dubois R/Cy", PreviewMode::DuboisRedCyan},
              {"Dubois G/M", PreviewMode::DuboisGreenMagenta},
              {"Dubois Amb/B", PreviewMode::DuboisAmberBlue},
              {"Anaglyph R/Cy", PreviewMode::RedCyan}};
  int expectedComposes = composed;
  for (const auto& row : rows) {
    QAbstractButton* radio = nullptr;
    for (QAbstractButton* b : window->PreviewOptionButtons->buttons())
      if (b->text() == row.caption) radio = b;
    ASSERT_NE(radio, nullptr) << row.caption;
    radio->click();
    EXPECT_EQ(settings.previewMode, row.mode) << row.caption;
    EXPECT_EQ(composed, ++expectedComposes) << row.caption;
    EXPECT_EQ(window->PreviewOptionButtons->checkedId(), static_cast<int>(row.mode));
  }
  EXPECT_EQ(window->PreviewOptionButtons->buttons().size(), 6);
}

TEST_F(AdjustmentWindow, NoControlCoversAnother) {
  const QList<QWidget*> controls = window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (int i = 0; i < controls.size(); ++i)
    for (int j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << controls[i]->objectName().toStdString() << " and " << controls[j]->objectName().toStdString();
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

TEST_F(AdjustmentWindow, TypedScaleIsBroughtToTheBarsEndVisibly) {
  Enter(window->Edit_Scale, "300");
  EXPECT_EQ(window->ScrollBar_Resize->value(), 1100);
  EXPECT_EQ(window->Edit_Scale->text(), "210");
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 2.1);
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
  EXPECT_EQ(window->Edit_Horizontal->text(), "718");
  EXPECT_EQ(settings.HorizontalShift(), 718);
  Enter(window->Edit_Horizontal, "12.5");
  EXPECT_EQ(settings.HorizontalShift(), 12);
  Enter(window->Edit_Horizontal, "13.5");
  EXPECT_EQ(settings.HorizontalShift(), 14);
}

TEST_F(AdjustmentWindow, NonNumberFailsOnceAndTheBoxReturnsToItsLastValue) {
  Enter(window->Edit_AngleR, "1.5");
  Type(window->Edit_AngleR, "abc");
  window->CheckBox_Swap->click();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "'abc' is not a valid floating point value");
  EXPECT_EQ(window->Edit_AngleR->text(), "1.5");
  const int before = composed;
  window->ShowClipButtons->button(0)->click();
  Drag(window->ScrollBar_Vertical, {5});
  EXPECT_EQ(composed, before + 2);
  EXPECT_EQ(errors.size(), 1u);
  // Enter and leaving the box refuse a non-number with the same message.
  Enter(window->Edit_Scale, "1e9");
  EXPECT_EQ(window->Edit_Scale->text(), "210");
  Enter(window->Edit_Scale, "abc");
  EXPECT_EQ(window->Edit_Scale->text(), "210");
  Type(window->Edit_FinalWidth, "wide");
  emit window->Edit_FinalWidth->editingFinished();
  EXPECT_EQ(window->Edit_FinalWidth->text(), "720");
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[1], "'abc' is not a valid floating point value");
  EXPECT_EQ(errors[2], "'wide' is not a valid integer value");
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

TEST_F(AdjustmentWindow, ArrowKeysStepTheBoxesLikeATypedNumber) {
  QTest::keyClick(window->Edit_Horizontal, Qt::Key_Up);
  EXPECT_EQ(window->Edit_Horizontal->text(), "1");
  EXPECT_EQ(settings.HorizontalShift(), 1);
  EXPECT_EQ(window->ScrollBar_Horizontal->value(), 1);
  QTest::keyClick(window->Edit_Horizontal, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(window->Edit_Horizontal->text(), "11");
  QTest::keyClick(window->Edit_Vertical, Qt::Key_Down);
  EXPECT_EQ(settings.VerticalShift(), -1);
  // Real-valued boxes take tenths with Ctrl, and every step renders.
  const int before = composed;
  QTest::keyClick(window->Edit_Scale, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(window->Edit_Scale->text(), "100.1");
  EXPECT_DOUBLE_EQ(settings.ScaleLeftFactor(), 1.001);
  QTest::keyClick(window->Edit_AngleR, Qt::Key_Down, Qt::ControlModifier);
  QTest::keyClick(window->Edit_AngleR, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(window->Edit_AngleR->text(), "-0.2");
  EXPECT_EQ(composed, before + 3);
  // A whole-number box takes Ctrl as a step of 1.
  QTest::keyClick(window->Edit_FinalWidth, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(window->Edit_FinalWidth->text(), "721");
}

TEST_F(AdjustmentWindow, TheWheelStepsByNotches) {
  const QPoint at = window->Edit_ScaleR->rect().center();
  QWheelEvent twoUp(at, window->Edit_ScaleR->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(window->Edit_ScaleR, &twoUp);
  EXPECT_EQ(window->Edit_ScaleR->text(), "102");
  // Half notches add up to one step.
  QWheelEvent halfDown(at, window->Edit_ScaleR->mapToGlobal(at), QPoint(), QPoint(0, -60), Qt::NoButton,
                       Qt::ShiftModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(window->Edit_ScaleR, &halfDown);
  EXPECT_EQ(window->Edit_ScaleR->text(), "102");
  QApplication::sendEvent(window->Edit_ScaleR, &halfDown);
  EXPECT_EQ(window->Edit_ScaleR->text(), "92");
}

TEST_F(AdjustmentWindow, SteppingANonNumberShowsTheErrorAndRestoresTheBox) {
  Type(window->Edit_Angle, "abc");
  QTest::keyClick(window->Edit_Angle, Qt::Key_Up);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "'abc' is not a valid floating point value");
  EXPECT_EQ(window->Edit_Angle->text(), "0");
}

}  // namespace
}  // namespace tandemix
