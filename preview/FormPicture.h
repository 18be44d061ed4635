// The "Selected frame" window: shows the composed preview picture at full
// size, scrolling when it is larger than the window.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>

#include "preview/PreviewBitmap.h"

namespace tandemix {

class TForm_Picture : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Picture(QWidget* parent = nullptr);

  // Shows the window with a copy of `picture`, the image sized to it.
  // On its first showing the window stands beside its neighbour (the clip
  // viewer) when the screen has room; afterwards it keeps its place and
  // size, and changes size only for a picture of another size.
  void ShowPicture(const Bitmap& picture);
  void SetNeighbour(QWidget* neighbour) { neighbour_ = neighbour; }
  // The window has a place of its own (shown before, or restored).
  void SetPlaced(bool placed) { placed_ = placed; }

  QScrollArea* ScrollBox;
  QLabel* Image1;

 private:
  QPointer<QWidget> neighbour_;
  bool placed_ = false;
  QSize lastPicture_;
};

}  // namespace tandemix
