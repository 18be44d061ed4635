// What the program asks of video files and scripts: their measurements and
// single decoded frames. The window program and tandemix-cli hand the real
// services (FFmpeg for media files, the embedded engine for .avs scripts) to
// the logic; tests hand in fakes.
#pragma once

#include <string>

#include "base/Errors.h"
#include "base/Frame.h"
#include "media/VideoInfo.h"

namespace tandemix {

class VideoServices {
 public:
  virtual ~VideoServices() = default;

  // Width, height, exact frame count and rate of a media file or script;
  // 0, 0, 0, 1 (with `error` set) when it cannot be opened or described.
  virtual VideoInfo ReadVideoInfo(const std::string& path) = 0;

  // The same, telling `progress` how far it has come when the measurement
  // reads the whole file (a container that stores no frame count), and
  // stopping with `cancelled` set when `progress` returns false. Services
  // that never read long measure as ReadVideoInfo does.
  virtual VideoInfo MeasureVideo(const std::string& path, const MeasureProgress& progress) {
    (void)progress;
    return ReadVideoInfo(path);
  }

  // Decodes frame `n` (0-based) of a media file or script. Throws
  // TandemixError with the reason when the file cannot be opened, has no
  // video or no frame n.
  virtual FrameBGR DecodeFrame(const std::string& path, int n) = 0;
};

}  // namespace tandemix
