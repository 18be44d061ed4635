// The sound side of a render: the clip's samples fetched as far as the
// frames encoded, converted to what the sound encoder takes (rate, sample
// format) and encoded in whole encoder frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/frames/Clip.h"
#include "media/FFmpegPtr.h"
#include "render/RenderChoices.h"
#include "render/RenderTarget.h"

namespace tandemix::render {

class AudioStage {
 public:
  // Opens the encoder `settings` name for the clip's sound from frame
  // settings.start on, and adds its stream to `target`. Throws
  // TandemixError when this FFmpeg lacks the encoder or it refuses the sound.
  AudioStage(const engine::ClipPtr& clip, const RenderSettings& settings, RenderTarget& target);
  ~AudioStage();
  AudioStage(const AudioStage&) = delete;
  AudioStage& operator=(const AudioStage&) = delete;

  // What was changed to fit the encoder ("sound resampled ..."), or "".
  const std::string& Note() const { return note_; }
  // Encodes the clip's samples up to `end` (its own numbering).
  void EncodeUpTo(int64_t end);
  // Encodes what the resampler and the encoder hold back.
  void Finish();

 private:
  void Convert(const uint8_t** input, int count);
  void EncodeWholeFrames(bool last);

  engine::ClipPtr clip_;
  RenderTarget& target_;
  std::string note_;
  ffmpeg::CodecPtr codec_;
  AVStream* stream_ = nullptr;
  ffmpeg::ResamplerPtr resampler_;
  ffmpeg::FifoPtr fifo_;
  ffmpeg::AvFramePtr frame_;
  int frameSamples_ = 1024;
  int64_t nextSample_ = 0;
  int64_t pts_ = 0;
  std::vector<uint8_t> raw_;
  std::vector<int32_t> wide_;
};

// Sample n of a clip that starts at frame `frame`: frame * rate / fps, down.
int64_t SampleOfFrame(int64_t frame, const engine::ClipInfo& info);

}  // namespace tandemix::render
