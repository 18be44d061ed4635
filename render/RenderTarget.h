// The file a render writes: a temporary name beside the target, the muxer
// that fills it, the 3D tag, and the rename at the end. Until Finish has
// renamed it, destroying the target removes the temporary file, so a
// failure or a cancel leaves nothing behind. A FIFO or a device is written
// in place (see base/OutputFile.h).
#pragma once

#include <string>
#include <vector>

#include "media/FFmpegPtr.h"
#include "render/RenderChoices.h"

struct AVStream;

namespace tandemix::render {

class RenderTarget {
 public:
  // Makes the temporary file and the muxer for the container the
  // extension names (which CheckSettings has accepted). Throws
  // TandemixError when the folder cannot be written, when the target is a
  // folder or one of the inputs (`inputs` and the files open), and when
  // it cannot seek and the container needs to (all but Matroska).
  RenderTarget(std::string path, const std::vector<std::string>& inputs);
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  const std::string& Path() const { return path_; }
  // Whether encoders must put their set-up in the stream's header.
  bool WantsGlobalHeader() const;
  // A stream for what `codec` makes, with its parameters and time base.
  AVStream* AddStream(const AVCodecContext* codec);

  // Tags the layout of `video` where the container keeps one. Returns the
  // layout tagged (None when the container has no place for it) and says
  // why not in `note`.
  ViewLayout TagLayout(AVStream* video, ViewLayout layout, std::string& note);

  // Opens the temporary file and writes the header: nothing is written
  // before every stream is added.
  void Begin();
  // Sends `frame` (null: the end) to `codec` and writes every packet it
  // gives into `stream`.
  void Encode(AVCodecContext* codec, AVStream* stream, const AVFrame* frame);
  // Writes the trailer and renames the file to the target's name.
  void Finish();

 private:
  void OpenMuxer(const std::string& file);

  std::string path_;
  std::string temp_;  // "" once renamed, and for a target written in place
  Container container_ = Container::MKV;
  ffmpeg::OutputPtr format_;
  ffmpeg::PacketPtr packet_;
};

}  // namespace tandemix::render
