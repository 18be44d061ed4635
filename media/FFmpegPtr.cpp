#include "media/FFmpegPtr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace tandemix::ffmpeg {

void InputCloser::operator()(AVFormatContext* format) const { avformat_close_input(&format); }

void OutputCloser::operator()(AVFormatContext* format) const {
  if (format->pb) avio_closep(&format->pb);
  avformat_free_context(format);
}

void CodecCloser::operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }

void PacketCloser::operator()(AVPacket* packet) const { av_packet_free(&packet); }

void FrameCloser::operator()(AVFrame* frame) const { av_frame_free(&frame); }

void FifoCloser::operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }

void ScalerCloser::operator()(SwsContext* scaler) const { sws_freeContext(scaler); }

void ResamplerCloser::operator()(SwrContext* resampler) const { swr_free(&resampler); }

int OpenInput(InputPtr& format, const std::string& path) {
  format.reset();
  AVFormatContext* raw = nullptr;
  const int opened = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  format.reset(raw);  // null when it failed
  return opened;
}

int MakeResampler(ResamplerPtr& resampler, const AVChannelLayout& outLayout, int outFormat, int outRate,
                  const AVChannelLayout& inLayout, int inFormat, int inRate) {
  resampler.reset();
  SwrContext* raw = nullptr;
  // FFmpeg 5.1 takes the layouts as non-const; it only reads them.
  int result = swr_alloc_set_opts2(
      &raw, const_cast<AVChannelLayout*>(&outLayout), static_cast<AVSampleFormat>(outFormat), outRate,
      const_cast<AVChannelLayout*>(&inLayout), static_cast<AVSampleFormat>(inFormat), inRate, 0, nullptr);
  resampler.reset(raw);
  if (result >= 0) result = swr_init(raw);
  if (result < 0) resampler.reset();
  return result;
}

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace tandemix::ffmpeg
