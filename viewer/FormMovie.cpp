#include "viewer/FormMovie.h"

namespace tandemix {

TForm_Movie::TForm_Movie(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Movie");
  setWindowTitle("Clip");
}

void TForm_Movie::ViewerOpen(const std::string&, int, int, std::int64_t) {
  show();
  raise();
}

}  // namespace tandemix
