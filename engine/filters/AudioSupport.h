// The conversions of a clip's sound between sample types, for the filters
// that touch sound.
#pragma once

#include "engine/frames/AudioSamples.h"
#include "engine/frames/Clip.h"

namespace tandemix::engine {

// The clip with its sound in another sample type (through libswresample;
// 24-bit samples are widened to 32 bits and back). The clip itself when it
// has that type already or has no sound.
ClipPtr MakeAudioConvert(ClipPtr clip, SampleType to);

// The clip's sound in 16-bit or float, as AviSynth's filters that compute
// with samples (MixAudio, Amplify, Normalize) take it: other types become
// float.
ClipPtr AudioIn16BitOrFloat(ClipPtr clip);

}  // namespace tandemix::engine
