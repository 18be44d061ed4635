// Automatic alignment of a stereo pair: matched features in the two views
// give the tilt, scale and vertical shift that bring every match onto the
// same row, and a horizontal shift that sets the stereo window. The result
// is expressed in the compositor's own terms (tilt about the centre, then
// scale, then displacement of the left view on the common canvas), so that
// composing the pair with it gives the transform that was estimated.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/Frame.h"
#include "core/CompositionPlan.h"

namespace tandemix {

// Which matched points come to zero parallax (the screen plane).
enum class StereoWindow {
  Near,    // the nearest points (a low percentile): nothing stands out of the screen
  Median,  // the middle of the scene
  Far,     // the farthest points (a high percentile)
};

// Where the tilt goes.
enum class TiltPlacement {
  Auto,   // to the view whose turn explains the matches best
  Split,  // half to each view, in opposite directions
};

struct AutoAlignOptions {
  StereoWindow window = StereoWindow::Near;
  TiltPlacement tilt = TiltPlacement::Auto;
  // The compositor's Auto crop changes the tilted views' sizes, and with
  // them the half-pixel centring; the shifts are worked out for this state.
  bool autoCrop = false;
  // The pair is shown with its views exchanged (Swap L-R, after the
  // displacement): the window is placed for the parallax as it is seen
  // then, which is the other sign.
  bool swapViews = false;
  // Fewer consistent matches than this is a failure, not a guess.
  int minimumMatches = 16;
  // Told before each frame pair is matched (done = pairs matched so far)
  // and once more before the fit (done = total); false stops the work with
  // AlignCancelled. Called on the aligning thread.
  std::function<bool(int done, int total)> step;
};

// The work was stopped through AutoAlignOptions::step.
class AlignCancelled : public TandemixError {
 public:
  AlignCancelled() : TandemixError("cancelled") {}
};

// A match the fit kept: where a point lies in the captured left and right
// frames (pixels), and which of the aligned frame pairs it came from.
struct AlignedMatch {
  double leftX = 0.0, leftY = 0.0;
  double rightX = 0.0, rightY = 0.0;
  int pair = 0;
};

// Where a point of a view lands on the compositor's canvas when the pair is
// composed with a proposal: the arithmetic of the compositor's own pixel
// operations (centres on whole pixels, the resize's 16.16 step).
struct CanvasPoint {
  double x = 0.0;
  double y = 0.0;
};

// One consistent match with the proposal applied: where the point lies on
// the canvas in the left view and in the right one. The horizontal parallax
// is right.x - left.x (negative: nearer than the screen).
struct CanvasMatch {
  CanvasPoint left;
  CanvasPoint right;
};

// The proposal, in the adjustment window's units.
struct AlignmentProposal {
  double angleLeft = 0.0;     // degrees, positive turns clockwise
  double angleRight = 0.0;    // degrees
  double scaleLeft = 100.0;   // percent
  double scaleRight = 100.0;  // percent
  int shiftH = 0;             // pixels; positive moves the left view right
  int shiftV = 0;             // pixels; positive moves the left view down

  // What was found.
  int candidates = 0;  // ratio-tested matches over all frames
  int matches = 0;     // matches consistent with the fit
  // Median |vertical disparity| left with the proposal applied, in canvas
  // pixels, measured on matches the fit did not see (each half of the
  // matches against the fit made from the other half) and weighted so that
  // every area of the frame counts alike.
  double verticalDisparity = 0.0;
  // The same for the estimated transform before the shift is rounded to
  // whole pixels: how well the tilt and scale fit. The compositor centres
  // and shifts by whole pixels, so the applied figure can exceed this by up
  // to half a pixel.
  double fitDisparity = 0.0;
  // The fitted vertical shift is shiftV plus this; the compositor moves the
  // views by whole pixels.
  double shiftVRemainder = 0.0;
  // Share of the candidates that the fit explains, 0 to 1.
  double confidence = 0.0;
  // The matches the fit kept, in the captured frames (the depth of the
  // scene is measured on them for any alignment), and the frames' sizes.
  std::vector<AlignedMatch> inliers;
  FrameSize leftFrame, rightFrame;
  // The matches consistent with the fit, on the canvas.
  std::vector<CanvasMatch> canvasMatches;
  // Why the proposal may be off, in words: "few matches", "matches
  // clustered in one area", "a repeating pattern dominates".
  std::vector<std::string> cautions;

  // "412 matches, 0.30 px vertical disparity left", then the cautions
  // ("; few matches").
  std::string Summary() const;
};

// The degrees and percents are rounded to what the proposal reports.
constexpr double kProposalAngleStep = 0.001;  // degrees
constexpr double kProposalScaleStep = 0.001;  // percent

class AutoAligner {
 public:
  explicit AutoAligner(AutoAlignOptions options = {}) : options_(options) {}

  // Fits one proposal to one or more frame pairs (left, right), all pairs
  // of the same two sizes. Throws TandemixError with the reason when the
  // pair cannot be aligned: "too few matching points: 7", a frame missing
  // or sized unlike the first pair, views that no tilt and scale explain.
  AlignmentProposal Align(const std::vector<std::pair<FrameBGR, FrameBGR>>& pairs) const;
  AlignmentProposal Align(const FrameBGR& left, const FrameBGR& right) const;

 private:
  AutoAlignOptions options_;
};

class CanvasMapping {
 public:
  // Throws TandemixError when the compositor would refuse the values.
  CanvasMapping(FrameSize left, FrameSize right, const AlignmentProposal& proposal, bool autoCrop);
  CanvasPoint Left(CanvasPoint p) const { return Map(plan_.left, p); }
  CanvasPoint Right(CanvasPoint p) const { return Map(plan_.right, p); }

 private:
  static CanvasPoint Map(const ViewPlan& view, CanvasPoint p);
  CompositionPlan plan_;
};

}  // namespace tandemix
