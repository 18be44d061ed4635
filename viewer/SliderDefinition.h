// The slider definition dialog without the window: six boxes, and "OK",
// which normalises the five numbers, writes them back and applies the
// definition to the user slider last right-clicked.
#pragma once

#include <string>

#include "preview/AdjustmentModel.h"

namespace tandemix {

struct SliderDefinition {
  std::string minText = "-100";
  std::string maxText = "100";
  std::string initText = "0";
  std::string smallText = "1";
  std::string largeText = "10";
  std::string title = "SliderA";
};

// The normalised numbers of a definition.
struct SliderNumbers {
  double min = -100;
  double max = 100;
  double init = 0;
  double small = 1;
  double large = 10;
};

// A range of 10 to 2000 small increments, a large increment of 1 to 400 of
// them, min <= init <= max, all whole multiples of the small increment. A
// maximum not above the minimum falls back to the start values.
SliderNumbers NormaliseSlider(SliderNumbers n);

// "OK": parses the five numbers (throwing "'<text>' is not a valid floating
// point value" before anything changes), normalises them, writes them back
// into `definition` and applies them to slider `editedSlider` (0 SliderA,
// 1 SliderB, anything else: nothing). A definition whose bar positions would
// not fit 32 bits is refused with a TandemixError, leaving everything as it
// was.
void ApplySliderDefinition(SliderDefinition& definition, AdjustmentModel& adjustment, int editedSlider);

}  // namespace tandemix
