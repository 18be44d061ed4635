// Measures media files (AVI, MPEG, MP4, MKV, still pictures, ...) through
// libavformat without decoding a frame.
#pragma once

#include <string>

#include "media/VideoInfo.h"

namespace tandemix {

// Size, exact frame count and frame rate (as a fraction) of a video stream.
struct MediaDescription {
  int width = 0;
  int height = 0;
  int frameCount = 0;
  int rateNumerator = 1;
  int rateDenominator = 1;

  double Rate() const { return static_cast<double>(rateNumerator) / rateDenominator; }
};

// Width, height, exact frame count and rate of the file's first video
// stream; 0, 0, 0, 1 with `error` set when it cannot be opened or has no
// video. Containers that store no frame count have their packets counted.
// `progress`, when given, hears how far the counting has come and may
// cancel it.
VideoInfo ProbeMediaFile(const std::string& path, const MeasureProgress& progress = {});

}  // namespace tandemix
