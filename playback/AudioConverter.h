// Turns a clip's samples into what the sound device takes, through
// libswresample: sample type, and rate and channel count where the device
// chose others. Packed 24-bit samples, which libswresample does not read,
// are widened to 32 bits first (a move of bytes, no arithmetic on sound).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/frames/Clip.h"
#include "media/FFmpegPtr.h"
#include "playback/AudioOutput.h"

namespace tandemix {

class AudioConverter {
 public:
  // Throws TandemixError when libswresample refuses the pair of formats.
  AudioConverter(const engine::AudioInfo& from, const AudioDeviceFormat& to);
  ~AudioConverter();
  AudioConverter(const AudioConverter&) = delete;
  AudioConverter& operator=(const AudioConverter&) = delete;

  // Converts `frames` frames of the clip's interleaved samples and appends
  // the device's to `out`; returns the frames appended (with a change of
  // rate, some stay inside the resampler until more come).
  std::int64_t Convert(const void* samples, std::int64_t frames, std::vector<std::uint8_t>& out);
  // Forgets the samples held back for a change of rate (after a seek).
  void Reset();

  const engine::AudioInfo& From() const { return from_; }
  const AudioDeviceFormat& To() const { return to_; }

 private:
  void Init();

  engine::AudioInfo from_;
  AudioDeviceFormat to_;
  ffmpeg::ResamplerPtr swr_;
  std::vector<std::uint8_t> widened_;
};

}  // namespace tandemix
