// The sound of a clip in numbers: frame times in samples, limits, silence,
// reading within a clip's length and sample type names.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/frames/Clip.h"

namespace tandemix::engine {

// Limits that keep sample arithmetic far from overflow.
constexpr int kMaxSampleRate = 10'000'000;
constexpr int kMaxAudioChannels = 64;
constexpr std::int64_t kMaxAudioSamples = std::int64_t{1} << 42;

// AviSynth's AudioSamplesFromFrames: the first sample of frame `frames`
// (rounded down); 0 for a clip without video or sound.
std::int64_t AudioSamplesFromFrames(const ClipInfo& info, std::int64_t frames);

// Throws FilterError "<filter>: ..." when a rate, channel count or length
// is out of range.
void CheckAudio(const std::string& filter, const AudioInfo& audio);

// `count` samples of silence in the clip's sample type (8-bit is unsigned:
// its silence is 128).
void WriteSilence(void* buffer, std::int64_t count, const AudioInfo& audio);

// Reads samples start .. start+count-1 of a sound `audio.sampleCount` long:
// the part outside it is silence, and read(buffer, from, n) fills the part
// inside (buffer at sample `from`).
void ReadWithinLength(void* buffer, std::int64_t start, std::int64_t count, const AudioInfo& audio,
                      const std::function<void(std::uint8_t*, std::int64_t, std::int64_t)>& read);

// AviSynth's names: "8bit", "16bit", "24bit", "32bit", "float".
const char* SampleTypeName(SampleType type);
// Also takes the names without letter case; false for any other.
bool ParseSampleType(const std::string& name, SampleType& type);

// Samples are read in parts of at most this many, so that a request for
// a long range never makes a scratch buffer of its size.
constexpr std::int64_t kAudioChunk = 1 << 14;

}  // namespace tandemix::engine
