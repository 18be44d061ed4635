#include "render/AudioStage.h"

#include <algorithm>

#include "base/Errors.h"
#include "engine/frames/AudioSamples.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace tandemix::render {
namespace {

using engine::SampleType;

const char* AudioEncoderName(AudioCodec codec, SampleType type) {
  switch (codec) {
    case AudioCodec::AAC:
      return "aac";
    case AudioCodec::Opus:
      return "libopus";
    case AudioCodec::FLAC:
      return "flac";
    case AudioCodec::PCM:
      switch (type) {
        case SampleType::Int8:
        case SampleType::Int16:
          return "pcm_s16le";
        case SampleType::Int24:
          return "pcm_s24le";
        case SampleType::Int32:
          return "pcm_s32le";
        case SampleType::Float:
          return "pcm_f32le";
      }
      return "pcm_s16le";
    case AudioCodec::None:
      return "";
  }
  return "";
}

AVSampleFormat InputSampleFormat(SampleType type) {
  switch (type) {
    case SampleType::Int8:
      return AV_SAMPLE_FMT_U8;
    case SampleType::Int16:
      return AV_SAMPLE_FMT_S16;
    case SampleType::Int24:  // widened to 32 bits before resampling
    case SampleType::Int32:
      return AV_SAMPLE_FMT_S32;
    case SampleType::Float:
      return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_S16;
}

}  // namespace

int64_t SampleOfFrame(int64_t frame, const engine::ClipInfo& info) {
  return engine::AudioSamplesFromFrames(info, frame);
}

AudioStage::AudioStage(const engine::ClipPtr& clip, const RenderSettings& settings, RenderTarget& target)
    : clip_(clip), target_(target) {
  const engine::ClipInfo& info = clip_->Info();
  const engine::AudioInfo& a = info.audio;
  const char* name = AudioEncoderName(settings.audio, a.sampleType);
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec)
    throw TandemixError(std::string("This FFmpeg has no ") + name + " encoder for " + Description(settings.audio) +
                        " sound; choose another sound codec");
  codec_.reset(avcodec_alloc_context3(codec));
  AVCodecContext* audio = codec_.get();
  int rate = a.sampleRate;
  if (codec->supported_samplerates) {
    bool supported = false;
    for (const int* r = codec->supported_samplerates; *r; ++r) supported = supported || *r == rate;
    if (!supported) {
      note_ = "sound resampled from " + std::to_string(rate) + " Hz to 48000 Hz for " + Description(settings.audio);
      rate = 48000;
    }
  }
  audio->sample_rate = rate;
  av_channel_layout_default(&audio->ch_layout, a.channels);
  audio->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  if (settings.audio == AudioCodec::AAC || settings.audio == AudioCodec::Opus)
    audio->bit_rate = static_cast<int64_t>(settings.audioBitrateK) * 1000;
  audio->time_base = AVRational{1, rate};
  if (target_.WantsGlobalHeader()) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int opened = avcodec_open2(audio, codec, nullptr);
  if (opened < 0)
    throw TandemixError(std::string("The ") + Description(settings.audio) + " encoder refused the sound (" +
                        std::to_string(a.channels) + " channels, " + std::to_string(a.sampleRate) +
                        " Hz): " + ffmpeg::ErrorText(opened));
  stream_ = target_.AddStream(audio);

  AVChannelLayout layout;
  av_channel_layout_default(&layout, a.channels);
  const int made = ffmpeg::MakeResampler(resampler_, audio->ch_layout, audio->sample_fmt, rate, layout,
                                         InputSampleFormat(a.sampleType), a.sampleRate);
  av_channel_layout_uninit(&layout);
  if (made < 0) throw TandemixError("Cannot convert the sound for the encoder");
  fifo_.reset(av_audio_fifo_alloc(audio->sample_fmt, a.channels, 4096));
  frame_.reset(av_frame_alloc());
  frameSamples_ = audio->frame_size > 0 ? audio->frame_size : 1024;
  nextSample_ = SampleOfFrame(settings.start, info);
}

AudioStage::~AudioStage() = default;

void AudioStage::EncodeUpTo(int64_t end) {
  const engine::AudioInfo& a = clip_->Info().audio;
  constexpr int64_t kChunk = 8192;
  while (nextSample_ < end) {
    const int64_t count = std::min(kChunk, end - nextSample_);
    raw_.resize(static_cast<std::size_t>(count * a.BytesPerSample()));
    clip_->GetAudio(raw_.data(), nextSample_, count);
    nextSample_ += count;
    const uint8_t* input = raw_.data();
    if (a.sampleType == SampleType::Int24) {
      wide_.resize(static_cast<std::size_t>(count * a.channels));
      for (std::size_t i = 0; i < wide_.size(); ++i) {
        const uint8_t* s = raw_.data() + i * 3;
        wide_[i] = static_cast<int32_t>(static_cast<uint32_t>(s[0]) << 8 | static_cast<uint32_t>(s[1]) << 16 |
                                        static_cast<uint32_t>(s[2]) << 24);
      }
      input = reinterpret_cast<const uint8_t*>(wide_.data());
    }
    Convert(&input, static_cast<int>(count));
    EncodeWholeFrames(false);
  }
}

void AudioStage::Finish() {
  Convert(nullptr, 0);  // what the resampler holds back
  EncodeWholeFrames(true);
  target_.Encode(codec_.get(), stream_, nullptr);
}

void AudioStage::Convert(const uint8_t** input, int count) {
  const int room = swr_get_out_samples(resampler_.get(), count);
  if (room <= 0) return;
  uint8_t** converted = nullptr;
  if (av_samples_alloc_array_and_samples(&converted, nullptr, codec_->ch_layout.nb_channels, room, codec_->sample_fmt,
                                         0) < 0)
    throw TandemixError("Out of memory");
  const int made = swr_convert(resampler_.get(), converted, room, input, count);
  if (made > 0) av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted), made);
  av_freep(&converted[0]);
  av_freep(&converted);
  if (made < 0) throw TandemixError("Cannot convert the sound: " + ffmpeg::ErrorText(made));
}

void AudioStage::EncodeWholeFrames(bool last) {
  AVFrame* frame = frame_.get();
  while (av_audio_fifo_size(fifo_.get()) >= frameSamples_ || (last && av_audio_fifo_size(fifo_.get()) > 0)) {
    const int n = std::min(frameSamples_, av_audio_fifo_size(fifo_.get()));
    av_frame_unref(frame);
    frame->nb_samples = n;
    frame->format = codec_->sample_fmt;
    frame->sample_rate = codec_->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &codec_->ch_layout);
    if (av_frame_get_buffer(frame, 0) < 0) throw TandemixError("Out of memory");
    av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), n);
    frame->pts = pts_;
    pts_ += n;
    target_.Encode(codec_.get(), stream_, frame);
  }
}

}  // namespace tandemix::render
