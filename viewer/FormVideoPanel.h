// The clip viewer's picture area: paints the last frame the player handed
// over, scaled to the panel.
#pragma once

#include <QImage>
#include <QWidget>

#include "media/MediaFrameCache.h"

namespace tandemix {

class VideoPanel : public QWidget {
  Q_OBJECT

 public:
  explicit VideoPanel(QWidget* parent = nullptr);
  // Thread-safe: the player's worker calls it; painting happens on the
  // window thread.
  void Deliver(FramePtr frame, int index);
  int ShownFrame() const { return shownIndex_; }
  const QImage& Picture() const { return picture_; }

 signals:
  void FrameShown(int index);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void Show(FramePtr frame, int index);
  QImage picture_;
  int shownIndex_ = -1;
};

}  // namespace tandemix
