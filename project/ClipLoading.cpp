#include "project/ClipLoading.h"

#include <algorithm>

namespace tandemix {
namespace {

bool NeedsVideo(int fileType) { return fileType == kFileTypeAvi || fileType == kFileTypeVideo; }

ClipLoadOutcome Refused(const std::string& message) { return {false, kVideoFileErrorCaption, message}; }

// The offset bar lets one clip move against the other by up to the shorter
// clip's length less two frames either way; pictures have no offset.
void SetOffsetRange(ViewerState& viewer, int fileType, int maximum) {
  if (fileType == kFileTypePicture) {
    viewer.offset.position = 0;
    viewer.offsetEnabled = false;
    return;
  }
  viewer.offsetEnabled = true;
  viewer.offset.position = 0;
  maximum = std::max(maximum, 0);
  viewer.offset.maximum = maximum;
  viewer.offset.minimum = -maximum;
}

}  // namespace

std::string ShownClipName(const std::string& path) {
  if (path.size() < 38) return path;
  return path.substr(0, 5) + "..." + path.substr(path.size() - 30);
}

std::optional<std::string> UnsafeScriptPathMessage(const std::string& path) {
  if (path.find_first_of("\"\r\n") == std::string::npos) return std::nullopt;
  return "The file name contains a double quote or a line break, so it cannot be written into a script: " + path;
}

ClipLoadOutcome LoadLeftClip(ProjectState& p, ViewerState& viewer, VideoServices& video, const std::string& path) {
  if (auto message = UnsafeScriptPathMessage(path)) return Refused(*message);
  p.clipAFileName = path;
  p.leftClipWidth = 0;
  p.leftClipHeight = 0;
  const VideoInfo info = video.ReadVideoInfo(path);
  p.leftClipWidth = info.width;
  p.leftClipHeight = info.height;
  p.leftFrameCount = info.frameCount;
  if (p.leftClipWidth == 0 && NeedsVideo(p.fileType)) {
    p.clipAFileName.clear();
    return Refused(kNotSupportedVideoMessage);
  }
  p.outputScriptName = (path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string()) + ".avs";
  if (p.importStereo) {
    p.clipBFileName = p.clipAFileName;
    if (p.fileType != kFileTypePicture) p.rightFrameCount = p.leftFrameCount;
    SetOffsetRange(viewer, p.fileType, p.leftFrameCount - 2);
  }
  return {true, {}, {}};
}

ClipLoadOutcome LoadRightClip(ProjectState& p, ViewerState& viewer, VideoServices& video, const std::string& path) {
  if (auto message = UnsafeScriptPathMessage(path)) return Refused(*message);
  p.clipBFileName = path;
  p.rightClipWidth = 0;
  p.rightClipHeight = 0;
  const VideoInfo info = video.ReadVideoInfo(path);
  p.rightClipWidth = info.width;
  p.rightClipHeight = info.height;
  p.rightFrameCount = info.frameCount;
  if (p.rightClipWidth == 0 && NeedsVideo(p.fileType)) {
    p.clipBFileName.clear();
    return Refused(kNotSupportedVideoMessage);
  }
  SetOffsetRange(viewer, p.fileType, std::min(p.leftFrameCount - 2, p.rightFrameCount - 2));
  return {true, {}, {}};
}

}  // namespace tandemix
