#include "viewer/FrameCapture.h"

#include "base/Errors.h"
#include "media/BmpFile.h"

namespace tandemix {

void GrabFrame(VideoServices& video, const std::string& script, int n, const std::string& bitmapPath) {
  FrameBGR frame;
  std::string error;
  if (n < 0)
    throw TandemixError("Frame " + std::to_string(n) + " is out of range: " + script + " has no negative frames");
  if (!video.DecodeFrame(script, n, frame, error))
    throw TandemixError(error.empty() ? "Cannot decode " + script : error);
  if (frame.Empty()) throw TandemixError("Frame " + std::to_string(n) + " of " + script + " is empty");
  SaveBmp24(bitmapPath, frame);
}

}  // namespace tandemix
