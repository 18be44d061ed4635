#include "render/RenderTarget.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/Errors.h"
#include "base/OutputFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/stereo3d.h>
}

namespace tandemix::render {
namespace {

const char* MuxerName(Container c) {
  switch (c) {
    case Container::MKV:
      return "matroska";
    case Container::MP4:
      return "mp4";
    case Container::MOV:
      return "mov";
    case Container::AVI:
      return "avi";
  }
  return "";
}

}  // namespace

// A fresh name beside the target: same folder, so the rename cannot
// cross file systems.
RenderTarget::RenderTarget(std::string path, const std::vector<std::string>& inputs) : path_(std::move(path)) {
  const OutputPlace place = CheckOutput(path_, inputs, true);
  const std::optional<Container> container = ContainerOfPath(path_);
  if (!container) throw TandemixError("Cannot create file " + path_ + ": its extension names no container");
  container_ = *container;
  if (place != OutputPlace::Replace) {
    if (container_ != Container::MKV && !OutputCanSeek(path_))
      throw TandemixError("Cannot write a ." + std::string(NameOf(container_)) + " file to " + path_ +
                          ": it is a pipe, and only .mkv can be written without going back");
    OpenMuxer(path_);
    return;
  }
  const std::size_t slash = path_.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  if (name.empty()) throw TandemixError("Cannot create file " + path_ + ": the name is empty");
  std::string pattern = folder + "/." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) throw TandemixError("Cannot create file " + path_ + ": " + std::strerror(errno));
  temp_ = buffer.data();
  // mkstemp makes the file private; the movie gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  ::close(fd);
  OpenMuxer(temp_);
}

void RenderTarget::OpenMuxer(const std::string& file) {
  AVFormatContext* format = nullptr;
  const int made = avformat_alloc_output_context2(&format, nullptr, MuxerName(container_), file.c_str());
  format_.reset(format);
  if (made < 0 || !format_) throw TandemixError("Cannot make a " + std::string(NameOf(container_)) + " file");
  packet_.reset(av_packet_alloc());
}

RenderTarget::~RenderTarget() {
  format_.reset();  // closes the file before it goes
  if (!temp_.empty()) std::remove(temp_.c_str());
}

bool RenderTarget::WantsGlobalHeader() const { return (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0; }

AVStream* RenderTarget::AddStream(const AVCodecContext* codec) {
  AVStream* stream = avformat_new_stream(format_.get(), nullptr);
  if (!stream) throw TandemixError("Out of memory");
  avcodec_parameters_from_context(stream->codecpar, codec);
  stream->time_base = codec->time_base;
  if (codec->codec_type == AVMEDIA_TYPE_VIDEO) stream->avg_frame_rate = codec->framerate;
  return stream;
}

// Matroska's StereoMode; MP4 and MOV's stereo box, which knows side by
// side, over/under and 2D (FFmpeg writes it as an unofficial extension).
ViewLayout RenderTarget::TagLayout(AVStream* video, ViewLayout layout, std::string& note) {
  if (layout == ViewLayout::None) return layout;
  const std::string container = std::string(".") + NameOf(container_);
  if (container_ == Container::MKV) {
    av_dict_set(&video->metadata, "stereo_mode", MatroskaStereoMode(layout), 0);
    return layout;
  }
  AVStereo3DType type;
  switch (layout) {
    case ViewLayout::SideBySide:
    case ViewLayout::SideBySideHalf:
      type = AV_STEREO3D_SIDEBYSIDE;
      break;
    case ViewLayout::OverUnder:
    case ViewLayout::OverUnderHalf:
      type = AV_STEREO3D_TOPBOTTOM;
      break;
    case ViewLayout::Mono:
      type = AV_STEREO3D_2D;
      break;
    default:
      note = std::string("a ") + container + " file has no 3D tag for " + Description(layout) + " (use .mkv for one)";
      return ViewLayout::None;
  }
  if (container_ == Container::AVI) {
    note = "an .avi file has no 3D tag (use .mkv or .mp4 for one)";
    return ViewLayout::None;
  }
  format_->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
  uint8_t* data = av_stream_new_side_data(video, AV_PKT_DATA_STEREO3D, sizeof(AVStereo3D));
  if (!data) throw TandemixError("Out of memory");
  AVStereo3D stereo{};
  stereo.type = type;
  std::memcpy(data, &stereo, sizeof stereo);
  return layout;
}

void RenderTarget::Begin() {
  const int opened = avio_open(&format_->pb, (temp_.empty() ? path_ : temp_).c_str(), AVIO_FLAG_WRITE);
  if (opened < 0) throw TandemixError("Cannot create file " + path_ + ": " + ffmpeg::ErrorText(opened));
  AVDictionary* options = nullptr;
  const int header = avformat_write_header(format_.get(), &options);
  av_dict_free(&options);
  if (header < 0) throw TandemixError("Cannot write the header of " + path_ + ": " + ffmpeg::ErrorText(header));
}

void RenderTarget::Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
  const int sent = avcodec_send_frame(codec, frame);
  if (sent < 0) throw TandemixError("The encoder failed: " + ffmpeg::ErrorText(sent));
  for (;;) {
    const int got = avcodec_receive_packet(codec, packet_.get());
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
    if (got < 0) throw TandemixError("The encoder failed: " + ffmpeg::ErrorText(got));
    av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
    packet_->stream_index = stream->index;
    const int written = av_interleaved_write_frame(format_.get(), packet_.get());
    if (written < 0) throw TandemixError("Cannot write " + path_ + ": " + ffmpeg::ErrorText(written));
  }
}

void RenderTarget::Finish() {
  const int trailer = av_write_trailer(format_.get());
  if (trailer < 0) throw TandemixError("Cannot write " + path_ + ": " + ffmpeg::ErrorText(trailer));
  const int closed = avio_closep(&format_->pb);
  if (closed < 0) throw TandemixError("Cannot write " + path_ + ": " + ffmpeg::ErrorText(closed));
  if (temp_.empty()) return;  // written in place
  if (std::rename(temp_.c_str(), path_.c_str()) != 0)
    throw TandemixError("Cannot create file " + path_ + ": " + std::strerror(errno));
  temp_.clear();
}

}  // namespace tandemix::render
