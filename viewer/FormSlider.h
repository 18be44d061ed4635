// The slider definition dialog: range, initial value, increments and title
// of the user slider last right-clicked in the adjustment window.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "preview/AdjustmentModel.h"
#include "viewer/SliderDefinition.h"

namespace tandemix {

class TForm_Slider : public QWidget {
  Q_OBJECT

 public:
  // `showError` shows a failure's text to the user; `sliderChanged` lets the
  // adjustment window refresh its slider controls after "OK".
  TForm_Slider(AdjustmentModel& adjustment, std::function<void(const std::string&)> showError,
               std::function<void()> sliderChanged, QWidget* parent = nullptr);

  QLineEdit* EditMin;
  QLineEdit* EditMax;
  QLineEdit* EditInit;
  QLineEdit* EditSmall;
  QLineEdit* EditLarge;
  QLineEdit* EditTitle;
  QPushButton* Button1;

  void Button1Click();

 private:
  void ShowDefinition();

  AdjustmentModel& adjustment_;
  SliderDefinition definition_;
  std::function<void(const std::string&)> showError_;
  std::function<void()> sliderChanged_;
};

}  // namespace tandemix
