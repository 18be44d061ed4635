// The adjustment window, where the two views are aligned on a still frame.
// For now an empty window with its caption; it is made at start and stays
// hidden until a command shows it.
#pragma once

#include <QWidget>

namespace tandemix {

class TForm_Preview : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Preview(QWidget* parent = nullptr);
};

}  // namespace tandemix
