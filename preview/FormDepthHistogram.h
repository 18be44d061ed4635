// A small histogram of the parallax in the adjustment window: the matched
// points counted by parallax, the screen plane, the near and far limits and
// the near and far ends found. It draws what the adjustment model measured.
#pragma once

#include <QWidget>
#include <optional>

#include "preview/AdjustmentModel.h"

namespace tandemix {

class TDepthHistogram : public QWidget {
  Q_OBJECT

 public:
  explicit TDepthHistogram(QWidget* parent = nullptr);
  void Show(const std::optional<DepthView>& depth);
  // The column of a parallax (canvas pixels) in the widget.
  double ColumnOf(double parallax) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<DepthView> depth_;
};

}  // namespace tandemix
