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

// How Trim reads its second number: as AviSynth's last_frame (0 means to
// the end, a negative one is a frame count), as end= (the last frame, at
// least the first) or as length= (a frame count, 0 for an empty clip).
enum class TrimMode { Default, End, Length };

// Frames first..last of a clip, the second number read as `mode` says. The
// sound is cut at the frames' times; with padAudio it is as long as the
// frames (silence past the child's sound), without it no longer than the
// child's. Throws FilterError in AviSynth's words for an end before the
// start or a negative length.
ClipPtr MakeTrim(ClipPtr clip, int first, int last, bool padAudio = true, TrimMode mode = TrimMode::Default);

}  // namespace tandemix::engine
