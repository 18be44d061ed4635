#include "media/MediaAudio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Errors.h"
#include "media/FFmpegLog.h"
#include "media/FFmpegPtr.h"
#include "media/MediaDecoding.h"

namespace tandemix {
namespace {

// Decoding on up to this far is cheaper than a seek.
constexpr double kForwardSeconds = 4.0;
// A seek lands this far before the wanted sample, so that decoders that
// need the packets before (overlapping transforms, bit reservoirs) have
// settled by the time it is reached.
constexpr double kPrerollSeconds = 0.25;
constexpr int kSeekAttempts = 3;
// Time stamps this close to where the decoding had come (in seconds) are
// rounding, not a gap in the sound.
constexpr double kStampTolerance = 0.02;

AudioSampleFormat FormatFor(AVSampleFormat f, int bitsPerRawSample) {
  switch (av_get_packed_sample_fmt(f)) {
    case AV_SAMPLE_FMT_U8:
      return AudioSampleFormat::U8;
    case AV_SAMPLE_FMT_S16:
      return AudioSampleFormat::S16;
    case AV_SAMPLE_FMT_S32:
      return bitsPerRawSample == 24 ? AudioSampleFormat::S24 : AudioSampleFormat::S32;
    default:
      return AudioSampleFormat::Float;
  }
}

// What libswresample writes: 24-bit samples are made from 32-bit ones.
AVSampleFormat PackedFormat(AudioSampleFormat f) {
  switch (f) {
    case AudioSampleFormat::U8:
      return AV_SAMPLE_FMT_U8;
    case AudioSampleFormat::S16:
      return AV_SAMPLE_FMT_S16;
    case AudioSampleFormat::S24:
    case AudioSampleFormat::S32:
      return AV_SAMPLE_FMT_S32;
    case AudioSampleFormat::Float:
      return AV_SAMPLE_FMT_FLT;
  }
  return AV_SAMPLE_FMT_FLT;
}

}  // namespace

int MediaAudioDescription::BytesPerChannelSample() const {
  switch (format) {
    case AudioSampleFormat::U8:
      return 1;
    case AudioSampleFormat::S16:
      return 2;
    case AudioSampleFormat::S24:
      return 3;
    case AudioSampleFormat::S32:
    case AudioSampleFormat::Float:
      return 4;
  }
  return 2;
}

void WriteAudioSilence(void* buffer, std::int64_t count, int bytesPerSample, AudioSampleFormat format) {
  if (count <= 0 || bytesPerSample <= 0) return;
  std::memset(buffer, format == AudioSampleFormat::U8 ? 0x80 : 0,
              static_cast<std::size_t>(count) * static_cast<std::size_t>(bytesPerSample));
}

struct MediaAudio::Impl {
  std::string path;
  MediaAudioDescription description;
  ffmpeg::InputPtr format;
  ffmpeg::CodecPtr codec;
  ffmpeg::PacketPtr packet;
  ffmpeg::AvFramePtr frame;
  ffmpeg::ResamplerPtr converter;
  int converterFormat = -1;  // the decoder output the converter was made for
  int converterRate = 0;
  AVChannelLayout converterLayout{};
  AVChannelLayout outLayout{};
  int stream = -1;
  AVRational timeBase{1, 1};
  std::int64_t origin = 0;      // the time stamp (in timeBase) that sample 0 stands at
  std::int64_t startIndex = 0;  // where the stream's first sample stands
  bool draining = false;
  bool positionKnown = false;  // whether `next` is where the decoder's next samples go
  bool fresh = false;          // just rewound: a block without time stamp starts at startIndex
  std::int64_t next = 0;
  std::vector<std::uint8_t> block;  // the last decoded samples, in the output format
  std::int64_t blockStart = 0;
  std::int64_t blockCount = 0;
  int seeks = 0;

  explicit Impl(std::string p) : path(std::move(p)) {}
  ~Impl() {
    av_channel_layout_uninit(&converterLayout);
    av_channel_layout_uninit(&outLayout);
  }

  int Rate() const { return description.sampleRate; }
  AVRational SampleTime() const { return AVRational{1, description.sampleRate}; }

  void DiscardOtherStreams() {
    for (unsigned i = 0; i < format->nb_streams; ++i)
      if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  }

  // False when the file has no sound that can be decoded.
  bool Open() {
    media::QuietFFmpegLog();
    if (ffmpeg::OpenInput(format, path) < 0) throw TandemixError("Cannot open " + path);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
      throw TandemixError("Cannot read the stream information of " + path);
    for (unsigned i = 0; i < format->nb_streams && stream < 0; ++i)
      if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) stream = static_cast<int>(i);
    if (stream < 0) return false;
    const AVStream* st = format->streams[stream];
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder || par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0) return false;
    codec.reset(avcodec_alloc_context3(decoder));
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (!codec || !packet || !frame) throw TandemixError("Out of memory reading " + path);
    if (avcodec_parameters_to_context(codec.get(), par) < 0) return false;
    codec->pkt_timebase = st->time_base;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return false;
    DiscardOtherStreams();
    timeBase = st->time_base;
    description.sampleRate = codec->sample_rate > 0 ? codec->sample_rate : par->sample_rate;
    description.channels = par->ch_layout.nb_channels;
    description.format = FormatFor(codec->sample_fmt, par->bits_per_raw_sample);
    if (av_channel_layout_copy(&outLayout, &par->ch_layout) < 0 || outLayout.order == AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_uninit(&outLayout);
      av_channel_layout_default(&outLayout, description.channels);
    }
    FindOrigin(st);
    description.sampleCount = std::max<std::int64_t>(0, SamplesTo(EndTimestamp(st)));
    Rewind();
    seeks = 0;
    return true;
  }

  // Sample 0 is where the first video frame stands, or the sound's start.
  void FindOrigin(const AVStream* st) {
    const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* vst = video >= 0 ? format->streams[video] : nullptr;
    description.fileHasVideo = vst != nullptr;
    if (vst && vst->start_time != AV_NOPTS_VALUE)
      origin = av_rescale_q(vst->start_time, vst->time_base, timeBase);
    else if (st->start_time != AV_NOPTS_VALUE)
      origin = st->start_time;
    startIndex = st->start_time != AV_NOPTS_VALUE ? SamplesTo(st->start_time) : SamplesTo(0);
  }

  // The sample index of a time stamp.
  std::int64_t SamplesTo(std::int64_t ts) const {
    return av_rescale_q_rnd(ts - origin, timeBase, SampleTime(),
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
  }

  // Where the sound ends, from the stream's duration, the file's, or the
  // packets themselves.
  std::int64_t EndTimestamp(const AVStream* st) {
    const std::int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    if (st->duration > 0 && st->duration != AV_NOPTS_VALUE) return start + st->duration;
    // AVI stores no duration for PCM sound but counts its samples.
    const AVCodecParameters* par = st->codecpar;
    if (st->nb_frames > 0 && av_get_exact_bits_per_sample(par->codec_id) > 0 && timeBase.num == 1 &&
        timeBase.den == par->sample_rate)
      return start + st->nb_frames;
    if (format->duration > 0 && format->duration != AV_NOPTS_VALUE) {
      const std::int64_t fileStart = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
      return av_rescale_q(fileStart + format->duration, AV_TIME_BASE_Q, timeBase);
    }
    std::int64_t end = start;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
      if (packet->stream_index == stream && packet->pts != AV_NOPTS_VALUE)
        end = std::max(end, packet->pts + std::max<std::int64_t>(packet->duration, 0));
      av_packet_unref(packet.get());
    }
    return end;
  }

  // Back to the first packet, by opening the file afresh (seeking to the
  // start is not exact in every container).
  void Rewind() {
    format.reset();
    // The streams are known from the first open; probing them again would
    // decode pictures for nothing, unless the container finds its streams
    // only while reading.
    if (ffmpeg::OpenInput(format, path) < 0 ||
        (stream >= static_cast<int>(format->nb_streams) &&
         (avformat_find_stream_info(format.get(), nullptr) < 0 || stream >= static_cast<int>(format->nb_streams))))
      throw TandemixError("Cannot open " + path);
    DiscardOtherStreams();
    Flush();
    positionKnown = false;
    fresh = true;
  }

  void Flush() {
    avcodec_flush_buffers(codec.get());
    draining = false;
    blockCount = 0;
    ++seeks;
  }

  bool Receive() { return ReceiveDecodedFrame(format.get(), codec.get(), packet.get(), stream, frame.get(), draining); }

  bool MakeConverter() {
    if (converter && converterFormat == frame->format && converterRate == frame->sample_rate &&
        av_channel_layout_compare(&converterLayout, &frame->ch_layout) == 0)
      return true;
    converter.reset();
    av_channel_layout_uninit(&converterLayout);
    AVChannelLayout in{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
      av_channel_layout_default(&in,
                                frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels : description.channels);
    else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
      return false;
    const int rate = frame->sample_rate > 0 ? frame->sample_rate : Rate();
    const bool ok = ffmpeg::MakeResampler(converter, outLayout, PackedFormat(description.format), Rate(), in,
                                          frame->format, rate) >= 0;
    av_channel_layout_uninit(&in);
    if (!ok) return false;
    converterFormat = frame->format;
    converterRate = frame->sample_rate;
    av_channel_layout_copy(&converterLayout, &frame->ch_layout);
    return true;
  }

  // Decodes the next block of samples; false at the end of the stream or
  // when the block's place cannot be known.
  bool NextBlock() {
    if (!Receive()) return false;
    std::int64_t index = next;
    const std::int64_t ts = frame->best_effort_timestamp;
    if (ts != AV_NOPTS_VALUE) {
      const std::int64_t stamped = SamplesTo(ts);
      const auto tolerance = static_cast<std::int64_t>(Rate() * kStampTolerance);
      if (!positionKnown || std::llabs(stamped - next) > tolerance) index = stamped;
    } else if (!positionKnown) {
      if (!fresh) return false;
      index = startIndex;
    }
    fresh = false;
    if (!MakeConverter()) return false;
    const int room = swr_get_out_samples(converter.get(), frame->nb_samples);
    if (room < 0) return false;
    const int wide = av_get_bytes_per_sample(PackedFormat(description.format)) * description.channels;
    block.resize(static_cast<std::size_t>(room) * static_cast<std::size_t>(wide));
    std::uint8_t* out = block.data();
    const int made = swr_convert(converter.get(), &out, room, const_cast<const std::uint8_t**>(frame->extended_data),
                                 frame->nb_samples);
    if (made < 0) return false;
    if (description.format == AudioSampleFormat::S24) {
      // Each 32-bit sample keeps its upper three bytes (little-endian).
      const std::size_t values = static_cast<std::size_t>(made) * static_cast<std::size_t>(description.channels);
      for (std::size_t i = 0; i < values; ++i) std::memmove(&block[3 * i], &block[4 * i + 1], 3);
    }
    blockStart = index;
    blockCount = made;
    next = index + made;
    positionKnown = true;
    return true;
  }

  // Leaves the decoder a little before `pos`, with the block decoded there.
  void SeekBefore(std::int64_t pos) {
    auto backoff = static_cast<std::int64_t>(Rate() * kPrerollSeconds);
    for (int attempt = 0; attempt < kSeekAttempts; ++attempt) {
      const std::int64_t target = pos - backoff;
      if (target <= startIndex) break;
      const std::int64_t ts = origin + av_rescale_q(target, SampleTime(), timeBase);
      if (av_seek_frame(format.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0) break;
      Flush();
      positionKnown = false;
      fresh = false;
      if (NextBlock() && blockStart <= pos) return;
      backoff *= 4;
    }
    Rewind();
  }

  void Read(std::uint8_t* buffer, std::int64_t start, std::int64_t count) {
    const int bps = description.BytesPerSample();
    WriteAudioSilence(buffer, count, bps, description.format);
    const std::int64_t to = std::min(start + count, description.sampleCount);
    std::int64_t pos = std::max<std::int64_t>(start, 0);
    const auto forward = static_cast<std::int64_t>(Rate() * kForwardSeconds);
    bool seeked = false;
    while (pos < to) {
      if (blockCount > 0 && pos >= blockStart && pos < blockStart + blockCount) {
        const std::int64_t n = std::min(to, blockStart + blockCount) - pos;
        std::memcpy(buffer + (pos - start) * bps, block.data() + (pos - blockStart) * bps,
                    static_cast<std::size_t>(n * bps));
        pos += n;
        continue;
      }
      // Just opened or rewound, the decoder stands at the stream's start.
      const bool readOn = positionKnown ? next <= pos && pos - next <= forward : fresh && pos - startIndex <= forward;
      if (!readOn && !seeked) {
        SeekBefore(pos);
        seeked = true;
        continue;
      }
      if (!NextBlock()) {
        // The end of the stream, or a place that cannot be known: silence.
        positionKnown = false;
        return;
      }
      if (blockStart > pos) pos = std::min(blockStart, to);  // a gap in the sound: silence
    }
  }
};

MediaAudio::MediaAudio(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

MediaAudio::~MediaAudio() = default;

std::unique_ptr<MediaAudio> MediaAudio::Open(const std::string& path) {
  auto impl = std::make_unique<Impl>(path);
  if (!impl->Open()) return nullptr;
  return std::unique_ptr<MediaAudio>(new MediaAudio(std::move(impl)));
}

const MediaAudioDescription& MediaAudio::Description() const { return impl_->description; }

void MediaAudio::Read(void* buffer, std::int64_t start, std::int64_t count) {
  if (count <= 0) return;
  impl_->Read(static_cast<std::uint8_t*>(buffer), start, count);
}

int MediaAudio::SeekCount() const { return impl_->seeks; }

}  // namespace tandemix
