// Frame-rate arithmetic of the filters that change the rate.
#pragma once

#include <string>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// rate * factor / divisor, reduced.
void ScaleRate(ClipInfo& info, long long factor, long long divisor);
// Sets the rate from a fraction, reduced; throws FilterError when it is not positive.
void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator);

}  // namespace tandemix::engine
