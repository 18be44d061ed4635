// Text written over a frame at its top-left corner, white on a black halo,
// one line per "\n", at a size that grows with the frame's width: how the
// runtime filters show a frame's error or what they evaluated (`show`).
#pragma once

#include <string>

#include "base/Frame.h"

namespace tandemix::engine {

// The grid size the text takes for a frame `width` pixels wide.
int MessageTextSize(int width);
// A copy of `frame` with `text` written over it.
FramePtr WithMessage(const FramePtr& frame, const std::string& text);
// The same at a grid size of `size` pixels.
FramePtr WithMessageAtSize(const FramePtr& frame, const std::string& text, int size);

}  // namespace tandemix::engine
