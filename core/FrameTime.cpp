#include "core/FrameTime.h"

#include <cstdint>

#include "core/Geometry.h"

namespace tandemix {

std::int64_t FrameToMs(int frame, double rate) { return RoundHalfEven64(frame * 1000.0 / (rate > 0 ? rate : 1.0)); }

int MsToFrame(std::int64_t ms, double rate) {
  const std::int64_t f = RoundHalfEven64(static_cast<double>(ms) * rate / 1000.0);
  return f > INT32_MAX ? INT32_MAX : f < INT32_MIN ? INT32_MIN : static_cast<int>(f);
}

}  // namespace tandemix
