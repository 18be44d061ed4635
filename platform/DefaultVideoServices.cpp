#include "platform/DefaultVideoServices.h"

#include <algorithm>
#include <cctype>

#include "platform/MediaProbe.h"

namespace tandemix {

bool IsScriptPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".avs";
}

VideoInfo DefaultVideoServices::ReadVideoInfo(const std::string& path) {
  if (IsScriptPath(path)) {
    VideoInfo info;
    info.error = "Scripts cannot be measured: no script engine";
    return info;
  }
  return ProbeMediaFile(path);
}

bool DefaultVideoServices::DecodeFrame(const std::string& path, int, FrameBGR&, std::string& error) {
  error = "Cannot decode " + path + ": no decoder";
  return false;
}

}  // namespace tandemix
