// The "Selected frame" window: shows the composed preview picture at full
// size, scrolling when it is larger than the window.
#pragma once

#include <QLabel>
#include <QScrollArea>
#include <QWidget>

#include "preview/PreviewBitmap.h"

namespace tandemix {

class TForm_Picture : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Picture(QWidget* parent = nullptr);

  // Shows the window with a copy of `picture`, the image sized to it.
  void ShowPicture(const Bitmap& picture);

  QScrollArea* ScrollBox;
  QLabel* Image1;
};

}  // namespace tandemix
