#include "app/FormBitBtn.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tandemix {

TBitBtn::TBitBtn(const QString& name, const QString& caption, Glyph glyph, QWidget* parent)
    : QPushButton(caption, parent), glyph_(glyph) {
  setObjectName(name);
}

int TBitBtn::NeededWidth() const {
  return fontMetrics().horizontalAdvance(text()) + kSpacing + kGlyphSize + 2 * kFrame;
}

void TBitBtn::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  painter.drawControl(QStyle::CE_PushButton, option);

  // Caption and glyph side by side, centred as one.
  const int textWidth = fontMetrics().horizontalAdvance(text());
  const int total = textWidth + kSpacing + kGlyphSize;
  int x = (width() - total) / 2;
  if (isDown()) ++x;
  const QRect textRect(x, 0, textWidth, height());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text());
  DrawGlyph(painter, QRect(x + textWidth + kSpacing, (height() - kGlyphSize) / 2, kGlyphSize, kGlyphSize));
}

void TBitBtn::DrawGlyph(QPainter& painter, const QRect& b) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const bool enabled = isEnabled();
  auto colour = [&](const QColor& c) {
    return enabled ? c : palette().color(QPalette::Disabled, QPalette::ButtonText);
  };
  const int l = b.left(), t = b.top(), r = b.right(), bot = b.bottom();
  const int cx = b.center().x(), cy = b.center().y();
  switch (glyph_) {
    case Glyph::Add: {  // arrow pointing right, into the applied list
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour(QColor(0, 128, 0)));
      painter.drawPolygon(QPolygon({QPoint(l, cy - 2), QPoint(cx, cy - 2), QPoint(cx, t), QPoint(r, cy),
                                    QPoint(cx, bot), QPoint(cx, cy + 2), QPoint(l, cy + 2)}));
      break;
    }
    case Glyph::Delete: {  // a red cross
      QPen pen(colour(QColor(200, 0, 0)), 2.2);
      pen.setCapStyle(Qt::RoundCap);
      painter.setPen(pen);
      painter.drawLine(QPoint(l + 1, t + 1), QPoint(r - 1, bot - 1));
      painter.drawLine(QPoint(r - 1, t + 1), QPoint(l + 1, bot - 1));
      break;
    }
    case Glyph::Up:
    case Glyph::Down: {
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour(QColor(0, 0, 160)));
      if (glyph_ == Glyph::Up) {
        painter.drawPolygon(QPolygon({QPoint(cx, t + 1), QPoint(r, bot - 2), QPoint(l, bot - 2)}));
      } else {
        painter.drawPolygon(QPolygon({QPoint(l, t + 2), QPoint(r, t + 2), QPoint(cx, bot - 1)}));
      }
      break;
    }
  }
  painter.restore();
}

}  // namespace tandemix
