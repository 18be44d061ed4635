#include "engine/filters/AudioSupport.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"
#include "media/FFmpegPtr.h"

namespace tandemix::engine {
namespace {

// The format libswresample works in: 24-bit samples travel as 32-bit ones.
AVSampleFormat SwrFormat(SampleType type) {
  switch (type) {
    case SampleType::Int8:
      return AV_SAMPLE_FMT_U8;
    case SampleType::Int16:
      return AV_SAMPLE_FMT_S16;
    case SampleType::Int24:
    case SampleType::Int32:
      return AV_SAMPLE_FMT_S32;
    case SampleType::Float:
      return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_S16;
}

void Widen24(const std::uint8_t* in, std::uint8_t* out, std::size_t values) {
  for (std::size_t i = 0; i < values; ++i) {
    out[4 * i] = 0;
    std::memcpy(out + 4 * i + 1, in + 3 * i, 3);
  }
}

void Narrow24(const std::uint8_t* in, std::uint8_t* out, std::size_t values) {
  for (std::size_t i = 0; i < values; ++i) std::memmove(out + 3 * i, in + 4 * i + 1, 3);
}

// Float samples to 16 or 8 bits as AviSynth converts them: scaled by 32768
// (128) and cut toward zero, then held to the type's range. libswresample
// rounds instead, one step off on most samples of a tone.
void FloatToNarrow(const std::uint8_t* in, std::uint8_t* out, std::size_t values, SampleType to) {
  for (std::size_t i = 0; i < values; ++i) {
    float x = 0.0f;
    std::memcpy(&x, in + 4 * i, 4);
    if (!(x == x)) x = 0.0f;  // NaN
    if (to == SampleType::Int16) {
      const auto v = static_cast<std::int16_t>(std::clamp(x * 32768.0f, -32768.0f, 32767.0f));
      std::memcpy(out + 2 * i, &v, 2);
    } else {
      out[i] = static_cast<std::uint8_t>(static_cast<int>(std::clamp(x * 128.0f, -128.0f, 127.0f)) + 128);
    }
  }
}

// The child's samples in another type. The conversion keeps no state, so
// one converter serves every request, under the node's lock.
class ConvertAudioClip : public Clip {
 public:
  ConvertAudioClip(ClipPtr child, const ClipInfo& info) : Clip(info), child_(std::move(child)) {
    const AVSampleFormat in = SwrFormat(child_->Info().audio.sampleType);
    const AVSampleFormat out = SwrFormat(info.audio.sampleType);
    if (in == out) return;  // 24 and 32 bits: only widened or narrowed
    if (in == AV_SAMPLE_FMT_FLT && (out == AV_SAMPLE_FMT_S16 || out == AV_SAMPLE_FMT_U8)) return;
    AVChannelLayout layout;
    av_channel_layout_default(&layout, info.audio.channels);
    const int rate = info.audio.sampleRate;
    const int made = ffmpeg::MakeResampler(converter_, layout, out, rate, layout, in, rate);
    av_channel_layout_uninit(&layout);
    if (made < 0) throw FilterError("ConvertAudio: the sound cannot be converted.");
  }

  FramePtr GetFrame(int n) override { return child_->GetFrame(n); }

  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    const AudioInfo& from = child_->Info().audio;
    const AudioInfo& to = info_.audio;
    const std::size_t channels = static_cast<std::size_t>(to.channels);
    std::lock_guard<std::mutex> lock(mutex_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::int64_t done = 0; done < count; done += kAudioChunk) {
      const std::int64_t n = std::min(kAudioChunk, count - done);
      const std::size_t values = static_cast<std::size_t>(n) * channels;
      source_.resize(values * static_cast<std::size_t>(from.BytesPerChannelSample()));
      child_->GetAudio(source_.data(), start + done, n);
      const std::uint8_t* in = source_.data();
      if (from.sampleType == SampleType::Int24) {
        wide_.resize(values * 4);
        Widen24(in, wide_.data(), values);
        in = wide_.data();
      }
      std::uint8_t* dst = out + done * to.BytesPerSample();
      if (from.sampleType == SampleType::Float &&
          (to.sampleType == SampleType::Int16 || to.sampleType == SampleType::Int8)) {
        FloatToNarrow(in, dst, values, to.sampleType);
      } else if (to.sampleType == SampleType::Int24) {
        converted_.resize(values * 4);
        if (converter_)
          Convert(in, converted_.data(), n);
        else
          std::memcpy(converted_.data(), in, values * 4);
        Narrow24(converted_.data(), dst, values);
      } else if (converter_) {
        Convert(in, dst, n);
      } else {
        std::memcpy(dst, in, values * static_cast<std::size_t>(to.BytesPerChannelSample()));
      }
    }
  }

 private:
  void Convert(const std::uint8_t* in, std::uint8_t* out, std::int64_t n) {
    const int count = static_cast<int>(n);
    if (swr_convert(converter_.get(), &out, count, &in, count) != count)
      throw TandemixError("ConvertAudio: the sound could not be converted.");
  }

  ClipPtr child_;
  ffmpeg::ResamplerPtr converter_;
  std::mutex mutex_;  // the converter and the scratch buffers
  std::vector<std::uint8_t> source_, wide_, converted_;
};

}  // namespace

ClipPtr MakeAudioConvert(ClipPtr clip, SampleType to) {
  const ClipInfo& info = clip->Info();
  if (!info.audio.Present() || info.audio.sampleType == to) return clip;
  ClipInfo converted = info;
  converted.audio.sampleType = to;
  return std::make_shared<ConvertAudioClip>(std::move(clip), converted);
}

ClipPtr AudioIn16BitOrFloat(ClipPtr clip) {
  const SampleType type = clip->Info().audio.sampleType;
  if (type == SampleType::Int16 || type == SampleType::Float) return clip;
  return MakeAudioConvert(std::move(clip), SampleType::Float);
}

}  // namespace tandemix::engine
