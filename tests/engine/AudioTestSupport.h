// Helpers for the sound tests: a clip's samples as numbers, and ColorBars'
// tone as the engine should give it.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "engine/frames/Clip.h"

namespace tandemix::test {

template <typename T>
std::vector<T> SamplesOf(const engine::ClipPtr& clip, std::int64_t start, std::int64_t count) {
  const engine::AudioInfo& audio = clip->Info().audio;
  EXPECT_EQ(static_cast<std::size_t>(audio.BytesPerChannelSample()), sizeof(T));
  std::vector<T> out(static_cast<std::size_t>(count * audio.channels));
  clip->GetAudio(out.data(), start, count);
  return out;
}

// The bytes of samples start .. start+count-1, whatever their type.
inline std::vector<std::uint8_t> RawSamples(const engine::ClipPtr& clip, std::int64_t start, std::int64_t count) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(count * clip->Info().audio.BytesPerSample()));
  clip->GetAudio(out.data(), start, count);
  return out;
}

inline std::vector<float> FloatSamples(const engine::ClipPtr& clip, std::int64_t start, std::int64_t count) {
  EXPECT_EQ(clip->Info().audio.sampleType, engine::SampleType::Float);
  return SamplesOf<float>(clip, start, count);
}

inline std::vector<std::int16_t> Int16Samples(const engine::ClipPtr& clip, std::int64_t start, std::int64_t count) {
  EXPECT_EQ(clip->Info().audio.sampleType, engine::SampleType::Int16);
  return SamplesOf<std::int16_t>(clip, start, count);
}

// ColorBars' left channel at sample i: a 440 Hz sine at 48 kHz.
inline double Tone(std::int64_t i) { return std::sin(2.0 * M_PI * 440.0 * static_cast<double>(i) / 48000.0); }

}  // namespace tandemix::test
