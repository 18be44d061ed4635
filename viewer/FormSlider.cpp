#include "viewer/FormSlider.h"

#include "platform/Errors.h"

namespace tandemix {
namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name, int top) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(120, top, 97, 21);
  return edit;
}

void MakeLabel(QWidget* parent, const char* text, int top) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(8, top + 3, 108, 17);
}

}  // namespace

TForm_Slider::TForm_Slider(AdjustmentModel& adjustment, std::function<void(const std::string&)> showError,
                           std::function<void()> sliderChanged, QWidget* parent)
    : QWidget(parent, Qt::Window),
      adjustment_(adjustment),
      showError_(std::move(showError)),
      sliderChanged_(std::move(sliderChanged)) {
  setObjectName("Form_Slider");
  setWindowTitle("Slider definition");
  setFixedSize(331, 186);
  const char* labels[] = {"Min. value:", "Max. value:", "Initial value:", "Small increment:", "Large increment:",
                          "Title:"};
  for (int i = 0; i < 6; ++i) MakeLabel(this, labels[i], 8 + 28 * i);
  EditMin = MakeEdit(this, "EditMin", 8);
  EditMax = MakeEdit(this, "EditMax", 36);
  EditInit = MakeEdit(this, "EditInit", 64);
  EditSmall = MakeEdit(this, "EditSmall", 92);
  EditLarge = MakeEdit(this, "EditLarge", 120);
  EditTitle = MakeEdit(this, "EditTitle", 148);
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
