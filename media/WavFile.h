// Writes sound as a RIFF WAVE file: integer samples as PCM (8-bit
// unsigned, 16, 24 or 32-bit signed), float samples as IEEE float, the
// channels interleaved. The file is written under a temporary name and
// renamed at the end, so a failure leaves no half-written file (a FIFO, a
// device or "-" for standard output is written in place).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tandemix {

struct WavFormat {
  int sampleRate = 0;
  int channels = 0;
  int bitsPerSample = 16;  // 8, 16, 24 or 32
  bool isFloat = false;    // 32-bit float samples

  int BytesPerSample() const { return bitsPerSample / 8 * channels; }
};

// Asks fill(buffer, start, count) for samples start .. start+count-1 in
// parts and writes `sampleCount` samples to `path`; `progress`, when given,
// hears how many are written. Throws TandemixError "Cannot create file
// <path>" when it cannot be written, and says so when the format is not
// one WAV holds or the sound is longer than a WAV file's 4 GiB.
void WriteWavFile(const std::string& path, const WavFormat& format, std::int64_t sampleCount,
                  const std::function<void(void*, std::int64_t, std::int64_t)>& fill,
                  const std::function<void(std::int64_t)>& progress = {});

}  // namespace tandemix
