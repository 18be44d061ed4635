#include "platform/MediaProbe.h"

#include <exception>

#include "platform/MediaSource.h"

namespace tandemix {

VideoInfo ProbeMediaFile(const std::string& path) {
  VideoInfo info;
  try {
    const MediaSource source(path, 0);
    const MediaDescription& d = source.Description();
    info.width = d.width;
    info.height = d.height;
    info.frameCount = d.frameCount;
    info.rate = d.Rate();
  } catch (const std::exception& e) {
    info.error = e.what();
  }
  return info;
}

}  // namespace tandemix
