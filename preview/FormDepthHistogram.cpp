#include "preview/FormDepthHistogram.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace tandemix {

TDepthHistogram::TDepthHistogram(QWidget* parent) : QWidget(parent) {
  setObjectName("DepthHistogram");
  setToolTip(
      "Parallax of the matched points: in front of the screen to the left of the black line, behind it to the "
      "right. Red lines: the near comfort budget and the far (divergence) limit. Blue: the nearest and farthest "
      "points.");
}

void TDepthHistogram::Show(const std::optional<DepthView>& depth) {
  depth_ = depth;
  update();
}

double TDepthHistogram::ColumnOf(double parallax) const {
  if (!depth_ || !(depth_->high > depth_->low)) return 0.0;
  return (parallax - depth_->low) / (depth_->high - depth_->low) * width();
}

void TDepthHistogram::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(250, 250, 250));
  painter.setPen(QColor(160, 160, 160));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!depth_ || depth_->bins.empty()) return;
  const DepthView& d = *depth_;
  const int most = std::max(1, *std::max_element(d.bins.begin(), d.bins.end()));
  const double binWidth = double(width()) / d.bins.size();
  const int floor = height() - 2;
  for (std::size_t i = 0; i < d.bins.size(); ++i) {
    if (d.bins[i] == 0) continue;
    // Square-root heights: a small near object still shows beside a
    // background that holds most of the points.
    const int h = std::max(2, static_cast<int>((floor - 2) * std::sqrt(double(d.bins[i]) / most)));
    painter.fillRect(QRectF(i * binWidth + 1, floor - h, std::max(1.0, binWidth - 1), h), QColor(110, 110, 110));
  }
  auto line = [&](double parallax, const QColor& colour, Qt::PenStyle style) {
    QPen pen(colour);
    pen.setStyle(style);
    pen.setWidth(2);
    painter.setPen(pen);
    const double x = ColumnOf(parallax);
    painter.drawLine(QPointF(x, 1), QPointF(x, height() - 1));
  };
  line(0.0, Qt::black, Qt::SolidLine);
  line(-d.report.nearLimitPx, QColor(210, 30, 30), Qt::DashLine);
  line(d.report.farLimitPx, QColor(210, 30, 30), Qt::DashLine);
  line(d.report.nearPx, QColor(30, 80, 220), Qt::DotLine);
  line(d.report.farPx, QColor(30, 80, 220), Qt::DotLine);
}

}  // namespace tandemix
