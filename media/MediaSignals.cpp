#include "media/MediaSignals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/Errors.h"
#include "base/WorkerPool.h"
#include "media/FFmpegPtr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/stereo3d.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tandemix {
namespace {

constexpr int kMotionWidth = 32;
constexpr int kMotionHeight = 18;

using Format = ffmpeg::InputPtr;
using Codec = ffmpeg::CodecPtr;
using Packet = ffmpeg::PacketPtr;
using Picture = ffmpeg::AvFramePtr;

Format Open(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) throw TandemixError("Cannot open file " + path);
  Format format(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) throw TandemixError("Cannot open file " + path);
  return format;
}

bool OpenDecoder(AVFormatContext* format, AVMediaType type, int& index, Codec& codec) {
  const AVCodec* decoder = nullptr;
  index = av_find_best_stream(format, type, -1, -1, &decoder, 0);
  if (index < 0 || !decoder) return false;
  codec.reset(avcodec_alloc_context3(decoder));
  if (!codec || avcodec_parameters_to_context(codec.get(), format->streams[index]->codecpar) < 0) return false;
  codec->thread_count = ParallelThreads();  // as many as the program's passes use
  return avcodec_open2(codec.get(), decoder, nullptr) >= 0;
}

// Feeds the packets of stream `index` to `codec` and hands each decoded
// frame to `use`, which returns false to stop.
template <typename Use>
void DecodeStream(AVFormatContext* format, int index, AVCodecContext* codec, Use use) {
  Packet packet(av_packet_alloc());
  Picture frame(av_frame_alloc());
  bool going = true;
  auto drain = [&] {
    while (going && avcodec_receive_frame(codec, frame.get()) == 0) {
      going = use(frame.get());
      av_frame_unref(frame.get());
    }
  };
  while (going && av_read_frame(format, packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(codec, packet.get()) >= 0) drain();
    av_packet_unref(packet.get());
  }
  if (going && avcodec_send_packet(codec, nullptr) >= 0) drain();
}

}  // namespace

SoundTrack ReadSoundTrack(const std::string& path, int sampleRate, double maxSeconds) {
  SoundTrack track{sampleRate, {}};
  Format format = Open(path);
  int index = -1;
  Codec codec;
  if (!OpenDecoder(format.get(), AVMEDIA_TYPE_AUDIO, index, codec)) throw TandemixError(path + " has no sound");
  // Only the sound is read: every other stream's packets are dropped by
  // the demuxer where it can.
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (static_cast<int>(i) != index) format->streams[i]->discard = AVDISCARD_ALL;

  AVChannelLayout mono;
  av_channel_layout_default(&mono, 1);
  ffmpeg::ResamplerPtr resampler;
  if (ffmpeg::MakeResampler(resampler, mono, AV_SAMPLE_FMT_FLT, sampleRate, codec->ch_layout, codec->sample_fmt,
                            codec->sample_rate) < 0)
    throw TandemixError("Cannot convert the sound of " + path);
  const std::size_t limit = static_cast<std::size_t>(std::max(0.0, maxSeconds) * sampleRate);
  std::vector<float> buffer;
  auto convert = [&](const std::uint8_t** data, int count) {
    const int room = swr_get_out_samples(resampler.get(), count);
    if (room <= 0) return;
    buffer.resize(static_cast<std::size_t>(room));
    std::uint8_t* out = reinterpret_cast<std::uint8_t*>(buffer.data());
    const int made = swr_convert(resampler.get(), &out, room, data, count);
    if (made > 0) track.samples.insert(track.samples.end(), buffer.begin(), buffer.begin() + made);
  };
  DecodeStream(format.get(), index, codec.get(), [&](AVFrame* frame) {
    convert(const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
    return track.samples.size() < limit;
  });
  if (track.samples.size() < limit) convert(nullptr, 0);
  if (track.samples.size() > limit) track.samples.resize(limit);
  return track;
}

MotionTrack ReadMotionTrack(const std::string& path, int maxFrames) {
  MotionTrack track;
  Format format = Open(path);
  int index = -1;
  Codec codec;
  if (!OpenDecoder(format.get(), AVMEDIA_TYPE_VIDEO, index, codec)) throw TandemixError(path + " has no video");
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (static_cast<int>(i) != index) format->streams[i]->discard = AVDISCARD_ALL;
  // The signature needs only a rough picture: no loop filter.
  codec->skip_loop_filter = AVDISCARD_ALL;
  const AVStream* stream = format->streams[index];
  AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  track.rate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 25.0;

  ffmpeg::ScalerPtr scaler;
  std::vector<std::uint8_t> previous, current(kMotionWidth * kMotionHeight);
  int frames = 0;
  DecodeStream(format.get(), index, codec.get(), [&](AVFrame* frame) {
    scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                      static_cast<AVPixelFormat>(frame->format), kMotionWidth, kMotionHeight,
                                      AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler) return false;
    std::uint8_t* planes[1] = {current.data()};
    const int strides[1] = {kMotionWidth};
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    if (!previous.empty()) {
      long sum = 0;
      for (std::size_t i = 0; i < current.size(); ++i) sum += std::abs(int(current[i]) - int(previous[i]));
      track.motion.push_back(static_cast<float>(double(sum) / current.size()));
    }
    previous = current;
    return ++frames < maxFrames;
  });
  return track;
}

ViewLayout ReadDeclaredLayout(const std::string& path) {
  Format format;
  try {
    format = Open(path);
  } catch (const TandemixError&) {
    return ViewLayout::None;  // a file that cannot be opened declares nothing
  }
  const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return ViewLayout::None;
  const AVStream* stream = format->streams[index];
  // Matroska's StereoMode, as the demuxer exports it.
  if (const AVDictionaryEntry* tag = av_dict_get(stream->metadata, "stereo_mode", nullptr, 0)) {
    const std::string mode = tag->value;
    if (mode == "left_right" || mode == "1") return ViewLayout::SideBySide;
    if (mode == "right_left" || mode == "11") return ViewLayout::SideBySideCross;
    if (mode == "top_bottom" || mode == "3") return ViewLayout::OverUnder;
    if (mode == "bottom_top" || mode == "2") return ViewLayout::OverUnderCross;
  }
  size_t size = 0;
  const std::uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_STEREO3D, &size);
  if (data && size >= sizeof(AVStereo3D)) {
    const auto* s = reinterpret_cast<const AVStereo3D*>(data);
    const bool inverted = s->flags & AV_STEREO3D_FLAG_INVERT;
    if (s->type == AV_STEREO3D_SIDEBYSIDE) return inverted ? ViewLayout::SideBySideCross : ViewLayout::SideBySide;
    if (s->type == AV_STEREO3D_TOPBOTTOM) return inverted ? ViewLayout::OverUnderCross : ViewLayout::OverUnder;
  }
  return ViewLayout::None;
}

}  // namespace tandemix
