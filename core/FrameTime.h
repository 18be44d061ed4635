// The clip viewer's rules between frame numbers and milliseconds, shared by
// the viewer and the generator (which reopens the viewer on the frame shown).
#pragma once

#include <cstdint>

namespace tandemix {

// Milliseconds of frame n at `rate` frames a second, halves to even.
std::int64_t FrameToMs(int frame, double rate);
// The frame shown at `ms`, halves to even.
int MsToFrame(std::int64_t ms, double rate);

}  // namespace tandemix
