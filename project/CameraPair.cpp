#include "project/CameraPair.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tandemix {
namespace {

bool TwoClips(const ProjectState& p) {
  return !p.importStereo && p.fileType != FileType::Picture && !p.clipAFileName.empty() && !p.clipBFileName.empty() &&
         p.leftClipWidth > 0 && p.rightClipWidth > 0;
}

// The right clip's width after scaling to the left's height: its shape
// kept, the nearest even number (every pixel type takes it).
int ScaledRightWidth(const ProjectState& p) {
  const double width = static_cast<double>(p.rightClipWidth) * p.leftClipHeight / p.rightClipHeight;
  return std::max(2, 2 * static_cast<int>(std::lround(width / 2.0)));
}

std::string Size(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

}  // namespace

bool RatesDiffer(const ProjectState& p) {
  if (!TwoClips(p) || !(p.leftRate > 0.0) || !(p.rightRate > 0.0)) return false;
  return std::fabs(p.leftRate - p.rightRate) > 1e-9 * p.leftRate;
}

bool SizesDiffer(const ProjectState& p) {
  return TwoClips(p) && p.rightClipHeight > 0 &&
         (p.leftClipWidth != p.rightClipWidth || p.leftClipHeight != p.rightClipHeight);
}

bool HeightsDiffer(const ProjectState& p) { return SizesDiffer(p) && p.leftClipHeight != p.rightClipHeight; }

std::string RateText(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", rate);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string RateQuestion(const ProjectState& p) {
  if (!RatesDiffer(p)) return {};
  return "The left clip runs at " + RateText(p.leftRate) + " frames per second and the right clip at " +
         RateText(p.rightRate) +
         ". Side by side, one view would run slow and the other stop early.\n\n"
         "Conform the right clip to " +
         RateText(p.leftRate) +
         " frames per second (ChangeFPS repeats or drops frames and keeps the time)?\n\n"
         "If not, the offset is counted in time and each clip is trimmed by its own frames.";
}

std::string SizeQuestion(const ProjectState& p) {
  if (!SizesDiffer(p)) return {};
  std::string text = "The left clip is " + Size(p.leftClipWidth, p.leftClipHeight) + " pixels and the right clip " +
                     Size(p.rightClipWidth, p.rightClipHeight) + ".";
  if (p.leftClipHeight == p.rightClipHeight)
    return text + " They have the same height; the narrower view is padded to the other's width.";
  return text + "\n\nScale the right clip to the left clip's height (" + Size(ScaledRightWidth(p), p.leftClipHeight) +
         ") instead of padding the smaller view with black?";
}

int RightFramesFor(const ProjectState& p, int leftFrames) {
  if (p.conformRate || !RatesDiffer(p)) return leftFrames;
  return static_cast<int>(std::lround(leftFrames * p.rightRate / p.leftRate));
}

int RightFramesInScript(const ProjectState& p) {
  if (!p.conformRate || !RatesDiffer(p)) return p.rightFrameCount;
  // ChangeFPS's count: the time kept, rounded to the nearest frame.
  return static_cast<int>(std::lround(p.rightFrameCount * p.leftRate / p.rightRate));
}

int RightLengthInLeftFrames(const ProjectState& p) {
  if (!RatesDiffer(p)) return p.rightFrameCount;
  return static_cast<int>(std::lround(p.rightFrameCount * p.leftRate / p.rightRate));
}

LineList RightConformLines(const ProjectState& p) {
  LineList lines;
  if (p.conformRate && RatesDiffer(p)) lines.push_back("ChangeFPS(ClipA)");
  if (p.scaleRightToLeft && HeightsDiffer(p))
    lines.push_back("Spline36Resize(" + std::to_string(ScaledRightWidth(p)) + "," + std::to_string(p.leftClipHeight) +
                    ")");
  return lines;
}

bool SoundFromRight(const ProjectState& p) { return TwoClips(p) && !p.leftHasSound && p.rightHasSound; }

}  // namespace tandemix
