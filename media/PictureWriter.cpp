#include "media/PictureWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <QSaveFile>
#include <cstring>

#include "base/Errors.h"
#include "media/FFmpegPtr.h"

namespace tandemix {
namespace {

struct Target {
  AVCodecID codec;
  AVPixelFormat pixels;
};

// The encoder and the pixel layout it is given for each frame type.
Target TargetOf(PictureFormat format, PixelType type) {
  const bool alpha = type == PixelType::RGB32, grey = type == PixelType::Y8;
  switch (format) {
    case PictureFormat::Bmp:
      return {AV_CODEC_ID_BMP, grey ? AV_PIX_FMT_GRAY8 : alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24};
    case PictureFormat::Png:
      return {AV_CODEC_ID_PNG, grey ? AV_PIX_FMT_GRAY8 : alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24};
    case PictureFormat::Jpeg:
      return {AV_CODEC_ID_MJPEG, grey ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_YUVJ444P};
  }
  return {AV_CODEC_ID_NONE, AV_PIX_FMT_NONE};
}

AVPixelFormat SourceFormat(PixelType type) {
  return type == PixelType::RGB32 ? AV_PIX_FMT_BGRA : type == PixelType::Y8 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_BGR24;
}

}  // namespace

void SavePicture(const std::string& path, const FrameBGR& frame, PictureFormat format) {
  const auto fail = [&path]() { return TandemixError("Cannot create file " + path); };
  if (frame.Empty() ||
      (frame.type != PixelType::RGB24 && frame.type != PixelType::RGB32 && frame.type != PixelType::Y8))
    throw fail();
  const Target target = TargetOf(format, frame.type);
  const AVCodec* codec = avcodec_find_encoder(target.codec);
  if (!codec) throw fail();
  ffmpeg::CodecPtr context(avcodec_alloc_context3(codec));
  if (!context) throw fail();
  context->width = frame.width;
  context->height = frame.height;
  context->pix_fmt = target.pixels;
  context->time_base = AVRational{1, 25};
  if (format == PictureFormat::Jpeg) {
    // Good quality: a fixed quantiser of 2.
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * 2;
  }
  if (avcodec_open2(context.get(), codec, nullptr) < 0) throw fail();
  ffmpeg::AvFramePtr picture(av_frame_alloc());
  if (!picture) throw fail();
  picture->format = target.pixels;
  picture->width = frame.width;
  picture->height = frame.height;
  picture->quality = context->global_quality;
  if (av_frame_get_buffer(picture.get(), 0) < 0) throw fail();
  // The rows top to bottom as the frame keeps them, into the encoder's layout.
  ffmpeg::ScalerPtr scaler(sws_getContext(frame.width, frame.height, SourceFormat(frame.type), frame.width,
                                          frame.height, target.pixels, SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr,
                                          nullptr));
  if (!scaler) throw fail();
  const std::uint8_t* planes[1] = {frame.Plane(0)};
  const int strides[1] = {static_cast<int>(frame.Stride(0))};
  sws_scale(scaler.get(), planes, strides, 0, frame.height, picture->data, picture->linesize);
  ffmpeg::PacketPtr packet(av_packet_alloc());
  if (!packet || avcodec_send_frame(context.get(), picture.get()) < 0 ||
      avcodec_send_frame(context.get(), nullptr) < 0 || avcodec_receive_packet(context.get(), packet.get()) < 0)
    throw fail();
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(packet->data), packet->size) != packet->size || !file.commit())
    throw fail();
}

}  // namespace tandemix
