// Clip editing nodes that other parts of the engine build directly.
#pragma once

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// `a` followed by `b`; throws FilterError "Splice: ..." when their frame
// sizes, or their sound's channels or rate, differ (b's sound is taken in
// a's sample type). Aligned (`++`): a's sound is cut or padded with silence
// to a's frames before b's follows; unaligned (`+`): b's sound follows a's
// as it is.
ClipPtr MakeSplice(ClipPtr a, ClipPtr b, bool aligned);

// Frames first..last of a clip, read as AviSynth's Trim does: last 0 means
// to the end, a negative last is a frame count. The sound is cut at the
// frames' times; with padAudio it is as long as the frames (silence past
// the child's sound), without it no longer than the child's.
ClipPtr MakeTrim(ClipPtr clip, int first, int last, bool padAudio = true);

}  // namespace tandemix::engine
