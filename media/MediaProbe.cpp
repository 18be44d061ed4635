#include "media/MediaProbe.h"

#include <exception>

#include "media/MediaSource.h"

namespace tandemix {

VideoInfo ProbeMediaFile(const std::string& path, const MeasureProgress& progress) {
  VideoInfo info;
  try {
    const MediaSource source(path, 0, MediaSource::Output::Native, progress);
    const MediaDescription& d = source.Description();
    info.width = d.width;
    info.height = d.height;
    info.frameCount = d.frameCount;
    info.rate = d.Rate();
    info.pixelType = source.Type();
  } catch (const MeasuringCancelled& e) {
    info = VideoInfo();
    info.error = e.what();
    info.cancelled = true;
  } catch (const std::exception& e) {
    info.error = e.what();
  }
  return info;
}

}  // namespace tandemix
