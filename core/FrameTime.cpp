#include "core/FrameTime.h"

#include <cstdint>
#include <cstdio>

#include "core/Geometry.h"

namespace tandemix {

std::int64_t FrameToMs(int frame, double rate) { return RoundHalfEven64(frame * 1000.0 / (rate > 0 ? rate : 1.0)); }

int MsToFrame(std::int64_t ms, double rate) {
  const std::int64_t f = RoundHalfEven64(static_cast<double>(ms) * rate / 1000.0);
  return f > INT32_MAX ? INT32_MAX : f < INT32_MIN ? INT32_MIN : static_cast<int>(f);
}

}  // namespace tandemix

namespace tandemix {

std::string FramePositionText(int frame, int lastFrame, double rate) {
  const std::int64_t ms = FrameToMs(frame, rate);
  const std::int64_t magnitude = ms < 0 ? -ms : ms;
  const std::int64_t hundredths = magnitude / 10 % 100;
  const std::int64_t seconds = magnitude / 1000 % 60;
  const std::int64_t minutes = magnitude / 60000 % 60;
  const std::int64_t hours = magnitude / 3600000;
  char time[48];
  if (hours > 0) {
    std::snprintf(time, sizeof time, "%s%lld:%02lld:%02lld.%02lld", ms < 0 ? "-" : "", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(seconds), static_cast<long long>(hundredths));
  } else {
    std::snprintf(time, sizeof time, "%s%02lld:%02lld.%02lld", ms < 0 ? "-" : "", static_cast<long long>(minutes),
                  static_cast<long long>(seconds), static_cast<long long>(hundredths));
  }
  return "frame " + std::to_string(frame) + " / " + std::to_string(lastFrame) + " \u00b7 " + time;
}

}  // namespace tandemix
