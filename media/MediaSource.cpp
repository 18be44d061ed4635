#include "media/MediaSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/WorkerPool.h"
#include "media/FFmpegLog.h"
#include "media/FFmpegPtr.h"
#include "media/MediaDecoding.h"

namespace tandemix {
namespace {

// Frames read forward from the decoder's position before a seek is cheaper.
constexpr int kForwardReadLimit = 64;
// Attempts to land before the wanted frame before starting from the top.
constexpr int kSeekAttempts = 3;

int ClampToInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

// Frame rate as a fraction, with 1/1 where the container gives none.
void ReadRate(const AVStream* stream, MediaDescription& d) {
  AVRational r = stream->avg_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = stream->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = AVRational{1, 1};
  av_reduce(&d.rateNumerator, &d.rateDenominator, r.num, r.den, INT_MAX);
  if (d.rateNumerator <= 0 || d.rateDenominator <= 0) d.rateNumerator = d.rateDenominator = 1;
}

}  // namespace

struct MediaSource::Impl {
  std::string path;
  MediaDescription description;
  ffmpeg::InputPtr format;
  ffmpeg::CodecPtr codec;
  ffmpeg::ScalerPtr scaler;
  std::vector<std::uint8_t> scratch;  // padded rows libswscale writes into
  ffmpeg::PacketPtr packet;
  ffmpeg::AvFramePtr current;  // the frame last taken from the decoder
  ffmpeg::AvFramePtr incoming;
  int stream = -1;
  AVRational timeBase{1, 1};
  std::int64_t firstTimestamp = AV_NOPTS_VALUE;
  bool timestampsUsable = true;
  int currentIndex = -1;       // index of `current`; -1 when it holds none
  bool positionKnown = false;  // whether the decoder's next frame follows currentIndex
  bool draining = false;
  int seeks = 0;
  FrameCache cache;

  // Frames made before, reused once nobody holds them (the cache has let
  // them go), so a stream of frames does not allocate and fault in fresh
  // memory for each one. A ring two frames longer than the cache holds, so
  // at most two idle frames are kept.
  std::size_t cacheLimit = 0;
  std::vector<std::shared_ptr<VideoFrame>> made;
  std::size_t nextMade = 0;

  PixelType type = PixelType::RGB24;
  AVPixelFormat wanted = AV_PIX_FMT_BGR24;
  bool native = false;
  MeasureProgress progress;

  Impl(const std::string& p, std::size_t cacheBytes, bool nativeOutput, MeasureProgress pr)
      : path(p), cache(cacheBytes), cacheLimit(cacheBytes), native(nativeOutput), progress(std::move(pr)) {}

  AVRational FrameDuration() const { return AVRational{description.rateDenominator, description.rateNumerator}; }

  void Open() {
    media::QuietFFmpegLog();
    if (ffmpeg::OpenInput(format, path) < 0) throw TandemixError("Cannot open " + path);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
      throw TandemixError("Cannot read the stream information of " + path);
    stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) throw TandemixError(path + " has no video stream");
    for (unsigned i = 0; i < format->nb_streams; ++i)
      if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* st = format->streams[stream];
    timeBase = st->time_base;
    description.width = st->codecpar->width;
    description.height = st->codecpar->height;
    if (description.width <= 0 || description.height <= 0) throw TandemixError(path + " has no picture size");
    if (native) ChooseType(static_cast<AVPixelFormat>(st->codecpar->format));
    ReadRate(st, description);
    long long frames = st->nb_frames;
    if (frames <= 0) frames = CountPackets();
    description.frameCount = ClampToInt(std::max(frames, 0LL));
  }

  // Each video packet carries one frame.
  long long CountPackets() {
    const ffmpeg::PacketPtr owner(av_packet_alloc());
    AVPacket* p = owner.get();
    if (!p) throw TandemixError("Out of memory reading " + path);
    long long count = 0;
    const std::int64_t size = format->pb ? avio_size(format->pb) : -1;
    while (av_read_frame(format.get(), p) >= 0) {
      if (p->stream_index == stream) ++count;
      av_packet_unref(p);
      // Tell how far the reading has come every 64 frames, by file position.
      if (progress && count % 64 == 0 && size > 0) {
        const double done =
            std::clamp(static_cast<double>(avio_tell(format->pb)) / static_cast<double>(size), 0.0, 1.0);
        if (!progress(done)) throw MeasuringCancelled(path);
      }
    }
    RewindFormat();
    return count;
  }

  // Back to the first packet. Seeking to the start is not exact in every
  // container (MPEG-TS lands on a later key frame), so the file is opened
  // afresh; the decoder is flushed by the caller.
  void RewindFormat() {
    if (ffmpeg::OpenInput(format, path) < 0 || avformat_find_stream_info(format.get(), nullptr) < 0 ||
        stream >= static_cast<int>(format->nb_streams))
      throw TandemixError("Cannot open " + path);
    for (unsigned i = 0; i < format->nb_streams; ++i)
      if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  }

  void OpenDecoder() {
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) throw TandemixError("No decoder for the video of " + path);
    codec.reset(avcodec_alloc_context3(decoder));
    packet.reset(av_packet_alloc());
    current.reset(av_frame_alloc());
    incoming.reset(av_frame_alloc());
    if (!codec || !packet || !current || !incoming) throw TandemixError("Out of memory reading " + path);
    if (avcodec_parameters_to_context(codec.get(), par) < 0) throw TandemixError("Cannot decode the video of " + path);
    codec->pkt_timebase = timeBase;
    codec->thread_count = ParallelThreads();
    const int opened = avcodec_open2(codec.get(), decoder, nullptr);
    if (opened == AVERROR(ENOMEM)) throw TandemixError("Out of memory opening the decoder of " + path);
    if (opened < 0) throw TandemixError("Cannot decode the video of " + path);
    // The first frame fixes the time stamp that frame 0 stands at.
    if (!Receive(current.get())) throw TandemixError("Cannot decode a frame of " + path);
    currentIndex = 0;
    positionKnown = true;
    if (current->best_effort_timestamp == AV_NOPTS_VALUE)
      timestampsUsable = false;
    else
      firstTimestamp = current->best_effort_timestamp;
  }

  // Takes the next frame out of the decoder, feeding it packets; false at
  // the end of the stream.
  bool Receive(AVFrame* out) {
    return ReceiveDecodedFrame(format.get(), codec.get(), packet.get(), stream, out, draining);
  }

  // The index of a frame just received after `current`.
  int IndexOf(const AVFrame* frame) const {
    const std::int64_t ts = frame->best_effort_timestamp;
    if (!timestampsUsable || ts == AV_NOPTS_VALUE) return currentIndex + 1;
    return ClampToInt(av_rescale_q_rnd(ts - firstTimestamp, timeBase, FrameDuration(),
                                       static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX)));
  }

  void Flush() {
    avcodec_flush_buffers(codec.get());
    draining = false;
    ++seeks;
  }

  void SeekToStart() {
    RewindFormat();
    Flush();
    currentIndex = -1;
    if (!Receive(current.get())) throw TandemixError("Cannot decode a frame of " + path);
    currentIndex = timestampsUsable ? IndexOf(current.get()) : 0;
    positionKnown = true;
  }

  // Leaves `current` at a frame at or before n, close to it.
  void SeekBefore(int n) {
    if (!timestampsUsable) return SeekToStart();
    const std::int64_t target = firstTimestamp + av_rescale_q(n, FrameDuration(), timeBase);
    long long backoff = 0;
    for (int attempt = 0; attempt < kSeekAttempts; ++attempt) {
      const std::int64_t ts = target - av_rescale_q(backoff, FrameDuration(), timeBase);
      if (ts <= firstTimestamp) break;
      if (av_seek_frame(format.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0) break;
      Flush();
      currentIndex = -1;
      if (Receive(current.get())) {
        const int index = IndexOf(current.get());
        if (index <= n) {
          currentIndex = index;
          positionKnown = true;
          return;
        }
      }
      backoff = std::max(16LL, backoff * 4);
    }
    SeekToStart();
  }

  // The pixel type for the decoder's format: its own where it is one of
  // AviSynth's, else the nearest 8-bit one.
  void ChooseType(AVPixelFormat f) {
    struct Map {
      AVPixelFormat from;
      PixelType type;
      AVPixelFormat to;
    };
    static const Map kExact[] = {
        {AV_PIX_FMT_YUV420P, PixelType::YV12, AV_PIX_FMT_YUV420P},
        {AV_PIX_FMT_YUVJ420P, PixelType::YV12, AV_PIX_FMT_YUVJ420P},
        {AV_PIX_FMT_YUV422P, PixelType::YV16, AV_PIX_FMT_YUV422P},
        {AV_PIX_FMT_YUVJ422P, PixelType::YV16, AV_PIX_FMT_YUVJ422P},
        {AV_PIX_FMT_YUV444P, PixelType::YV24, AV_PIX_FMT_YUV444P},
        {AV_PIX_FMT_YUVJ444P, PixelType::YV24, AV_PIX_FMT_YUVJ444P},
        {AV_PIX_FMT_GRAY8, PixelType::Y8, AV_PIX_FMT_GRAY8},
        {AV_PIX_FMT_YUYV422, PixelType::YUY2, AV_PIX_FMT_YUYV422},
        {AV_PIX_FMT_BGR24, PixelType::RGB24, AV_PIX_FMT_BGR24},
        {AV_PIX_FMT_RGB24, PixelType::RGB24, AV_PIX_FMT_BGR24},
        {AV_PIX_FMT_BGRA, PixelType::RGB32, AV_PIX_FMT_BGRA},
        {AV_PIX_FMT_RGBA, PixelType::RGB32, AV_PIX_FMT_BGRA},
        {AV_PIX_FMT_ARGB, PixelType::RGB32, AV_PIX_FMT_BGRA},
    };
    bool exact = false;
    for (const Map& m : kExact) {
      if (m.from != f) continue;
      type = m.type;
      wanted = m.to;
      exact = true;
      break;
    }
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    if (exact) {
      // Kept as it is, unless the size leaves chroma samples cut in half.
    } else if (!d) {
      return;  // unknown: RGB24
    } else if (d->flags & AV_PIX_FMT_FLAG_RGB) {
      const bool alpha = (d->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
      type = alpha ? PixelType::RGB32 : PixelType::RGB24;
      wanted = alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    } else if (d->nb_components == 1 || d->nb_components == 2) {
      type = PixelType::Y8;
      wanted = AV_PIX_FMT_GRAY8;
    } else if (d->log2_chroma_w == 1 && d->log2_chroma_h == 1) {
      type = PixelType::YV12;
      wanted = AV_PIX_FMT_YUV420P;
    } else if (d->log2_chroma_w == 1 && d->log2_chroma_h == 0) {
      type = PixelType::YV16;
      wanted = AV_PIX_FMT_YUV422P;
    } else {
      type = PixelType::YV24;
      wanted = AV_PIX_FMT_YUV444P;
    }
    // Subsampled types need even sizes (whole chroma samples, as every
    // filter and writer assumes); other sizes go to 4:4:4, which keeps
    // each pixel's own colour.
    if ((description.width % 2 && ChromaShiftX(type)) || (description.height % 2 && ChromaShiftY(type))) {
      type = PixelType::YV24;
      wanted = AV_PIX_FMT_YUV444P;
    }
  }

  // A frame to fill whole: one made before that nobody holds, or a new one.
  std::shared_ptr<VideoFrame> NewFrame(PixelType t, int w, int h) {
    for (const auto& f : made) {
      if (f.use_count() != 1 || f->type != t || f->width != w || f->height != h) continue;
      // Only the ring holds it; the fence orders the last holder's reads
      // before the writes to come.
      std::atomic_thread_fence(std::memory_order_acquire);
      return f;
    }
    auto f = std::make_shared<VideoFrame>(t, w, h);
    const std::size_t ring = std::max<std::size_t>(cacheLimit / std::max<std::size_t>(f->pixels.size(), 1), 1) + 2;
    if (made.size() < ring) {
      made.push_back(f);
    } else {
      made[nextMade % made.size()] = f;
      nextMade = (nextMade + 1) % made.size();
    }
    return f;
  }

  // Planar YUV pictures are read where the decoder put them: the frame
  // keeps a reference to the decoder's picture instead of a copy. Null
  // where that does not apply (packed types, rows stored bottom up).
  FramePtr ViewOf(const AVFrame* frame) const {
    if (!IsPlanarType(type)) return nullptr;
    for (int p = 0; p < PlaneCountOf(type); ++p)
      if (!frame->data[p] || frame->linesize[p] <= 0) return nullptr;
    AVFrame* held = av_frame_clone(frame);
    if (!held) throw TandemixError("Out of memory reading " + path);
    std::shared_ptr<const void> keeper(held, ffmpeg::FrameCloser());
    const std::uint8_t* planes[3] = {nullptr, nullptr, nullptr};
    std::size_t strides[3] = {0, 0, 0};
    for (int p = 0; p < PlaneCountOf(type); ++p) {
      planes[p] = held->data[p];
      strides[p] = static_cast<std::size_t>(held->linesize[p]);
    }
    return std::make_shared<const VideoFrame>(
        VideoFrame::View(type, description.width, description.height, planes, strides, std::move(keeper)));
  }

  // The decoded picture in the source's pixel type: planes copied as they
  // are when the decoder's format is that type, else through libswscale.
  FramePtr Convert(const AVFrame* frame) {
    const int w = description.width;
    const int h = description.height;
    const auto pixelFormat = static_cast<AVPixelFormat>(frame->format);
    if (native && pixelFormat == wanted && frame->width == w && frame->height == h) {
      if (FramePtr view = ViewOf(frame)) return view;
      auto out = NewFrame(type, w, h);
      for (int p = 0; p < out->Planes(); ++p)
        for (int y = 0; y < out->PlaneHeight(p); ++y)
          std::memcpy(out->Row(p, y), frame->data[p] + static_cast<std::ptrdiff_t>(frame->linesize[p]) * y,
                      out->Stride(p));
      return out;
    }
    if (native && type != PixelType::RGB24 && type != PixelType::RGB32) {
      scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height, pixelFormat, w, h, wanted,
                                        SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
      if (!scaler) throw TandemixError("Cannot convert the pictures of " + path);
      auto out = NewFrame(type, w, h);
      ScaleInto(frame, *out);
      return out;
    }
    const AVPixelFormat target = type == PixelType::RGB32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height, pixelFormat, w, h, target,
                                      SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) throw TandemixError("Cannot convert the pictures of " + path);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(pixelFormat);
    if (desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
      const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
      const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), fullRange, sws_getCoefficients(SWS_CS_DEFAULT),
                               1, 0, 1 << 16, 1 << 16);
    }
    auto out = NewFrame(type == PixelType::RGB32 ? PixelType::RGB32 : PixelType::RGB24, w, h);
    ScaleInto(frame, *out);
    return out;
  }

  // libswscale writes its rows in whole vector blocks, past a narrow row's
  // end (a row of 3 pixels takes 16 bytes and more): it writes into rows
  // padded well beyond that, which are then copied into the frame.
  void ScaleInto(const AVFrame* frame, VideoFrame& out) {
    std::uint8_t* dst[4] = {nullptr, nullptr, nullptr, nullptr};
    int dstStride[4] = {0, 0, 0, 0};
    std::size_t offsets[3] = {0, 0, 0};
    std::size_t total = 0;
    for (int p = 0; p < out.Planes(); ++p) {
      dstStride[p] = (out.PlaneWidth(p) + 63) / 64 * 64 + 64;
      offsets[p] = total;
      total += static_cast<std::size_t>(dstStride[p]) * static_cast<std::size_t>(out.PlaneHeight(p) + 1);
    }
    scratch.resize(total + 64);
    for (int p = 0; p < out.Planes(); ++p) dst[p] = scratch.data() + offsets[p];
    sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    for (int p = 0; p < out.Planes(); ++p)
      for (int y = 0; y < out.PlaneHeight(p); ++y)
        std::memcpy(out.Row(p, y), dst[p] + static_cast<std::ptrdiff_t>(dstStride[p]) * y,
                    static_cast<std::size_t>(out.PlaneWidth(p)));
  }

  FramePtr Keep(int index, FramePtr frame) {
    cache.Put(index, frame);
    return frame;
  }

  FramePtr Frame(int n) {
    if (description.frameCount <= 0) throw TandemixError(path + " has no frames");
    n = std::clamp(n, 0, description.frameCount - 1);
    if (FramePtr hit = cache.Find(n)) return hit;
    if (!codec) OpenDecoder();
    const bool readOn =
        positionKnown && currentIndex >= 0 && currentIndex <= n && n - currentIndex <= kForwardReadLimit;
    if (!readOn) SeekBefore(n);
    while (currentIndex < n) {
      if (!Receive(incoming.get())) {
        positionKnown = false;  // the decoder has been drained
        return Keep(n, Convert(current.get()));
      }
      const int index = IndexOf(incoming.get());
      if (index > n) {
        // A gap in the time stamps: frame n is the one shown before it.
        FramePtr shown = Convert(current.get());
        std::swap(current, incoming);
        currentIndex = index;
        return Keep(n, shown);
      }
      std::swap(current, incoming);
      currentIndex = std::max(index, currentIndex);
    }
    return Keep(n, Convert(current.get()));
  }
};

MediaSource::MediaSource(const std::string& path, std::size_t cacheBytes, Output output, MeasureProgress progress)
    : impl_(std::make_unique<Impl>(path, cacheBytes, output == Output::Native, std::move(progress))) {
  impl_->Open();
}

MediaSource::~MediaSource() = default;

const MediaDescription& MediaSource::Description() const { return impl_->description; }

PixelType MediaSource::Type() const { return impl_->type; }

FramePtr MediaSource::Frame(int n) { return impl_->Frame(n); }

int MediaSource::SeekCount() const { return impl_->seeks; }

std::size_t MediaSource::CachedBytes() const { return impl_->cache.Bytes(); }

}  // namespace tandemix
