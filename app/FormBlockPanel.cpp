#include "app/FormBlockPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace tandemix {

TBlockPanel::TBlockPanel(const QString& name, const QString& caption, int bevelWidth, QWidget* parent)
    : QWidget(parent), caption_(caption), bevelWidth_(bevelWidth) {
  setObjectName(name);
}

void TBlockPanel::SetCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  update();
}

void TBlockPanel::SetLit(bool lit) {
  if (lit_ == lit) return;
  lit_ = lit;
  update();
}

int TBlockPanel::NeededWidth() const { return fontMetrics().horizontalAdvance(caption_) + 2 * bevelWidth_ + 2; }

void TBlockPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), lit_ ? pal.color(QPalette::Active, QPalette::Highlight) : pal.color(QPalette::Button));
  // Raised bevel: light on the top and left edges, shadow on the others.
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);
  const int w = width();
  const int h = height();
  for (int i = 0; i < bevelWidth_; ++i) {
    painter.setPen(light);
    painter.drawLine(i, i, w - 1 - i, i);
    painter.drawLine(i, i, i, h - 1 - i);
    painter.setPen(dark);
    painter.drawLine(i, h - 1 - i, w - 1 - i, h - 1 - i);
    painter.drawLine(w - 1 - i, i, w - 1 - i, h - 1 - i);
  }
  painter.setPen(lit_ ? pal.color(QPalette::Active, QPalette::HighlightedText)
                      : pal.color(QPalette::Active, QPalette::ButtonText));
  painter.setFont(font());
  painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

void TBlockPanel::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button());
  event->accept();
}

}  // namespace tandemix
