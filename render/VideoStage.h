// The picture side of a render: the video encoder, and the engine's frames
// made fit for it (handed over as they are when the encoder takes their
// layout, converted and padded otherwise).
#pragma once

#include <string>

#include "base/Frame.h"
#include "engine/frames/Clip.h"
#include "media/FFmpegPtr.h"
#include "render/RenderChoices.h"
#include "render/RenderTarget.h"

namespace tandemix::render {

class VideoStage {
 public:
  // Opens the encoder `settings` name for frames of `info` made fit as
  // `plan` says, and adds its stream to `target`. Throws TandemixError when
  // this FFmpeg lacks the encoder or the encoder refuses the picture.
  VideoStage(const engine::ClipInfo& info, const std::string& scriptName, const RenderSettings& settings,
             const FramePlan& plan, RenderTarget& target);
  ~VideoStage();
  VideoStage(const VideoStage&) = delete;
  VideoStage& operator=(const VideoStage&) = delete;

  AVStream* Stream() const { return stream_; }
  // Encodes the clip's frame `index` (counted from the render's start).
  void Encode(FramePtr frame, int index);
  // Lets the encoder give what it holds back.
  void Finish();

 private:
  void FillFrame(const FrameBGR& frame);
  void BlackenPadding();
  void SendWrapped(FramePtr frame, int index);

  const engine::ClipInfo& info_;
  const std::string& scriptName_;
  const RenderSettings& settings_;
  FramePlan plan_;
  RenderTarget& target_;
  ffmpeg::CodecPtr codec_;
  AVStream* stream_ = nullptr;
  ffmpeg::AvFramePtr frame_;    // the converted picture
  ffmpeg::AvFramePtr wrapped_;  // an engine frame lent to the encoder
  ffmpeg::ScalerPtr scaler_;
  bool direct_ = false;
};

}  // namespace tandemix::render
