#include "core/AlignmentSettings.h"

#include <algorithm>

#include "core/EditNumber.h"

namespace tandemix {

void ScrollRange::SetPosition(int p) {
  position = std::clamp(p, std::min(minimum, maximum), std::max(minimum, maximum));
}

void ScrollRange::SetRange(int newMinimum, int newMaximum) {
  maximum = newMaximum;
  minimum = newMinimum;
  if (position > maximum) position = maximum;
  if (position < minimum) position = minimum;
}

double AlignmentSettings::ScaleLeftFactor() const { return ParseEditReal(scaleText) / 100.0; }
double AlignmentSettings::ScaleRightFactor() const { return ParseEditReal(scaleRText) / 100.0; }
double AlignmentSettings::AngleLeft() const { return ParseEditReal(angleText); }
double AlignmentSettings::AngleRight() const { return ParseEditReal(angleRText); }
int AlignmentSettings::FinalWidth() const { return ParseEditInteger(finalWidthText); }
int AlignmentSettings::FinalHeight() const { return ParseEditInteger(finalHeightText); }

}  // namespace tandemix
