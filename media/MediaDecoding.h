// The decoding loop shared by the picture and sound readers.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace tandemix {

// Takes the next frame of `stream` out of `codec` into `out`, reading
// packets from `format` as the decoder asks for them; at the end of the file
// the decoder is drained and `draining` set. False when no frame is left.
// Damaged packets are skipped.
inline bool ReceiveDecodedFrame(AVFormatContext* format, AVCodecContext* codec, AVPacket* packet, int stream,
                                AVFrame* out, bool& draining) {
  for (;;) {
    const int r = avcodec_receive_frame(codec, out);
    if (r == 0) return true;
    if (r != AVERROR(EAGAIN) || draining) return false;
    if (av_read_frame(format, packet) < 0) {
      draining = true;
      avcodec_send_packet(codec, nullptr);
      continue;
    }
    if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
    av_packet_unref(packet);
  }
}

}  // namespace tandemix
