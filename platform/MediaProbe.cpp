#include "platform/MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>

namespace tandemix {
namespace {

struct FormatCloser {
  void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;

struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

VideoInfo Failure(const std::string& message) {
  VideoInfo info;
  info.error = message;
  return info;
}

double RateOf(const AVStream* stream) {
  AVRational r = stream->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = stream->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) return 1.0;
  return av_q2d(r);
}

// Counts the stream's packets: each video packet carries one frame.
long long CountPackets(AVFormatContext* ctx, int streamIndex) {
  std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  if (!packet) return 0;
  long long count = 0;
  while (av_read_frame(ctx, packet.get()) >= 0) {
    if (packet->stream_index == streamIndex) ++count;
    av_packet_unref(packet.get());
  }
  return count;
}

}  // namespace

VideoInfo ProbeMediaFile(const std::string& path) {
  av_log_set_level(AV_LOG_QUIET);
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
    return Failure("Cannot open " + path);
  FormatPtr ctx(raw);
  if (avformat_find_stream_info(ctx.get(), nullptr) < 0) return Failure("Cannot read the stream information of " + path);
  const int index = av_find_best_stream(ctx.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return Failure(path + " has no video stream");
  const AVStream* stream = ctx->streams[index];
  VideoInfo info;
  info.width = stream->codecpar->width;
  info.height = stream->codecpar->height;
  info.rate = RateOf(stream);
  long long frames = stream->nb_frames;
  if (frames <= 0) {
    if (av_seek_frame(ctx.get(), index, 0, AVSEEK_FLAG_BACKWARD) < 0)
      avformat_seek_file(ctx.get(), -1, INT64_MIN, 0, INT64_MAX, 0);
    frames = CountPackets(ctx.get(), index);
  }
  if (info.width <= 0 || info.height <= 0) return Failure(path + " has no picture size");
  info.frameCount = frames > 0x7fffffff ? 0x7fffffff : static_cast<int>(frames);
  return info;
}

}  // namespace tandemix
