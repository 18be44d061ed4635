// The video services of the running program: media files through FFmpeg,
// .avs scripts through the embedded script engine.
#pragma once

#include "platform/VideoServices.h"

namespace tandemix {

class DefaultVideoServices : public VideoServices {
 public:
  VideoInfo ReadVideoInfo(const std::string& path) override;
  VideoInfo MeasureVideo(const std::string& path, const MeasureProgress& progress) override;
  FrameBGR DecodeFrame(const std::string& path, int n) override;
};

// True when the path names an AviSynth script (".avs", any letter case).
bool IsScriptPath(const std::string& path);

}  // namespace tandemix
