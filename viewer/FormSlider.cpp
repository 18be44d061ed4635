#include "viewer/FormSlider.h"

#include "base/Errors.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {
TForm_Slider::TForm_Slider(AdjustmentModel& adjustment, std::function<void(const std::string&)> showError,
                           std::function<void()> sliderChanged, QWidget* parent)
    : QWidget(parent, Qt::Window),
      adjustment_(adjustment),
      showError_(std::move(showError)),
      sliderChanged_(std::move(sliderChanged)) {
  setObjectName("Form_Slider");
  setWindowTitle("Slider definition");
  setFixedSize(331, 186);
  const char* labels[] = {
      "Min. value:", "Max. value:", "Initial value:", "Small increment:", "Large increment:", "Title:"};
  for (int i = 0; i < 6; ++i) MakeLabel(this, labels[i], QRect(8, 8 + 28 * i + 3, 108, 17));
  EditMin = MakeEdit(this, "EditMin", QRect(120, 8, 97, 21));
  EditMax = MakeEdit(this, "EditMax", QRect(120, 36, 97, 21));
  EditInit = MakeEdit(this, "EditInit", QRect(120, 64, 97, 21));
  EditSmall = MakeEdit(this, "EditSmall", QRect(120, 92, 97, 21));
  EditLarge = MakeEdit(this, "EditLarge", QRect(120, 120, 97, 21));
  EditTitle = MakeEdit(this, "EditTitle", QRect(120, 148, 97, 21));
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(240, 146, 75, 25);
  Button1->setAutoDefault(false);
  Button1->setDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TForm_Slider::Button1Click);
  ShowDefinition();
}

void TForm_Slider::ShowDefinition() {
  EditMin->setText(QString::fromStdString(definition_.minText));
  EditMax->setText(QString::fromStdString(definition_.maxText));
  EditInit->setText(QString::fromStdString(definition_.initText));
  EditSmall->setText(QString::fromStdString(definition_.smallText));
  EditLarge->setText(QString::fromStdString(definition_.largeText));
  EditTitle->setText(QString::fromStdString(definition_.title));
}

void TForm_Slider::Button1Click() {
  definition_.minText = EditMin->text().toStdString();
  definition_.maxText = EditMax->text().toStdString();
  definition_.initText = EditInit->text().toStdString();
  definition_.smallText = EditSmall->text().toStdString();
  definition_.largeText = EditLarge->text().toStdString();
  definition_.title = EditTitle->text().toStdString();
  try {
    ApplySliderDefinition(definition_, adjustment_, adjustment_.Settings().editedSlider);
  } catch (const TandemixError& e) {
    if (showError_) showError_(e.what());
    return;
  }
  ShowDefinition();
  if (sliderChanged_) sliderChanged_();
}

}  // namespace tandemix
