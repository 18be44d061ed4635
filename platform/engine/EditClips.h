// Clip editing nodes that other parts of the engine build directly.
#pragma once

#include "platform/engine/Clip.h"

namespace tandemix::engine {

// `a` followed by `b`; throws FilterError "Splice: ..." when their frame
// sizes differ.
ClipPtr MakeSplice(ClipPtr a, ClipPtr b);

// Frames first..last of a clip, read as AviSynth's Trim does: last 0 means
// to the end, a negative last is a frame count.
ClipPtr MakeTrim(ClipPtr clip, int first, int last);

}  // namespace tandemix::engine
