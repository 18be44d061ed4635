// The depth budget of an aligned stereo pair: how far in front of and
// behind the screen the matched points lie (their horizontal parallax on the
// composed canvas), and whether that is comfortable to watch.
//
// Parallax is the right view's position minus the left view's, in canvas
// pixels: 0 on the screen plane, positive behind it (uncrossed), negative in
// front of it (crossed). Moving the left view right by one pixel (the
// horizontal displacement) lowers every parallax by one. With the views
// swapped (after the displacement) the eyes see the other view each: the
// parallax is the one seen, the left view's canvas is then shown to the
// right eye, and the same move raises every parallax by one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "analysis/AutoAlign.h"
#include "core/Geometry.h"
#include "core/SettingsKeys.h"

namespace tandemix {

// The limits a pair is held to.
struct DepthLimits {
  // The width of the screen the picture will be seen on, in metres; the
  // far limit depends on it.
  double screenWidthMetres = kDefaultScreenWidthMetres;
  // Separation on the screen beyond which the eyes would have to diverge
  // (about the distance between the eyes), in millimetres.
  double divergenceMillimetres = 65.0;
  // How far in front of the screen is still comfortable: crossed parallax
  // as a percentage of the picture width.
  double nearComfortPercent = kDefaultNearBudgetPercent;
};

// The defaults as numbers within reason; throws TandemixError naming the
// value otherwise ("the screen width must be between 0.1 and 100 m").
void CheckDepthLimits(const DepthLimits& limits);

// Robust ends of the distribution: the nearest and farthest points are these
// percentiles, so that a few wrong matches do not set them.
constexpr double kNearPercentile = 0.02;
constexpr double kFarPercentile = 0.98;
// A point nearer than the screen this close to a side edge of its view (a
// share of the width) counts as cut by the frame.
constexpr double kEdgeShare = 0.04;
// Parallax within this many pixels of 0 is on the screen plane.
constexpr double kScreenPlaneTolerance = 1.0;

// One matched point on the canvas.
struct ParallaxPoint {
  double leftX = 0.0;   // canvas column in the left view
  double rightX = 0.0;  // canvas column in the right view
  double y = 0.0;       // canvas row (the left view's)
  double Parallax() const { return rightX - leftX; }
};

// Where the two views lie on the canvas, and the picture width that the
// percentages refer to.
struct CanvasViews {
  double leftBegin = 0.0, leftEnd = 0.0;    // columns [begin, end) of the left view
  double rightBegin = 0.0, rightEnd = 0.0;  // and of the right one
  int width = 0;                            // the picture width (the left view's)
  // The views are swapped: the displacement moves the view the right eye
  // sees (see above).
  bool swapped = false;
};

enum class DepthWarningKind { Divergence, NearComfort, BrokenWindow };

struct DepthWarning {
  DepthWarningKind kind;
  std::string text;  // a sentence for the user
};

struct DepthReport {
  int points = 0;
  int width = 0;  // pixels, what the percentages refer to
  double nearPx = 0.0, medianPx = 0.0, farPx = 0.0;
  // The limits in canvas pixels: far parallax above farLimitPx diverges,
  // near parallax below -nearLimitPx is uncomfortable.
  double farLimitPx = 0.0;
  double nearLimitPx = 0.0;
  // A near point cut by the left or right frame edge, and the change of
  // the horizontal displacement that puts every such point behind the
  // screen (negative: move the left view left; positive when the views are
  // swapped), when one does so without breaking the far limit.
  bool brokenLeft = false, brokenRight = false;
  double brokenParallaxPx = 0.0;  // the nearest parallax found at an edge
  std::optional<int> windowFix;
  std::vector<DepthWarning> warnings;

  double Percent(double px) const { return width > 0 ? 100.0 * px / width : 0.0; }
  // "-1.35 % (-26 px)", never "-0".
  std::string Describe(double px) const;
  // "near -1.35 % (-26 px), median -0.52 % (-10 px), far 0.21 % (4 px)"
  std::string Summary() const;
};

// The report for points on a canvas; fewer than 2 points give an empty
// report (points = 0) with no warnings.
DepthReport MeasureDepth(const std::vector<ParallaxPoint>& points, const CanvasViews& views, const DepthLimits& limits);

// The inliers of `proposal` (optionally only those of one frame pair, -1 for
// all) placed on the canvas that composing the pair with the given
// alignment makes, and the views' places on it. The alignment need not be
// the proposal's own: the user may have moved it since. With the views
// swapped, each point's left and right places are the ones the left and
// right eye see (the right and the left view's).
struct ViewAlignment {
  int shiftH = 0, shiftV = 0;
  double scaleLeft = 100.0, scaleRight = 100.0;  // percent
  double angleLeft = 0.0, angleRight = 0.0;      // degrees
  bool autoCrop = false;
  bool swapViews = false;
};
ViewAlignment ValuesOf(const AlignmentProposal& proposal, bool autoCrop, bool swapViews = false);
std::vector<ParallaxPoint> PlaceOnCanvas(const std::vector<AlignedMatch>& matches, FrameSize left, FrameSize right,
                                         const ViewAlignment& values, CanvasViews& views, int pair = -1);

// The points' parallax counted into `bins` equal bins over [low, high];
// points outside fall into the end bins.
std::vector<int> ParallaxHistogram(const std::vector<ParallaxPoint>& points, double low, double high, int bins);

}  // namespace tandemix
