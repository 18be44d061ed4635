#include "project/ClipLoading.h"

#include <algorithm>

#include "project/CameraPair.h"

namespace tandemix {
namespace {

bool NeedsVideo(FileType fileType) { return fileType == FileType::Avi || fileType == FileType::Video; }

ClipLoadOutcome Refused(const std::string& message, const std::string& detail = {}) {
  return {false, kVideoFileErrorCaption, message, detail};
}

// The offset bar lets one clip move against the other by up to the shorter
// clip's length less two frames either way; pictures have no offset.
void SetOffsetRange(ViewerState& viewer, FileType fileType, int maximum) {
  if (fileType == FileType::Picture) {
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

// Measures a clip into its fields; a clip that measures 0 wide is refused
// (its name cleared) when the file type needs video.
// A cancelled measurement changes nothing.
enum class Measured { Accepted, Refused, Cancelled };

struct ClipFields {
  std::string& name;
  int& width;
  int& height;
  int& frameCount;
  double& rate;
  bool& hasSound;
};

Measured MeasureClip(FileType fileType, VideoServices& video, const std::string& path, const ClipFields& clip,
                     std::string& error, const MeasureProgress& progress) {
  const VideoInfo info = progress ? video.MeasureVideo(path, progress) : video.ReadVideoInfo(path);
  if (info.cancelled) return Measured::Cancelled;
  std::string& name = clip.name;
  name = path;
  const int width = clip.width = info.width;
  clip.height = info.height;
  clip.frameCount = info.frameCount;
  clip.rate = info.Ok() ? info.rate : 0.0;
  clip.hasSound = info.hasSound;
  error = info.error;
  if (width == 0 && NeedsVideo(fileType)) {
    name.clear();
    return Measured::Refused;
  }
  return Measured::Accepted;
}

ClipLoadOutcome Cancelled() {
  ClipLoadOutcome outcome;
  outcome.cancelled = true;
  return outcome;
}

}  // namespace

std::string StartHint(const ProjectState& p) {
  if (p.clipAFileName.empty() && p.fileType != FileType::Custom)
    return "Start here: choose the file type, then Load Clips (left, then right). F1 opens the manual.";
  if (p.BlockAt(Block::Output).empty())
    return "Next: click the Output block, pick an output template (for example SideBySide_Output), press Add, "
           "then Open preview.";
  return {};
}

std::string RefusalText(const ClipLoadOutcome& outcome, const std::string& path) {
  std::string text = outcome.message + "\n\nFile: " + path;
  if (!outcome.detail.empty()) text += "\n" + outcome.detail;
  return text;
}

std::string ShownClipName(const std::string& path) {
  if (path.size() < 38) return path;
  return path.substr(0, 5) + "..." + path.substr(path.size() - 30);
}

Check CheckScriptPath(const std::string& path) {
  if (path.find_first_of("\"\r\n") == std::string::npos) return {};
  return Check::Refused(
      "The file name contains a double quote or a line break, so it cannot be written into a script: " + path);
}

ClipLoadOutcome LoadLeftClip(ProjectState& p, ViewerState& viewer, VideoServices& video, const std::string& path,
                             const MeasureProgress& progress) {
  if (const Check check = CheckScriptPath(path); !check.Passed()) return Refused(check.Why());
  std::string error;
  const Measured measured =
      MeasureClip(p.fileType, video, path,
                  {p.clipAFileName, p.leftClipWidth, p.leftClipHeight, p.leftFrameCount, p.leftRate, p.leftHasSound},
                  error, progress);
  if (measured == Measured::Cancelled) return Cancelled();
  if (measured == Measured::Refused) return Refused(kNotSupportedVideoMessage, error);
  // The answers about the last pair's cameras do not hold for a new one.
  p.conformRate = false;
  p.scaleRightToLeft = false;
  p.outputScriptName = (path.size() >= 4 ? path.substr(0, path.size() - 4) : std::string()) + ".avs";
  if (p.importStereo) {
    p.clipBFileName = p.clipAFileName;
    if (p.fileType != FileType::Picture) p.rightFrameCount = p.leftFrameCount;
    p.rightRate = p.leftRate;
    p.rightHasSound = p.leftHasSound;
    SetOffsetRange(viewer, p.fileType, p.leftFrameCount - 2);
  }
  return {true, {}, {}, {}, false};
}

ClipLoadOutcome LoadRightClip(ProjectState& p, ViewerState& viewer, VideoServices& video, const std::string& path,
                              const MeasureProgress& progress) {
  if (const Check check = CheckScriptPath(path); !check.Passed()) return Refused(check.Why());
  std::string error;
  const Measured measured = MeasureClip(
      p.fileType, video, path,
      {p.clipBFileName, p.rightClipWidth, p.rightClipHeight, p.rightFrameCount, p.rightRate, p.rightHasSound}, error,
      progress);
  if (measured == Measured::Cancelled) return Cancelled();
  if (measured == Measured::Refused) return Refused(kNotSupportedVideoMessage, error);
  p.conformRate = false;
  p.scaleRightToLeft = false;
  // The offset counts frames of the left clip.
  SetOffsetRange(viewer, p.fileType, std::min(p.leftFrameCount - 2, RightLengthInLeftFrames(p) - 2));
  return {true, {}, {}, {}, false};
}

namespace {

// Every kind of file the engine's sources open: containers of video,
// pictures and scripts.
const std::vector<std::string> kMediaPatterns = {"*.mp4", "*.mkv",  "*.mov",  "*.m2ts", "*.mts", "*.avi",  "*.webm",
                                                 "*.mpg", "*.mpeg", "*.ts",   "*.wmv",  "*.m2v", "*.mpv",  "*.vob",
                                                 "*.flv", "*.3gp",  "*.mxf",  "*.dv",   "*.jpg", "*.jpeg", "*.png",
                                                 "*.bmp", "*.tif",  "*.tiff", "*.avs"};

// "Description (*.a *.b)|*.a;*.b"
std::string Filter(const std::string& description, const std::vector<std::string>& patterns) {
  std::string shown, list;
  for (const std::string& p : patterns) {
    shown += (shown.empty() ? "" : " ") + p;
    list += (list.empty() ? "" : ";") + p;
  }
  return description + " (" + shown + ")|" + list;
}

}  // namespace

std::vector<std::string> ClipDialogFilters(FileType type) {
  std::vector<std::string> filters = {"AVI Video Files (*.avi)|*.avi", "AVS Video Files (*.avs)|*.avs",
                                      "Project Files (*.d2v)|*.d2v", "All Files (*.*)|*.*",
                                      "MPEG2 Files (*.m2v,*.mp2,*.mpv,*.mpg,*.vob)|*.m2v;*.mp2;*.mpv;*.mpg;*.vob"};
  std::vector<std::string> own;
  std::string name = "All media files";
  if (type == FileType::Video) {
    own = {"*.mp4", "*.mkv", "*.mov", "*.m2ts", "*.mts", "*.avi", "*.webm", "*.mpg", "*.mpeg", "*.ts", "*.wmv"};
    filters.insert(filters.begin(), Filter("Video Files", own));
    name = "Video and all media files";
  } else if (type == FileType::Picture) {
    own = {"*.jpg", "*.jpeg", "*.png", "*.bmp", "*.tif", "*.tiff"};
    filters.insert(filters.begin(), Filter("Pictures", own));
    name = "Pictures and all media files";
  } else if (type == FileType::Avi) {
    own = {"*.avi"};
    name = "AVI and all media files";
  }
  // The first filter, the one the dialog shows, lists every file the
  // engine opens, the file type's own patterns first.
  std::vector<std::string> all = own;
  for (const std::string& p : kMediaPatterns)
    if (std::find(all.begin(), all.end(), p) == all.end()) all.push_back(p);
  filters.insert(filters.begin(), Filter(name, all));
  return filters;
}

}  // namespace tandemix
