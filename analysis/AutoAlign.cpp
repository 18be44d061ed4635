#include "analysis/AutoAlign.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "analysis/OpenCvThreads.h"
#include "base/Errors.h"
#include "core/Geometry.h"

namespace tandemix {
namespace {

// Features are found on a copy at most this wide: SIFT's cost grows with
// the area, and its sub-pixel positions keep the fit well inside a pixel of
// the full frame.
constexpr int kWorkWidth = 960;
constexpr int kMaxFeatures = 1500;
constexpr float kRatio = 0.75f;  // Lowe's ratio test
constexpr int kRansacRounds = 400;
constexpr double kPercentileNear = 0.05;
constexpr double kPercentileFar = 0.95;
// Tilts and scales beyond these are not a stereo rig's error but a mismatch.
constexpr double kMaxTiltDegrees = 20.0;
constexpr double kMinRelativeScale = 0.5;
constexpr double kMaxRelativeScale = 2.0;
// Pixels: how far a correction must move the frame's corner to be made.
constexpr double kImperceptible = 0.1;

struct Match {
  double lx, ly, rx, ry;  // full-frame pixel positions
  int pair;               // which frame pair
};

struct Features {
  std::vector<cv::KeyPoint> points;
  cv::Mat descriptors;
  double factorX = 1.0, factorY = 1.0;  // working copy to full frame
};

void Detect(const FrameBGR& frame, Features& out) {
  const cv::Mat bgr(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.pixels.data()), frame.Stride());
  cv::Mat grey;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  if (grey.cols > kWorkWidth) {
    const int height = std::max(1, static_cast<int>(std::lround(grey.rows * double(kWorkWidth) / grey.cols)));
    cv::Mat small;
    cv::resize(grey, small, cv::Size(kWorkWidth, height), 0, 0, cv::INTER_AREA);
    out.factorX = double(grey.cols) / small.cols;
    out.factorY = double(grey.rows) / small.rows;
    grey = small;
  }
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create(kMaxFeatures);
  sift->detectAndCompute(grey, cv::noArray(), out.points, out.descriptors);
}

void CheckFrame(const FrameBGR& frame, const char* name) {
  if (frame.Empty() || frame.pixels.size() < frame.Stride() * static_cast<std::size_t>(frame.height))
    throw TandemixError(std::string("The ") + name + " frame is empty.");
}

// Ratio-tested matches of one pair, in full-frame pixels.
void MatchPair(const FrameBGR& left, const FrameBGR& right, int pairIndex, std::vector<Match>& matches) {
  std::array<Features, 2> features;
  cv::parallel_for_(cv::Range(0, 2), [&](const cv::Range& range) {
    for (int i = range.start; i < range.end; ++i) Detect(i == 0 ? left : right, features[i]);
  });
  const Features& l = features[0];
  const Features& r = features[1];
  if (l.points.size() < 2 || r.points.size() < 2) return;
  std::vector<std::vector<cv::DMatch>> knn;
  cv::BFMatcher matcher(cv::NORM_L2);
  matcher.knnMatch(l.descriptors, r.descriptors, knn, 2);
  for (const auto& pair : knn) {
    if (pair.size() < 2 || pair[0].distance >= kRatio * pair[1].distance) continue;
    const cv::Point2f& a = l.points[pair[0].queryIdx].pt;
    const cv::Point2f& b = r.points[pair[0].trainIdx].pt;
    matches.push_back(Match{(a.x + 0.5) * l.factorX - 0.5, (a.y + 0.5) * l.factorY - 0.5, (b.x + 0.5) * r.factorX - 0.5,
                            (b.y + 0.5) * r.factorY - 0.5, pairIndex});
  }
}

// One view's pixels around its frame centre, the way the compositor turns it.
struct Centred {
  double lx, ly, rx, ry;
};

// The tilt of the left view, the tilt of the right one, the left view's
// scale against the right and the vertical offset: the row of every match
// on the canvas, sL·y(R(aL)·l) + c = y(R(aR)·r).
struct Fit {
  double angleLeft = 0.0;  // radians
  double angleRight = 0.0;
  double scale = 1.0;
  double offset = 0.0;

  double Residual(const Centred& m) const {
    const double yl = scale * (std::sin(angleLeft) * m.lx + std::cos(angleLeft) * m.ly) + offset;
    const double yr = std::sin(angleRight) * m.rx + std::cos(angleRight) * m.ry;
    return yl - yr;
  }
};

// Least squares of t = p·u + q·w + c over the chosen points.
bool SolveLinear(const std::vector<std::array<double, 3>>& rows, const std::vector<int>& chosen,
                 std::array<double, 3>& solution) {
  cv::Matx33d ata = cv::Matx33d::zeros();
  cv::Vec3d atb(0, 0, 0);
  for (int i : chosen) {
    const cv::Vec3d a(rows[i][0], rows[i][1], 1.0);
    ata += a * a.t();
    atb += a * rows[i][2];
  }
  cv::Vec3d x;
  if (!cv::solve(ata, atb, x, cv::DECOMP_CHOLESKY)) return false;
  if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) return false;
  solution = {x[0], x[1], x[2]};
  return true;
}

// The row of one view's match as a linear function of the other view's
// position: RANSAC on three points, then least squares on the consistent
// ones. `turnLeft` puts the turn and scale on the left view.
bool FitOneTurn(const std::vector<Centred>& points, bool turnLeft, double threshold, Fit& fit) {
  std::vector<std::array<double, 3>> rows;
  rows.reserve(points.size());
  for (const Centred& m : points)
    rows.push_back(turnLeft ? std::array<double, 3>{m.lx, m.ly, m.ry} : std::array<double, 3>{m.rx, m.ry, m.ly});
  const int n = static_cast<int>(rows.size());
  if (n < 3) return false;
  auto consistent = [&](const std::array<double, 3>& s) {
    std::vector<int> in;
    for (int i = 0; i < n; ++i)
      if (std::fabs(s[0] * rows[i][0] + s[1] * rows[i][1] + s[2] - rows[i][2]) <= threshold) in.push_back(i);
    return in;
  };
  std::mt19937 random(12345);  // the same pair gives the same proposal
  std::uniform_int_distribution<int> pick(0, n - 1);
  std::vector<int> best;
  for (int round = 0; round < kRansacRounds; ++round) {
    const int a = pick(random), b = pick(random), c = pick(random);
    if (a == b || b == c || a == c) continue;
    std::array<double, 3> s;
    if (!SolveLinear(rows, {a, b, c}, s)) continue;
    std::vector<int> in = consistent(s);
    if (in.size() > best.size()) best = std::move(in);
  }
  if (best.size() < 3) return false;
  std::array<double, 3> s{};
  for (int pass = 0; pass < 3; ++pass) {
    if (!SolveLinear(rows, best, s)) return false;
    std::vector<int> in = consistent(s);
    if (in.size() < 3) return false;
    best = std::move(in);
  }
  // t = s·sin(a)·u + s·cos(a)·w + c
  const double scale = std::hypot(s[0], s[1]);
  const double angle = std::atan2(s[0], s[1]);
  if (turnLeft) {
    fit = Fit{angle, 0.0, scale, s[2]};
  } else {
    // sR·y(R(aR)·r) + c = y(l), divided by sR.
    fit = Fit{0.0, angle, 1.0 / scale, -s[2] / scale};
  }
  return true;
}

// For fixed tilts the scale and offset are linear: least squares over `in`.
Fit FitScaleAndOffset(const std::vector<Centred>& points, const std::vector<int>& in, double angleLeft,
                      double angleRight) {
  double su = 0, sw = 0, suu = 0, suw = 0;
  for (int i : in) {
    const Centred& m = points[i];
    const double u = std::sin(angleLeft) * m.lx + std::cos(angleLeft) * m.ly;
    const double w = std::sin(angleRight) * m.rx + std::cos(angleRight) * m.ry;
    su += u;
    sw += w;
    suu += u * u;
    suw += u * w;
  }
  const double n = static_cast<double>(in.size());
  const double det = n * suu - su * su;
  Fit fit{angleLeft, angleRight, 1.0, 0.0};
  if (det != 0.0) {
    fit.scale = (n * suw - su * sw) / det;
    fit.offset = (sw - fit.scale * su) / n;
  }
  return fit;
}

double SumOfSquares(const std::vector<Centred>& points, const std::vector<int>& in, const Fit& fit) {
  double sum = 0.0;
  for (int i : in) sum += fit.Residual(points[i]) * fit.Residual(points[i]);
  return sum;
}

// Half the tilt to each view: a search over the left view's share.
Fit FitSplit(const std::vector<Centred>& points, const std::vector<int>& in, double totalAngle) {
  auto cost = [&](double a) { return SumOfSquares(points, in, FitScaleAndOffset(points, in, a, -a)); };
  double lo = totalAngle / 2 - 0.02, hi = totalAngle / 2 + 0.02;  // ±1.1° around the half
  const double g = (std::sqrt(5.0) - 1) / 2;
  double x1 = hi - g * (hi - lo), x2 = lo + g * (hi - lo);
  double f1 = cost(x1), f2 = cost(x2);
  for (int i = 0; i < 60; ++i) {
    if (f1 < f2) {
      hi = x2;
      x2 = x1;
      f2 = f1;
      x1 = hi - g * (hi - lo);
      f1 = cost(x1);
    } else {
      lo = x1;
      x1 = x2;
      f1 = f2;
      x2 = lo + g * (hi - lo);
      f2 = cost(x2);
    }
  }
  const double a = (lo + hi) / 2;
  return FitScaleAndOffset(points, in, a, -a);
}

std::vector<int> Consistent(const std::vector<Centred>& points, const Fit& fit, double threshold) {
  std::vector<int> in;
  for (int i = 0; i < static_cast<int>(points.size()); ++i)
    if (std::fabs(fit.Residual(points[i])) <= threshold) in.push_back(i);
  return in;
}

double MedianAbsResidual(const std::vector<Centred>& points, const std::vector<int>& in, const Fit& fit) {
  std::vector<double> r;
  r.reserve(in.size());
  for (int i : in) r.push_back(std::fabs(fit.Residual(points[i])));
  if (r.empty()) return 0.0;
  std::nth_element(r.begin(), r.begin() + r.size() / 2, r.end());
  return r[r.size() / 2];
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const double index = p * (values.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(index));
  const std::size_t above = std::min(values.size() - 1, below + 1);
  return values[below] + (index - below) * (values[above] - values[below]);
}

double RoundTo(double value, double step) { return std::round(value / step) * step; }

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

std::string AlignmentProposal::Summary() const {
  return std::to_string(matches) + " matches, " + Fixed(verticalDisparity, 2) + " px vertical disparity left";
}

CanvasMapping::CanvasMapping(FrameSize left, FrameSize right, const AlignmentProposal& p, bool autoCrop)
    : plan_(PlanComposition(left, right, p.shiftH, p.shiftV, p.scaleLeft / 100.0, p.scaleRight / 100.0, p.angleLeft,
                            p.angleRight, autoCrop)) {}

CanvasPoint CanvasMapping::Map(const ViewPlan& view, CanvasPoint p) {
  double x = p.x, y = p.y;
  if (view.tilted) {
    // RotateMatrix samples the source at R(radians)·(destination − its
    // centre), so the picture turns by −radians about whole-pixel centres.
    const double a = -view.radians;
    const double dx = x - view.frame.width / 2, dy = y - view.frame.height / 2;
    x = std::cos(a) * dx - std::sin(a) * dy + view.rotated.width / 2;
    y = std::sin(a) * dx + std::cos(a) * dy + view.rotated.height / 2;
  }
  if (view.scaled) {
    // ResizeMatrix samples column j at j·step / 65536, step rounded down.
    const double stepX = std::floor(view.rotated.width * 65536.0 / view.scaledSize.width);
    const double stepY = std::floor(view.rotated.height * 65536.0 / view.scaledSize.height);
    x = x * 65536.0 / stepX;
    y = y * 65536.0 / stepY;
  }
  return CanvasPoint{x + view.canvas.left, y + view.canvas.top};
}

AlignmentProposal AutoAligner::Align(const FrameBGR& left, const FrameBGR& right) const {
  std::vector<std::pair<FrameBGR, FrameBGR>> pairs;
  pairs.emplace_back(left, right);
  return Align(pairs);
}

AlignmentProposal AutoAligner::Align(const std::vector<std::pair<FrameBGR, FrameBGR>>& pairs) const {
  if (pairs.empty()) throw TandemixError("There is no frame pair to align.");
  MatchOpenCvThreads();
  const FrameSize leftSize{pairs[0].first.width, pairs[0].first.height};
  const FrameSize rightSize{pairs[0].second.width, pairs[0].second.height};
  std::vector<Match> matches;
  for (std::size_t index = 0; index < pairs.size(); ++index) {
    const auto& [left, right] = pairs[index];
    CheckFrame(left, "left");
    CheckFrame(right, "right");
    if (left.width != leftSize.width || left.height != leftSize.height || right.width != rightSize.width ||
        right.height != rightSize.height)
      throw TandemixError("The frames to align differ in size from the first pair.");
    MatchPair(left, right, static_cast<int>(index), matches);
  }

  AlignmentProposal proposal;
  proposal.candidates = static_cast<int>(matches.size());
  const std::string tooFew = "too few matching points: ";
  if (proposal.candidates < options_.minimumMatches) throw TandemixError(tooFew + std::to_string(proposal.candidates));

  std::vector<Centred> points;
  points.reserve(matches.size());
  for (const Match& m : matches)
    points.push_back(Centred{m.lx - leftSize.width / 2, m.ly - leftSize.height / 2, m.rx - rightSize.width / 2,
                             m.ry - rightSize.height / 2});

  // Matches farther than this from the fitted row do not count; a feature
  // found on a reduced copy is placed within about a third of its pixel.
  const double scaleBack = std::max(1.0, double(std::max(leftSize.width, rightSize.width)) / kWorkWidth);
  const double threshold = 1.0 * scaleBack;

  Fit onLeft, onRight;
  const bool leftOk = FitOneTurn(points, true, threshold, onLeft);
  const bool rightOk = FitOneTurn(points, false, threshold, onRight);
  if (!leftOk && !rightOk) throw TandemixError(tooFew + "0 consistent");
  Fit fit = leftOk ? onLeft : onRight;
  if (leftOk && rightOk) {
    // The turn belongs where it explains the matches: turning the wrong view
    // mixes the depth (horizontal disparity) into the rows.
    std::vector<int> either = Consistent(points, onLeft, threshold);
    for (int i : Consistent(points, onRight, threshold)) either.push_back(i);
    std::sort(either.begin(), either.end());
    either.erase(std::unique(either.begin(), either.end()), either.end());
    fit = MedianAbsResidual(points, either, onRight) < MedianAbsResidual(points, either, onLeft) ? onRight : onLeft;
  }
  std::vector<int> in = Consistent(points, fit, threshold);
  if (options_.tilt == TiltPlacement::Split) {
    fit = FitSplit(points, in, fit.angleLeft - fit.angleRight);
    in = Consistent(points, fit, threshold);
  }
  proposal.matches = static_cast<int>(in.size());
  if (proposal.matches < options_.minimumMatches) throw TandemixError(tooFew + std::to_string(proposal.matches));
  const double tiltDegrees = (fit.angleLeft - fit.angleRight) / kDegreesToRadians;
  if (!std::isfinite(fit.scale) || fit.scale < kMinRelativeScale || fit.scale > kMaxRelativeScale ||
      std::fabs(tiltDegrees) > kMaxTiltDegrees)
    throw TandemixError("the matches do not fit one tilt and scale (" + Fixed(tiltDegrees, 2) + " degrees, " +
                        Fixed(fit.scale * 100.0, 1) + " %)");

  // A correction that moves no pixel by a tenth of a pixel is left out:
  // the view is not resampled for nothing.
  const double halfDiagonal = std::hypot(leftSize.width, leftSize.height) / 2;
  if (std::fabs(fit.angleLeft - fit.angleRight) * halfDiagonal < kImperceptible) fit.angleLeft = fit.angleRight = 0.0;
  if (std::fabs(fit.scale - 1.0) * halfDiagonal < kImperceptible) fit.scale = 1.0;

  // The compositor's terms, rounded to what is reported. The scale goes to
  // the smaller view: the other keeps 100 %.
  proposal.angleLeft = RoundTo(fit.angleLeft / kDegreesToRadians, kProposalAngleStep);
  proposal.angleRight = RoundTo(fit.angleRight / kDegreesToRadians, kProposalAngleStep);
  if (fit.scale >= 1.0) {
    proposal.scaleLeft = RoundTo(fit.scale * 100.0, kProposalScaleStep);
  } else {
    proposal.scaleRight = RoundTo(100.0 / fit.scale, kProposalScaleStep);
  }

  // Whole-pixel shifts from where the compositor puts the matches.
  auto disparities = [&](const CanvasMapping& mapping, std::vector<double>& dx, std::vector<double>& dy) {
    dx.clear();
    dy.clear();
    for (int i : in) {
      const Match& m = matches[i];
      const CanvasPoint l = mapping.Left({m.lx, m.ly});
      const CanvasPoint r = mapping.Right({m.rx, m.ry});
      dx.push_back(r.x - l.x);
      dy.push_back(r.y - l.y);
    }
  };
  std::vector<double> dx, dy;
  disparities(CanvasMapping(leftSize, rightSize, proposal, options_.autoCrop), dx, dy);
  const double rowOffset = Percentile(dy, 0.5);
  proposal.shiftV = RoundHalfEven(rowOffset);
  std::vector<double> spread;
  for (double d : dy) spread.push_back(std::fabs(d - rowOffset));
  proposal.fitDisparity = Percentile(spread, 0.5);
  const double windowAt = options_.window == StereoWindow::Near     ? kPercentileNear
                          : options_.window == StereoWindow::Median ? 0.5
                                                                    : kPercentileFar;
  proposal.shiftH = RoundHalfEven(Percentile(dx, windowAt));

  const CanvasMapping applied(leftSize, rightSize, proposal, options_.autoCrop);
  disparities(applied, dx, dy);
  for (double& d : dy) d = std::fabs(d);
  proposal.canvasMatches.reserve(in.size());
  for (int i : in) {
    const Match& m = matches[i];
    proposal.canvasMatches.push_back(CanvasMatch{applied.Left({m.lx, m.ly}), applied.Right({m.rx, m.ry})});
  }
  proposal.verticalDisparity = Percentile(dy, 0.5);
  proposal.confidence = double(proposal.matches) / proposal.candidates;
  proposal.leftFrame = leftSize;
  proposal.rightFrame = rightSize;
  proposal.inliers.reserve(in.size());
  for (int i : in) {
    const Match& m = matches[i];
    proposal.inliers.push_back(AlignedMatch{m.lx, m.ly, m.rx, m.ry, m.pair});
  }
  return proposal;
}

}  // namespace tandemix
