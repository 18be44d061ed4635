#include "viewer/SliderDefinition.h"

#include <cmath>

#include "base/Errors.h"
#include "core/EditNumber.h"
#include "core/Geometry.h"

namespace tandemix {
namespace {

bool FitsPosition(double v) { return std::isfinite(v) && v >= -2147483648.0 && v <= 2147483647.0; }

}  // namespace

SliderNumbers NormaliseSlider(SliderNumbers n) {
  const double range = n.max - n.min;
  if (!(range > 0)) return SliderNumbers{};
  if (n.init > n.max) {
    n.init = n.max;
  } else if (n.init < n.min) {
    n.init = n.min;
  }
  if (n.small > range / 10) {
    n.small = range / 10;
  } else if (n.small < range / 2000) {
    n.small = range / 2000;
  }
  if (n.large > range / 5) {
    n.large = range / 5;
  } else if (n.large < range / 100) {
    n.large = range / 100;
  }
  if (n.large < n.small) n.large = n.small;
  n.large = RoundHalfEvenReal(n.large / n.small) * n.small;
  n.init = RoundHalfEvenReal(n.init / n.small) * n.small;
  n.max = RoundHalfEvenReal(n.max / n.small) * n.small;
  n.min = RoundHalfEvenReal(n.min / n.small) * n.small;
  return n;
}

void ApplySliderDefinition(SliderDefinition& d, AdjustmentModel& adjustment, int editedSlider) {
  SliderNumbers n;
  n.min = ParseEditReal(d.minText);
  n.max = ParseEditReal(d.maxText);
  n.init = ParseEditReal(d.initText);
  n.small = ParseEditReal(d.smallText);
  n.large = ParseEditReal(d.largeText);
  n = NormaliseSlider(n);

  const double k = 1.0 / n.small;
  const double minimum = RoundHalfEvenReal(n.min * k);
  const double maximum = RoundHalfEvenReal(n.max * k);
  const double position = RoundHalfEvenReal(n.init * k);
  const double large = RoundHalfEvenReal(n.large * k);
  const double small = RoundHalfEvenReal(n.small * k);
  if (!FitsPosition(minimum) || !FitsPosition(maximum) || !FitsPosition(position))
    throw TandemixError("This slider cannot be defined: from " + FormatEditReal(n.min) + " to " +
                        FormatEditReal(n.max) + " in steps of " + FormatEditReal(n.small) +
                        " its positions would not fit a slider. Choose a range closer to zero or a larger "
                        "small increment.");

  d.minText = FormatEditReal(n.min);
  d.maxText = FormatEditReal(n.max);
  d.initText = FormatEditReal(n.init);
  d.smallText = FormatEditReal(n.small);
  d.largeText = FormatEditReal(n.large);
  if (editedSlider != 0 && editedSlider != 1) return;

  AlignmentSettings& s = adjustment.Settings();
  (editedSlider == 0 ? s.sliderAStep : s.sliderBStep) = n.small;
  (editedSlider == 0 ? s.sliderAValue : s.sliderBValue) = n.init;
  UserSlider& slider = adjustment.Slider(editedSlider);
  // The range first, so the position is never clamped to the old range.
  slider.bar.minimum = static_cast<int>(minimum);
  slider.bar.maximum = static_cast<int>(maximum);
  slider.bar.position = static_cast<int>(position);
  slider.largeStep = static_cast<int>(large);
  slider.smallStep = static_cast<int>(small);
  slider.editText = FormatEditReal(n.init);
  slider.caption = d.title;
}

}  // namespace tandemix
