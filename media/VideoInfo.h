// The measurements of a media file or script: size, frame count, rate and
// the type of its frames, or why it could not be measured.
#pragma once

#include <functional>
#include <string>

#include "base/Frame.h"

namespace tandemix {

struct VideoInfo {
  int width = 0;
  int height = 0;
  int frameCount = 0;
  double rate = 1.0;  // frames per second
  // Why the file could not be measured; empty on success. The measurement
  // itself is then 0, 0, 0 and rate 1.
  std::string error;
  // The user cancelled a long measurement; `error` says so.
  bool cancelled = false;
  // The type of the frames: a script's as its clip has it, a media file's
  // as the engine's sources deliver it (the decoder's own format, or the
  // nearest of AviSynth's types).
  PixelType pixelType = PixelType::RGB24;
  // The file or script has sound (a media file: a first audio stream that
  // can be decoded).
  bool hasSound = false;

  bool Ok() const { return error.empty(); }
};

// Told how far a long measurement has come (0 to 1); returns false to
// cancel it.
using MeasureProgress = std::function<bool(double fraction)>;

}  // namespace tandemix
