#include "engine/frames/AudioSamples.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

std::int64_t AudioSamplesFromFrames(const ClipInfo& info, std::int64_t frames) {
  if (!info.hasVideo || !info.audio.Present() || info.rateNumerator <= 0) return 0;
  // Exact in 128 bits (frames, rate and denominator are each below 2^63,
  // 2^31 and 2^31), then held just outside the limit on either side, so
  // that CheckAudio refuses the length instead of an overflow wrapping it.
  const __int128 product =
      static_cast<__int128>(frames) * info.audio.sampleRate * static_cast<__int128>(info.rateDenominator);
  __int128 samples = product / info.rateNumerator;
  if (product < 0 && samples * info.rateNumerator != product) --samples;  // rounded down
  return static_cast<std::int64_t>(std::clamp<__int128>(samples, -(kMaxAudioSamples + 1), kMaxAudioSamples + 1));
}

void CheckAudio(const std::string& filter, const AudioInfo& audio) {
  if (!audio.Present()) return;
  if (audio.sampleRate > kMaxSampleRate)
    throw FilterError(filter + ": the sample rate " + std::to_string(audio.sampleRate) + " is too high (at most " +
                      std::to_string(kMaxSampleRate) + ").");
  if (audio.channels > kMaxAudioChannels)
    throw FilterError(filter + ": too many audio channels (" + std::to_string(audio.channels) + "; at most " +
                      std::to_string(kMaxAudioChannels) + ").");
  if (audio.sampleCount > kMaxAudioSamples || audio.sampleCount < 0)
    throw FilterError(filter + ": the sound is too long (more than " + std::to_string(kMaxAudioSamples) + " samples).");
}

void WriteSilence(void* buffer, std::int64_t count, const AudioInfo& audio) {
  if (count <= 0 || audio.BytesPerSample() <= 0) return;
  std::memset(buffer, audio.sampleType == SampleType::Int8 ? 0x80 : 0,
              static_cast<std::size_t>(count) * static_cast<std::size_t>(audio.BytesPerSample()));
}

void ReadWithinLength(void* buffer, std::int64_t start, std::int64_t count, const AudioInfo& audio,
                      const std::function<void(std::uint8_t*, std::int64_t, std::int64_t)>& read) {
  if (count <= 0) return;
  auto* out = static_cast<std::uint8_t*>(buffer);
  const std::int64_t bps = audio.BytesPerSample();
  const std::int64_t from = std::clamp<std::int64_t>(start, 0, audio.sampleCount);
  const std::int64_t to = std::clamp<std::int64_t>(start + count, from, audio.sampleCount);
  if (from > start) WriteSilence(out, std::min(from, start + count) - start, audio);
  if (to > from) read(out + (from - start) * bps, from, to - from);
  const std::int64_t tail = std::max(to, from);
  if (start + count > tail)
    WriteSilence(out + (std::max(tail, start) - start) * bps, start + count - std::max(tail, start), audio);
}

const char* SampleTypeName(SampleType type) {
  switch (type) {
    case SampleType::Int8:
      return "8bit";
    case SampleType::Int16:
      return "16bit";
    case SampleType::Int24:
      return "24bit";
    case SampleType::Int32:
      return "32bit";
    case SampleType::Float:
      return "float";
  }
  return "16bit";
}

bool ParseSampleType(const std::string& name, SampleType& type) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (SampleType t : {SampleType::Int8, SampleType::Int16, SampleType::Int24, SampleType::Int32, SampleType::Float}) {
    if (lower == SampleTypeName(t)) {
      type = t;
      return true;
    }
  }
  return false;
}

}  // namespace tandemix::engine
