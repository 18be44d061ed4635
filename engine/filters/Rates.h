// Frame-rate arithmetic of the filters that change the rate.
#pragma once

#include <string>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// rate * factor / divisor, reduced.
void ScaleRate(ClipInfo& info, long long factor, long long divisor);
// Sets the rate from a fraction, reduced; throws FilterError when it is not positive.
void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator);

// The fraction a float rate stands for, as AviSynth finds it: the first
// convergent of its continued fraction that is the same single-precision
// number. Throws FilterError when the rate is not positive or out of range.
void FloatRate(const std::string& filter, double fps, long long& numerator, long long& denominator);
// The named rates ("ntsc_film", "pal_video", ...); false for another name.
bool PresetRate(const std::string& name, long long& numerator, long long& denominator);

}  // namespace tandemix::engine
