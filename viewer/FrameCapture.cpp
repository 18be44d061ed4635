#include "viewer/FrameCapture.h"

#include "base/Errors.h"
#include "media/BmpFile.h"

namespace tandemix {

void GrabFrame(VideoServices& video, const std::string& script, int n, const std::string& bitmapPath) {
  if (n < 0)
    throw TandemixError("Frame " + std::to_string(n) + " is out of range: " + script + " has no negative frames");
  const FrameBGR frame = video.DecodeFrame(script, n);
  if (frame.Empty()) throw TandemixError("Frame " + std::to_string(n) + " of " + script + " is empty");
  SaveBmp24(bitmapPath, frame);
}

}  // namespace tandemix
