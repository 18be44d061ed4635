#include "viewer/FormVideoPanel.h"

#include <QMetaObject>
#include <QPainter>

namespace tandemix {

VideoPanel::VideoPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void VideoPanel::Deliver(FramePtr frame, int index) {
  QMetaObject::invokeMethod(
      this, [this, frame = std::move(frame), index] { Show(frame, index); }, Qt::QueuedConnection);
}

void VideoPanel::Show(FramePtr frame, int index) {
  if (!frame || frame->Empty()) return;
  // The frame's bytes are blue, green, red: QImage's BGR888 reads them as is.
  picture_ = QImage(frame->pixels.data(), frame->width, frame->height, static_cast<qsizetype>(frame->Stride()),
                    QImage::Format_BGR888)
                 .copy();
  shownIndex_ = index;
  update();
  emit FrameShown(index);
}

void VideoPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (picture_.isNull()) return;
  const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, picture_);
}

}  // namespace tandemix
