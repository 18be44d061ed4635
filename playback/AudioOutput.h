// Where the player's sound goes: a device that takes interleaved samples in
// the format it chose and tells how many it has played. The player uses one
// from a single thread of its own; the window program's is QAudioSink
// (QtAudioOutput.h), tests use one that plays on a clock they control.
#pragma once

#include <cstdint>
#include <string>

#include "base/Errors.h"

namespace tandemix {

enum class DeviceSampleFormat { Int16, Float };

struct AudioDeviceFormat {
  int sampleRate = 0;
  int channels = 0;
  DeviceSampleFormat sampleFormat = DeviceSampleFormat::Float;

  int BytesPerFrame() const { return channels * (sampleFormat == DeviceSampleFormat::Int16 ? 2 : 4); }
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Opens the device for sound of `sampleRate` and `channels` and returns
  // the format it plays, which may differ. Throws TandemixError when there
  // is no device to play on.
  virtual AudioDeviceFormat Open(int sampleRate, int channels) = 0;
  virtual void Close() = 0;
  // Drops what is queued and counts played frames from 0 again.
  virtual void Reset() = 0;
  // Frames (samples per channel) the device takes now without waiting.
  virtual std::int64_t Writable() = 0;
  // Queues `frames` frames of interleaved samples in the chosen format;
  // returns how many it took.
  virtual std::int64_t Write(const void* samples, std::int64_t frames) = 0;
  // Frames played since Open or the last Reset.
  virtual std::int64_t Played() = 0;
};

}  // namespace tandemix
