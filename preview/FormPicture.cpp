#include "preview/FormPicture.h"

namespace tandemix {

TForm_Picture::TForm_Picture(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Picture");
  setWindowTitle("Selected frame");
}

}  // namespace tandemix
