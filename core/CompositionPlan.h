// How the two captured views are laid on the alignment canvas: each view's
// tilt and scale, and its margins on the common canvas, worked out before
// any pixel moves. The preview composes by it and the automatic alignment
// measures on it.
#pragma once

#include "core/Geometry.h"

namespace tandemix {

// What one view goes through, worked out before any pixel moves.
struct ViewPlan {
  FrameSize frame;       // the captured frame
  bool tilted = false;   // angle ≠ 0
  double radians = 0.0;  // the turn handed to RotateMatrix (the tilt negated)
  FrameSize rotated;     // after the tilt (the frame when not tilted)
  bool scaled = false;   // scale factor ≠ 1
  FrameSize scaledSize;  // after the scale
  Margins canvas;        // margins of the view on the common canvas, all ≥ 0
};

struct CompositionPlan {
  ViewPlan left;
  ViewPlan right;
  int canvasWidth = 0;
  int canvasHeight = 0;
};

// Sizes every step of a composition. Throws TandemixError, with a message
// that names the view and the size, when a value would break the limits: a
// tilt or scale that is not a finite number, a scale of 0 or below, a view
// under 2 × 2 that is to be scaled, or a view or canvas under 1 pixel, over
// kMaxPixDimension on a side or over kMaxPixCount pixels.
CompositionPlan PlanComposition(FrameSize leftFrame, FrameSize rightFrame, int horizontalShift, int verticalShift,
                                double scaleLeft, double scaleRight, double angleLeft, double angleRight,
                                bool autoCrop);

}  // namespace tandemix
