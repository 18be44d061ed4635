// The clip viewer's rules between frame numbers and milliseconds, shared by
// the viewer and the generator (which reopens the viewer on the frame shown).
#pragma once

#include <cstdint>
#include <string>

namespace tandemix {

// Milliseconds of frame n at `rate` frames a second, halves to even.
std::int64_t FrameToMs(int frame, double rate);
// The frame shown at `ms`, halves to even.
int MsToFrame(std::int64_t ms, double rate);

}  // namespace tandemix

namespace tandemix {

// The text beside the viewer's track bar: "frame 137 / 250 · 00:05.48",
// the frame shown, the last frame, and the frame's time (minutes, seconds
// and hundredths; hours in front from one hour on). A rate of 0 or less
// counts as 1 frame a second.
std::string FramePositionText(int frame, int lastFrame, double rate);

}  // namespace tandemix
