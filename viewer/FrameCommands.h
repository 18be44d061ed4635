// The clip viewer's two frame commands: "Adjust Clip" captures the track
// bar's frame of both view scripts and composes the first preview; "Save
// Frame" captures the output script's frame into a picture of the user's.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/VideoServices.h"
#include "preview/Compositor.h"
#include "script/ScriptGenerator.h"

namespace tandemix {

// Captures frame `n` of the left and right view scripts into the two image
// files, loads them and composes with the current settings. Both frames are
// decoded before either file is written: a capture that fails (no scripts
// yet, a script that does not open, no frame n) writes no picture, composes
// nothing and throws the reason. A non-number in the boxes throws its
// conversion message before anything is composed.
void AdjustClip(VideoServices& video, const ScriptNames& names, int n, PreviewCompositor& compositor,
                const AlignmentSettings& settings);

// The frame pairs of the two view scripts that Auto align fits together:
// frame `n` (the captured one) first, then up to `count - 1` more spread
// evenly over the views' common length, so that one frame's moving things
// do not decide the alignment. A further frame that does not decode is left
// out; frame `n` that does not throws the reason. `step`, when given, is
// told before each pair is read (done = pairs read so far, of `count`);
// false stops the reading with AlignCancelled.
std::vector<std::pair<FrameBGR, FrameBGR>> AlignmentFrames(VideoServices& video, const ScriptNames& names, int n,
                                                           int count,
                                                           const std::function<bool(int done, int total)>& step = {});

// Captures frame `n` of the output script into `bitmapPath`.
void SaveOutputFrame(VideoServices& video, const ScriptNames& names, int n, const std::string& bitmapPath);

}  // namespace tandemix
