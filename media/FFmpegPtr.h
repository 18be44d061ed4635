// Owners for FFmpeg's objects. Each frees its object the way FFmpeg asks
// (a context opened for reading is closed, one made for writing closes its
// file and is freed, ...), so no class frees one by hand. The structs are
// only declared here: an includer needs FFmpeg's headers only where it
// looks inside the objects.
#pragma once

#include <memory>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct AVAudioFifo;
struct SwsContext;
struct SwrContext;
struct AVChannelLayout;

namespace tandemix::ffmpeg {

struct InputCloser {
  void operator()(AVFormatContext* format) const;  // avformat_close_input
};
struct OutputCloser {
  void operator()(AVFormatContext* format) const;  // closes its file, then avformat_free_context
};
struct CodecCloser {
  void operator()(AVCodecContext* codec) const;
};
struct PacketCloser {
  void operator()(AVPacket* packet) const;
};
struct FrameCloser {
  void operator()(AVFrame* frame) const;
};
struct FifoCloser {
  void operator()(AVAudioFifo* fifo) const;
};
struct ScalerCloser {
  void operator()(SwsContext* scaler) const;
};
struct ResamplerCloser {
  void operator()(SwrContext* resampler) const;
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;
using AvFramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoCloser>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerCloser>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerCloser>;

// avformat_open_input into `format`, which lets go of what it held first;
// FFmpeg's result code (negative: `format` stays empty).
int OpenInput(InputPtr& format, const std::string& path);

// A resampler from samples of (inLayout, inFormat, inRate) to (outLayout,
// outFormat, outRate), the formats being AVSampleFormat values, set up and
// initialised into `resampler`, which lets go of what it held first.
// FFmpeg's result code (negative: `resampler` stays empty).
int MakeResampler(ResamplerPtr& resampler, const AVChannelLayout& outLayout, int outFormat, int outRate,
                  const AVChannelLayout& inLayout, int inFormat, int inRate);

// FFmpeg's words for an error code ("Invalid argument", ...).
std::string ErrorText(int code);

}  // namespace tandemix::ffmpeg
