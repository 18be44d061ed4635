#include "engine/frames/FrameLimits.h"

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

void CheckFrameSize(const std::string& filter, long long width, long long height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  if (width <= 0 || height <= 0) throw FilterError(filter + ": the frame size " + size + " is empty.");
  if (width > kMaxFrameSide || height > kMaxFrameSide || width * height > kMaxFramePixels)
    throw FilterError(filter + ": the frame size " + size + " is too large (at most " + std::to_string(kMaxFrameSide) +
                      " pixels a side and " + std::to_string(kMaxFramePixels) + " pixels in all).");
}

int CheckFrameCount(const std::string& filter, long long count) {
  if (count > kMaxFrameCount) throw FilterError(filter + ": too many frames (" + std::to_string(count) + ").");
  return count < 0 ? 0 : static_cast<int>(count);
}

void RequireType(bool ok, const std::string& message) {
  if (!ok) throw FilterError(message);
}

}  // namespace tandemix::engine
