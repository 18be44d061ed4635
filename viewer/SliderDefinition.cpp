#include "viewer/SliderDefinition.h"

#include <cmath>

#include "platform/Errors.h"
#include "preview/EditNumber.h"

namespace tandemix {
namespace {

// Round to nearest, halves to even, in double precision.
double RoundEven(double v) {
  const double f = std::floor(v);
  const double d = v - f;
  if (d > 0.5) return f + 1;
  if (d < 0.5) return f;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1;
}

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
  n.large = RoundEven(n.large / n.small) * n.small;
  n.init = RoundEven(n.init / n.small) * n.small;
  n.max = RoundEven(n.max / n.small) * n.small;
  n.min = RoundEven(n.min / n.small) * n.small;
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
  const double minimum = RoundEven(n.min * k);
  const double maximum = RoundEven(n.max * k);
  const double position = RoundEven(n.init * k);
  const double large = RoundEven(n.large * k);
  const double small = RoundEven(n.small * k);
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
