// Scene cuts of a clip from the differences between successive sampled
// frames: a cut is a difference well above both a fixed floor and the
// differences around it, so that steady motion or a camera pan is not one.
#pragma once

#include <vector>

#include "base/Frame.h"

namespace tandemix {

// Mean absolute difference, 0 to 255, between small greyscale copies
// (32 x 18) of two frames; frames of any size compare.
class FrameSignature {
 public:
  static constexpr int kWidth = 32;
  static constexpr int kHeight = 18;
  explicit FrameSignature(const FrameBGR& frame);
  double Difference(const FrameSignature& other) const;

 private:
  std::vector<float> grey_;
};

// A difference below this is never a cut (of 255).
constexpr double kMinCutDifference = 18.0;
// A cut stands this many times above the median of its neighbours.
constexpr double kCutContrast = 3.0;
// How many differences on each side make the neighbourhood.
constexpr int kCutNeighbours = 6;

// differences[i] is between samples i and i + 1. Returns the samples that
// begin a new scene, in order (never 0).
std::vector<int> FindSceneCuts(const std::vector<double>& differences);

}  // namespace tandemix
