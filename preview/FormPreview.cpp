#include "preview/FormPreview.h"

namespace tandemix {

TForm_Preview::TForm_Preview(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Preview");
  setWindowTitle("Preview");
}

}  // namespace tandemix
