// The "Selected frame" window that shows the composed preview picture. For
// now an empty window with its caption, hidden until a command shows it.
#pragma once

#include <QWidget>

namespace tandemix {

class TForm_Picture : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Picture(QWidget* parent = nullptr);
};

}  // namespace tandemix
