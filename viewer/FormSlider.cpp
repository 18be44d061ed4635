#include "viewer/FormSlider.h"

namespace tandemix {

TForm_Slider::TForm_Slider(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Slider");
  setWindowTitle("Slider definition");
}

}  // namespace tandemix
