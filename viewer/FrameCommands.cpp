#include "viewer/FrameCommands.h"

#include "base/Errors.h"
#include "media/BmpFile.h"
#include "viewer/FrameCapture.h"

namespace tandemix {
namespace {

void RequireScripts(const ScriptNames& names) {
  if (names.output.empty())
    throw TandemixError("There is no clip to capture yet: load the clips and use \"Open preview\" first.");
}

}  // namespace

void AdjustClip(VideoServices& video, const ScriptNames& names, int n, PreviewCompositor& compositor,
                const AlignmentSettings& settings) {
  RequireScripts(names);
  // The four boxes are read first: a non-number stops the command before
  // anything is captured or composed.
  settings.ScaleLeftFactor();
  settings.ScaleRightFactor();
  settings.AngleLeft();
  settings.AngleRight();
  const FrameBGR left = video.DecodeFrame(names.leftView, n);
  const FrameBGR right = video.DecodeFrame(names.rightView, n);
  SaveBmp24(names.leftImage, left);
  SaveBmp24(names.rightImage, right);
  compositor.LoadFrames(names.leftImage, names.rightImage);
  compositor.ComposeFromSettings(settings);
}

void SaveOutputFrame(VideoServices& video, const ScriptNames& names, int n, const std::string& bitmapPath) {
  RequireScripts(names);
  GrabFrame(video, names.output, n, bitmapPath);
}

}  // namespace tandemix
