#include "viewer/FrameCommands.h"

#include <algorithm>

#include "analysis/AutoAlign.h"
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

std::vector<std::pair<FrameBGR, FrameBGR>> AlignmentFrames(VideoServices& video, const ScriptNames& names, int n,
                                                           int count,
                                                           const std::function<bool(int done, int total)>& step) {
  RequireScripts(names);
  const auto goOn = [&](int done) {
    if (step && !step(done, std::max(count, 1))) throw AlignCancelled();
  };
  goOn(0);
  std::vector<std::pair<FrameBGR, FrameBGR>> pairs;
  pairs.emplace_back(video.DecodeFrame(names.leftView, n), video.DecodeFrame(names.rightView, n));
  const VideoInfo left = video.ReadVideoInfo(names.leftView);
  const VideoInfo right = video.ReadVideoInfo(names.rightView);
  const int length = std::min(left.frameCount, right.frameCount);
  const int more = count - 1;
  if (!left.Ok() || !right.Ok() || length < 2 || more < 1) return pairs;
  std::vector<int> chosen{n};
  for (int i = 0; i < more; ++i) {
    const int k = static_cast<int>((i + 0.5) * length / more);
    if (std::find(chosen.begin(), chosen.end(), k) != chosen.end()) continue;
    chosen.push_back(k);
    goOn(static_cast<int>(pairs.size()));
    try {
      FrameBGR l = video.DecodeFrame(names.leftView, k);
      FrameBGR r = video.DecodeFrame(names.rightView, k);
      if (l.width == pairs[0].first.width && l.height == pairs[0].first.height && r.width == pairs[0].second.width &&
          r.height == pairs[0].second.height)
        pairs.emplace_back(std::move(l), std::move(r));
    } catch (const TandemixError&) {
      // Fewer frames, not none: the captured one is there.
    }
  }
  return pairs;
}

void SaveOutputFrame(VideoServices& video, const ScriptNames& names, int n, const std::string& bitmapPath) {
  RequireScripts(names);
  GrabFrame(video, names.output, n, bitmapPath);
}

}  // namespace tandemix
