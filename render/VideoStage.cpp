#include "render/VideoStage.h"

#include <cstring>

#include "base/Errors.h"
#include "base/WorkerPool.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace tandemix::render {
namespace {

const char* EncoderName(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::H264:
      return "libx264";
    case VideoCodec::H265:
      return "libx265";
    case VideoCodec::AV1:
      return "libaom-av1";
    case VideoCodec::FFV1:
      return "ffv1";
  }
  return "";
}

AVPixelFormat SourceFormat(PixelType type) {
  switch (type) {
    case PixelType::RGB24:
      return AV_PIX_FMT_BGR24;
    case PixelType::RGB32:
      return AV_PIX_FMT_BGRA;
    case PixelType::YUY2:
      return AV_PIX_FMT_YUYV422;
    case PixelType::Y8:
      return AV_PIX_FMT_GRAY8;
    case PixelType::YV24:
      return AV_PIX_FMT_YUV444P;
    case PixelType::YV16:
      return AV_PIX_FMT_YUV422P;
    case PixelType::YV12:
      return AV_PIX_FMT_YUV420P;
    case PixelType::RGBP8:  // handed over as packed RGB
    case PixelType::RGBAP8:
      break;
  }
  return AV_PIX_FMT_NONE;
}

AVPixelFormat TargetFormat(EncodePixels pixels) {
  switch (pixels) {
    case EncodePixels::Yuv420:
      return AV_PIX_FMT_YUV420P;
    case EncodePixels::Yuv422:
      return AV_PIX_FMT_YUV422P;
    case EncodePixels::Yuv444:
      return AV_PIX_FMT_YUV444P;
    case EncodePixels::Gray:
      return AV_PIX_FMT_GRAY8;
    case EncodePixels::Rgb:
      return AV_PIX_FMT_0RGB32;
  }
  return AV_PIX_FMT_NONE;
}

void ReleaseHeldFrame(void* opaque, uint8_t*) { delete static_cast<FramePtr*>(opaque); }

}  // namespace

VideoStage::VideoStage(const engine::ClipInfo& info, const std::string& scriptName, const RenderSettings& settings,
                       const FramePlan& plan, RenderTarget& target)
    : info_(info), scriptName_(scriptName), settings_(settings), plan_(plan), target_(target) {
  const char* name = EncoderName(settings_.video);
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec)
    throw TandemixError(std::string("This FFmpeg has no ") + name + " encoder for " + Description(settings_.video) +
                        " video; choose another video codec");
  codec_.reset(avcodec_alloc_context3(codec));
  AVCodecContext* video = codec_.get();
  video->width = plan_.width;
  video->height = plan_.height;
  video->pix_fmt = TargetFormat(plan_.pixels);
  video->time_base = AVRational{info_.rateDenominator, info_.rateNumerator};
  video->framerate = AVRational{info_.rateNumerator, info_.rateDenominator};
  video->sample_aspect_ratio = AVRational{1, 1};
  if (plan_.pixels != EncodePixels::Rgb) {
    video->color_range = AVCOL_RANGE_MPEG;
    video->colorspace = AVCOL_SPC_SMPTE170M;  // the engine's Rec601 matrix
  }
  video->thread_count = ParallelThreads();
  if (target_.WantsGlobalHeader()) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* options = nullptr;
  const int crf = settings_.crf >= 0 ? settings_.crf : DefaultCrf(settings_.video);
  const std::string preset = settings_.preset.empty() ? DefaultPreset(settings_.video) : settings_.preset;
  switch (settings_.video) {
    case VideoCodec::H264:
    case VideoCodec::H265:
      av_dict_set_int(&options, "crf", crf, 0);
      av_dict_set(&options, "preset", preset.c_str(), 0);
      if (settings_.video == VideoCodec::H265) av_dict_set(&options, "x265-params", "log-level=error", 0);
      break;
    case VideoCodec::AV1:
      av_dict_set_int(&options, "crf", crf, 0);
      av_dict_set(&options, "cpu-used", preset.c_str(), 0);
      av_dict_set(&options, "row-mt", "1", 0);
      video->bit_rate = 0;
      break;
    case VideoCodec::FFV1:
      av_dict_set(&options, "level", "3", 0);
      av_dict_set(&options, "slicecrc", "1", 0);
      break;
  }
  const int opened = avcodec_open2(video, codec, &options);
  av_dict_free(&options);
  if (opened < 0)
    throw TandemixError(std::string("The ") + Description(settings_.video) + " encoder refused the picture (" +
                        std::to_string(plan_.width) + "x" + std::to_string(plan_.height) +
                        "): " + ffmpeg::ErrorText(opened));
  stream_ = target_.AddStream(video);

  frame_.reset(av_frame_alloc());
  frame_->format = video->pix_fmt;
  frame_->width = plan_.width;
  frame_->height = plan_.height;
  const AVPixelFormat source = SourceFormat(info_.pixelType);
  direct_ = source == video->pix_fmt && plan_.padRight == 0 && plan_.padBottom == 0;
  if (!direct_) {
    scaler_.reset(sws_getContext(info_.width, info_.height, source, info_.width, info_.height, video->pix_fmt,
                                 SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!scaler_) throw TandemixError("Cannot convert the picture for the encoder");
  }
}

VideoStage::~VideoStage() = default;

// The engine's frame goes back to its pool once copied: the pools keep
// few spares, and a frame made afresh costs page faults at this size.
void VideoStage::Encode(FramePtr frame, int index) {
  if (frame->width != info_.width || frame->height != info_.height || frame->type != info_.pixelType)
    throw TandemixError("Frame " + std::to_string(settings_.start + index) + " of " + scriptName_ +
                        " does not match the clip's size or type");
  if (direct_) {
    SendWrapped(std::move(frame), index);
    return;
  }
  FillFrame(*frame);
  frame.reset();
  frame_->pts = index;
  target_.Encode(codec_.get(), stream_, frame_.get());
}

void VideoStage::Finish() { target_.Encode(codec_.get(), stream_, nullptr); }

void VideoStage::FillFrame(const FrameBGR& frame) {
  AVFrame* picture = frame_.get();
  const int made = av_frame_make_writable(picture);
  if (made < 0 || !picture->data[0]) {
    av_frame_unref(picture);
    picture->format = codec_->pix_fmt;
    picture->width = plan_.width;
    picture->height = plan_.height;
    if (av_frame_get_buffer(picture, 0) < 0) throw TandemixError("Out of memory");
  }
  if (direct_) {
    for (int p = 0; p < frame.Planes(); ++p)
      av_image_copy_plane(picture->data[p], picture->linesize[p], frame.Plane(p), static_cast<int>(frame.Stride(p)),
                          frame.PlaneWidth(p), frame.PlaneHeight(p));
    return;
  }
  const uint8_t* planes[4] = {};
  int strides[4] = {};
  for (int p = 0; p < frame.Planes(); ++p) {
    planes[p] = frame.Plane(p);
    strides[p] = static_cast<int>(frame.Stride(p));
  }
  sws_scale(scaler_.get(), planes, strides, 0, info_.height, picture->data, picture->linesize);
  BlackenPadding();
}

// Black in the added column and row, written after every scale: the
// scaler's vector code may write past the clip's own width.
void VideoStage::BlackenPadding() {
  if (plan_.padRight == 0 && plan_.padBottom == 0) return;
  const AVFrame* picture = frame_.get();
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
  for (int p = 0; p < 3 && picture->data[p]; ++p) {
    const bool chroma = p > 0;
    const int sx = chroma ? d->log2_chroma_w : 0;
    const int sy = chroma ? d->log2_chroma_h : 0;
    const int w = AV_CEIL_RSHIFT(plan_.width, sx);
    const int h = AV_CEIL_RSHIFT(plan_.height, sy);
    const int ownW = AV_CEIL_RSHIFT(info_.width, sx);
    const int ownH = AV_CEIL_RSHIFT(info_.height, sy);
    const uint8_t value = chroma ? 128 : 16;
    for (int y = 0; y < h; ++y) {
      uint8_t* row = picture->data[p] + static_cast<std::ptrdiff_t>(y) * picture->linesize[p];
      if (y >= ownH)
        std::memset(row, value, w);
      else if (ownW < w)
        std::memset(row + ownW, value, w - ownW);
    }
  }
}

// The engine's frame handed to the encoder as it is, without a copy: the
// encoder's reference keeps the frame, and so its pool slot, until it lets
// go (x264 copies the picture in at once).
void VideoStage::SendWrapped(FramePtr frame, int index) {
  if (!wrapped_) wrapped_.reset(av_frame_alloc());
  if (!wrapped_) throw TandemixError("Out of memory");
  AVFrame* wrapped = wrapped_.get();
  const VideoFrame& f = *frame;
  auto* hold = new FramePtr(std::move(frame));
  // The buffer only counts the references; the planes are set below (a
  // decoder's picture viewed where it lies has its own strides).
  wrapped->buf[0] = av_buffer_create(const_cast<uint8_t*>(f.Plane(0)), f.Stride(0) * f.PlaneHeight(0), ReleaseHeldFrame,
                                     hold, AV_BUFFER_FLAG_READONLY);
  if (!wrapped->buf[0]) {
    delete hold;
    throw TandemixError("Out of memory");
  }
  wrapped->format = codec_->pix_fmt;
  wrapped->width = f.width;
  wrapped->height = f.height;
  for (int p = 0; p < f.Planes(); ++p) {
    wrapped->data[p] = const_cast<uint8_t*>(f.Plane(p));
    wrapped->linesize[p] = static_cast<int>(f.Stride(p));
  }
  wrapped->pts = index;
  try {
    target_.Encode(codec_.get(), stream_, wrapped);
  } catch (...) {
    av_frame_unref(wrapped);
    throw;
  }
  av_frame_unref(wrapped);
}

}  // namespace tandemix::render
