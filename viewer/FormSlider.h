// The slider definition dialog for the two user sliders. For now an empty
// window with its caption, hidden until a command shows it.
#pragma once

#include <QWidget>

namespace tandemix {

class TForm_Slider : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Slider(QWidget* parent = nullptr);
};

}  // namespace tandemix
