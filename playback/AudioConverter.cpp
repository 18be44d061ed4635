#include "playback/AudioConverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#include <cstring>

#include "base/Errors.h"

namespace tandemix {
namespace {

AVSampleFormat InputFormat(engine::SampleType type) {
  switch (type) {
    case engine::SampleType::Int8:
      return AV_SAMPLE_FMT_U8;
    case engine::SampleType::Int16:
      return AV_SAMPLE_FMT_S16;
    case engine::SampleType::Int24:  // widened first
    case engine::SampleType::Int32:
      return AV_SAMPLE_FMT_S32;
    case engine::SampleType::Float:
      return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_S16;
}

}  // namespace

AudioConverter::AudioConverter(const engine::AudioInfo& from, const AudioDeviceFormat& to) : from_(from), to_(to) {
  if (!from.Present() || to.sampleRate <= 0 || to.channels <= 0)
    throw TandemixError("Cannot convert sound: a format has no rate or no channels");
  Init();
}

AudioConverter::~AudioConverter() = default;

void AudioConverter::Init() {
  AVChannelLayout inLayout, outLayout;
  av_channel_layout_default(&inLayout, from_.channels);
  av_channel_layout_default(&outLayout, to_.channels);
  const AVSampleFormat outFormat =
      to_.sampleFormat == DeviceSampleFormat::Int16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
  const int result = ffmpeg::MakeResampler(swr_, outLayout, outFormat, to_.sampleRate, inLayout,
                                           InputFormat(from_.sampleType), from_.sampleRate);
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  if (result < 0) throw TandemixError("Cannot convert sound: " + ffmpeg::ErrorText(result));
}

void AudioConverter::Reset() { Init(); }

std::int64_t AudioConverter::Convert(const void* samples, std::int64_t frames, std::vector<std::uint8_t>& out) {
  if (frames <= 0) return 0;
  const auto* in = static_cast<const std::uint8_t*>(samples);
  if (from_.sampleType == engine::SampleType::Int24) {
    // 24-bit little-endian into the top three bytes of a 32-bit sample.
    const std::size_t count = static_cast<std::size_t>(frames) * from_.channels;
    widened_.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
      widened_[4 * i] = 0;
      std::memcpy(&widened_[4 * i + 1], in + 3 * i, 3);
    }
    in = widened_.data();
  }
  const int outCapacity = swr_get_out_samples(swr_.get(), static_cast<int>(frames));
  if (outCapacity <= 0) return 0;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(outCapacity) * to_.BytesPerFrame());
  std::uint8_t* outPlanes[1] = {out.data() + start};
  const std::uint8_t* inPlanes[1] = {in};
  const int made = swr_convert(swr_.get(), outPlanes, outCapacity, inPlanes, static_cast<int>(frames));
  if (made < 0) {
    out.resize(start);
    throw TandemixError("Cannot convert sound: " + ffmpeg::ErrorText(made));
  }
  out.resize(start + static_cast<std::size_t>(made) * to_.BytesPerFrame());
  return made;
}

}  // namespace tandemix
