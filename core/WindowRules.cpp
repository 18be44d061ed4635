#include "core/WindowRules.h"

#include <algorithm>
#include <cmath>

namespace tandemix {

std::size_t ChooseMessageOwner(const std::vector<WindowFacts>& windows, std::size_t main) {
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (windows[i].active && windows[i].shown) return i;
  }
  return main;
}

QRect KeptInside(const QRect& window, const QRect& screen) {
  QRect r = window;
  if (r.width() > screen.width()) r.setWidth(screen.width());
  if (r.height() > screen.height()) r.setHeight(screen.height());
  if (r.right() > screen.right()) r.moveRight(screen.right());
  if (r.bottom() > screen.bottom()) r.moveBottom(screen.bottom());
  if (r.left() < screen.left()) r.moveLeft(screen.left());
  if (r.top() < screen.top()) r.moveTop(screen.top());
  return r;
}

QPoint CentredOn(const QRect& owner, const QSize& size, const QRect& screen) {
  QRect r(QPoint(0, 0), size);
  r.moveCenter(owner.center());
  return KeptInside(r, screen).topLeft();
}

QPoint BesideOf(const QRect& anchor, const QSize& size, const QRect& screen, int gap) {
  const auto fits = [&](const QRect& r) { return screen.contains(r); };
  // Beside: top edges aligned, moved up only as far as the screen needs.
  const int top = std::clamp(anchor.top(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
  const int left = std::clamp(anchor.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
  const QRect right(QPoint(anchor.right() + 1 + gap, top), size);
  if (fits(right)) return right.topLeft();
  const QRect leftSide(QPoint(anchor.left() - gap - size.width(), top), size);
  if (fits(leftSide)) return leftSide.topLeft();
  const QRect below(QPoint(left, anchor.bottom() + 1 + gap), size);
  if (fits(below)) return below.topLeft();
  const QRect above(QPoint(left, anchor.top() - gap - size.height()), size);
  if (fits(above)) return above.topLeft();
  return KeptInside(right, screen).topLeft();
}

QRect PictureWindowGeometry(const PictureWindowFacts& f) {
  const bool newSize = !f.placed || f.picture != f.lastPicture;
  QSize size = f.current.size();
  if (newSize) {
    // As large as the picture within the screen; larger pictures scroll.
    size = QSize(std::min(f.picture.width() + f.border, f.screen.width()),
                 std::min(f.picture.height() + f.border, f.screen.height()));
  }
  if (f.placed) return QRect(f.current.topLeft(), size);
  if (f.viewer.isEmpty()) return KeptInside(QRect(f.screen.topLeft(), size), f.screen);
  return QRect(BesideOf(f.viewer, size, f.screen), size);
}

double LayoutScale(int desktopFontPixels, int fittingFontPixels) {
  if (fittingFontPixels <= 0) return 1.0;
  return std::max(1.0, static_cast<double>(desktopFontPixels) / fittingFontPixels);
}

QRect ScaledRect(const QRect& r, double scale) {
  const auto at = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
  const int left = at(r.x());
  const int top = at(r.y());
  return QRect(left, top, at(r.x() + r.width()) - left, at(r.y() + r.height()) - top);
}

}  // namespace tandemix
