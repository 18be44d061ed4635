// The sizes and counts a frame may have, and the checks that refuse
// others in the filter's words.
#pragma once

#include <string>

#include "base/Frame.h"

namespace tandemix::engine {

// Frames are held whole in memory; these limits keep one frame under
// 200 MB and refuse sizes no source or display has.
constexpr long long kMaxFrameSide = 16384;
constexpr long long kMaxFramePixels = 1LL << 26;
constexpr long long kMaxFrameCount = 0x7fffffff;

// Throws FilterError "<filter>: ..." when a frame of width x height cannot be made.
void CheckFrameSize(const std::string& filter, long long width, long long height);
// Throws FilterError when a frame count exceeds 32 bits.
int CheckFrameCount(const std::string& filter, long long count);

// Refuses a clip whose type the filter does not take, in AviSynth's words
// ("<filter>: <what> only" style messages are given by the caller).
void RequireType(bool ok, const std::string& message);

}  // namespace tandemix::engine
