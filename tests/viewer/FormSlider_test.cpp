#include "viewer/FormSlider.h"

#include <gtest/gtest.h>

#include "tests/preview/AdjustmentWindowFixture.h"

namespace tandemix {
namespace {

TEST_F(AdjustmentWindow, SliderDialogAppliesToTheLastRightClickedSlider) {
  TForm_Slider dialog(
      window->Model(), [this](const std::string& e) { errors.push_back(e); }, [this] { window->RefreshControls(); });
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
