#include "analysis/DepthBudget.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "base/Errors.h"
#include "core/CompositionPlan.h"

namespace tandemix {
namespace {

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0.0;
  const double index = p * (sorted.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(index));
  const std::size_t above = std::min(sorted.size() - 1, below + 1);
  return sorted[below] + (index - below) * (sorted[above] - sorted[below]);
}

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0, double d = 0.0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

std::string Amount(const DepthReport& r, double px) { return r.Describe(px); }

}  // namespace

std::string DepthReport::Describe(double px) const {
  // Rounded here, halves away from zero; adding 0 turns a -0 into 0.
  return Format("%.2f %% (%.0f px)", std::round(Percent(px) * 100.0) / 100.0 + 0.0, std::round(px) + 0.0);
}

void CheckDepthLimits(const DepthLimits& limits) {
  if (!(limits.screenWidthMetres >= 0.1 && limits.screenWidthMetres <= 100.0))
    throw TandemixError("The screen width must be between 0.1 and 100 m.");
  if (!(limits.divergenceMillimetres > 0.0 && limits.divergenceMillimetres <= 1000.0))
    throw TandemixError("The divergence limit must be above 0 and at most 1000 mm.");
  if (!(limits.nearComfortPercent > 0.0 && limits.nearComfortPercent <= 50.0))
    throw TandemixError("The near comfort budget must be above 0 and at most 50 % of the width.");
}

std::string DepthReport::Summary() const {
  if (points == 0) return "no depth measured";
  return "near " + Describe(nearPx) + ", median " + Describe(medianPx) + ", far " + Describe(farPx);
}

DepthReport MeasureDepth(const std::vector<ParallaxPoint>& points, const CanvasViews& views,
                         const DepthLimits& limits) {
  CheckDepthLimits(limits);
  DepthReport r;
  r.width = views.width;
  if (points.size() < 2 || views.width <= 0) return r;
  r.points = static_cast<int>(points.size());
  std::vector<double> parallax;
  parallax.reserve(points.size());
  for (const ParallaxPoint& p : points) parallax.push_back(p.Parallax());
  std::sort(parallax.begin(), parallax.end());
  r.nearPx = Percentile(parallax, kNearPercentile);
  r.medianPx = Percentile(parallax, 0.5);
  r.farPx = Percentile(parallax, kFarPercentile);
  // The far limit: the separation on the screen, as a share of its width.
  r.farLimitPx = limits.divergenceMillimetres / (1000.0 * limits.screenWidthMetres) * r.width;
  r.nearLimitPx = limits.nearComfortPercent / 100.0 * r.width;

  if (r.farPx > r.farLimitPx) {
    const double separationMm = r.farPx / r.width * limits.screenWidthMetres * 1000.0;
    const double largestScreen = limits.divergenceMillimetres / 1000.0 * r.width / r.farPx;
    r.warnings.push_back(
        {DepthWarningKind::Divergence,
         "The farthest points are " + Amount(r, r.farPx) + " apart: on a " + Format("%g", limits.screenWidthMetres) +
             " m wide screen that is " + Format("%.0f", separationMm) + " mm, more than the " +
             Format("%g", limits.divergenceMillimetres) + " mm the eyes can follow without diverging (it suits " +
             Format("%.2f", largestScreen) + " m at most)."});
  }
  if (-r.nearPx > r.nearLimitPx) {
    r.warnings.push_back({DepthWarningKind::NearComfort,
                          "The nearest points stand " + Amount(r, -r.nearPx) + " in front of the screen, beyond the " +
                              Format("%g", limits.nearComfortPercent) + " % comfort budget (" +
                              Format("%.0f", r.nearLimitPx) + " px)."});
  }

  // Points in front of the screen at a side edge of either view.
  const double edge = kEdgeShare * r.width;
  std::vector<double> cutLeft, cutRight;
  for (const ParallaxPoint& p : points) {
    if (p.Parallax() >= -kScreenPlaneTolerance) continue;
    if (p.leftX < views.leftBegin + edge || p.rightX < views.rightBegin + edge) cutLeft.push_back(p.Parallax());
    if (p.leftX >= views.leftEnd - edge || p.rightX >= views.rightEnd - edge) cutRight.push_back(p.Parallax());
  }
  // One stray match is not an object: two points at least, and the nearest
  // but one sets the depth.
  std::sort(cutLeft.begin(), cutLeft.end());
  std::sort(cutRight.begin(), cutRight.end());
  r.brokenLeft = cutLeft.size() >= 2;
  r.brokenRight = cutRight.size() >= 2;
  if (r.brokenLeft || r.brokenRight) {
    r.brokenParallaxPx = std::min(r.brokenLeft ? cutLeft[1] : 0.0, r.brokenRight ? cutRight[1] : 0.0);
    const int move = static_cast<int>(std::ceil(-r.brokenParallaxPx));
    const std::string where = r.brokenLeft && r.brokenRight ? "the left and right frame edges"
                              : r.brokenLeft                ? "the left frame edge"
                                                            : "the right frame edge";
    std::string text = "Something " + Amount(r, -r.brokenParallaxPx) + " in front of the screen is cut by " + where +
                       ": the stereo window is broken. ";
    if (r.farPx + move <= r.farLimitPx) {
      r.windowFix = views.swapped ? move : -move;
      text += "Moving the left view " + Format("%.0f", move) +
              (views.swapped ? " px to the right" : " px to the left") +
              " puts it behind the screen within the far limit.";
    } else {
      text += "No horizontal shift puts it behind the screen within the far limit (" +
              Format("%.0f", std::floor(r.farLimitPx)) + " px); crop or mask that edge.";
    }
    r.warnings.push_back({DepthWarningKind::BrokenWindow, text});
  }
  return r;
}

ViewAlignment ValuesOf(const AlignmentProposal& p, bool autoCrop, bool swapViews) {
  return ViewAlignment{p.shiftH, p.shiftV, p.scaleLeft, p.scaleRight, p.angleLeft, p.angleRight, autoCrop, swapViews};
}

std::vector<ParallaxPoint> PlaceOnCanvas(const std::vector<AlignedMatch>& matches, FrameSize left, FrameSize right,
                                         const ViewAlignment& v, CanvasViews& views, int pair) {
  const CompositionPlan plan = PlanComposition(left, right, v.shiftH, v.shiftV, v.scaleLeft / 100.0,
                                               v.scaleRight / 100.0, v.angleLeft, v.angleRight, v.autoCrop);
  views.leftBegin = plan.left.canvas.left;
  views.leftEnd = plan.left.canvas.left + plan.left.scaledSize.width;
  views.rightBegin = plan.right.canvas.left;
  views.rightEnd = plan.right.canvas.left + plan.right.scaledSize.width;
  views.width = plan.left.scaledSize.width;
  views.swapped = v.swapViews;
  if (v.swapViews) {
    std::swap(views.leftBegin, views.rightBegin);
    std::swap(views.leftEnd, views.rightEnd);
  }
  AlignmentProposal values;
  values.shiftH = v.shiftH;
  values.shiftV = v.shiftV;
  values.scaleLeft = v.scaleLeft;
  values.scaleRight = v.scaleRight;
  values.angleLeft = v.angleLeft;
  values.angleRight = v.angleRight;
  const CanvasMapping mapping(left, right, values, v.autoCrop);
  std::vector<ParallaxPoint> points;
  points.reserve(matches.size());
  for (const AlignedMatch& m : matches) {
    if (pair >= 0 && m.pair != pair) continue;
    const CanvasPoint l = mapping.Left({m.leftX, m.leftY});
    const CanvasPoint r = mapping.Right({m.rightX, m.rightY});
    points.push_back(v.swapViews ? ParallaxPoint{r.x, l.x, r.y} : ParallaxPoint{l.x, r.x, l.y});
  }
  return points;
}

std::vector<int> ParallaxHistogram(const std::vector<ParallaxPoint>& points, double low, double high, int bins) {
  std::vector<int> counts(static_cast<std::size_t>(std::max(bins, 0)), 0);
  if (bins <= 0 || !(high > low)) return counts;
  for (const ParallaxPoint& p : points) {
    const double at = (p.Parallax() - low) / (high - low) * bins;
    const int bin = std::clamp(static_cast<int>(std::floor(at)), 0, bins - 1);
    ++counts[bin];
  }
  return counts;
}

}  // namespace tandemix
