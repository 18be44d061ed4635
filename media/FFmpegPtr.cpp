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

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace tandemix::ffmpeg
