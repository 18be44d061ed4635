// Renders a clip to a movie file with libavcodec and libavformat, in
// process: the picture in the chosen codec, the clip's sound beside it,
// the 3D layout tagged where the container has a place for it.
//
// The file is written under a temporary name in the target's folder and
// renamed at the end, so a failure or a cancel leaves neither a half-written
// file nor the temporary one. Frames are made on a thread of their own (and
// the engine's workers) while the encoder works on the previous ones.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "base/Errors.h"
#include "engine/frames/Clip.h"
#include "render/RenderChoices.h"

namespace tandemix::render {

struct RenderProgress {
  int done = 0;  // frames encoded
  int total = 0;
  double elapsedSeconds = 0.0;
  std::string note;  // what was changed to fit the codec or the container; "" when nothing
};
using ProgressCallback = std::function<void(const RenderProgress&)>;

struct RenderResult {
  int frames = 0;
  bool sound = false;  // a sound stream was written
  ViewLayout layout = ViewLayout::None;
  std::string note;
};

// Thrown when the cancel flag was raised; nothing was written.
class RenderCancelled : public TandemixError {
 public:
  RenderCancelled() : TandemixError("Rendering was cancelled; no file was written") {}
};

// Encodes frames settings.start .. start+count-1 of `clip` (with their
// sound) into `path`, whose extension names the container. `layout` is the
// one to tag (None: no tag). `progress` is called after every
// frame on the calling thread; `cancel` is polled as often. Throws
// TandemixError with the reason: settings CheckSettings refuses, a start
// out of range, an encoder this FFmpeg lacks, a folder that cannot be
// written, a frame the script cannot make.
RenderResult RenderClip(const engine::ClipPtr& clip, const std::string& scriptName, const std::string& path,
                        const RenderSettings& settings, ViewLayout layout, const ProgressCallback& progress = {},
                        const std::atomic<bool>* cancel = nullptr);

// Opens the script (its errors name the line), or a media file as it is,
// and renders it, tagged with
// `layout` (the caller's choice, or the script's own: LayoutOfScriptFile).
RenderResult RenderScript(const std::string& script, const std::string& path, const RenderSettings& settings,
                          ViewLayout layout, const ProgressCallback& progress = {},
                          const std::atomic<bool>* cancel = nullptr);

}  // namespace tandemix::render
