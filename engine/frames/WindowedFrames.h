#pragma once

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// A node that can make a window of its own frames: Crop over it asks for the
// window instead of copying it out of whole frames, so a resizer computes
// only the pixels kept and borders cropped away again cost nothing. The
// window (luma pixels, fitting the subsampling, inside the frame) gives the
// very bytes Crop would. Null when the node cannot.
class WindowedFrames {
 public:
  virtual ~WindowedFrames() = default;
  virtual ClipPtr CropWindow(int left, int top, int width, int height) const = 0;
};

}  // namespace tandemix::engine
