#include "analysis/AutoAlign.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
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
constexpr double kContrast = 0.02;  // SIFT's contrast threshold, half its usual
constexpr int kAreasAcross = 8;     // features are chosen per area
constexpr int kAreasDown = 6;
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
// Matches farther than this many thresholds from the fitted row are wrong.
constexpr double kGate = 4.0;
// Fewer matches than this make a proposal to check by eye.
constexpr int kFewMatches = 60;

struct Match {
  double lx, ly, rx, ry;  // full-frame pixel positions
  int pair;               // which frame pair
};

// A left feature whose best right candidates were too alike to tell apart
// (the ratio test refused it): on a repeating pattern they lie a period
// apart, and at most one of them on the feature's row when the pattern
// repeats down the view.
struct Ambiguous {
  double lx, ly;
  int pair;
  std::vector<cv::Point2d> right;  // the candidates nearly as like as the best
};
constexpr int kCandidates = 5;
constexpr float kAlike = 1.25f;  // of the best candidate's descriptor distance

struct Features {
  std::vector<cv::KeyPoint> points;
  cv::Mat descriptors;
  cv::Mat grey;                         // the full frame, 32-bit float
  double factorX = 1.0, factorY = 1.0;  // working copy to full frame
};

void Detect(const FrameBGR& frame, Features& out) {
  const cv::Mat bgr(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.pixels.data()), frame.Stride());
  cv::Mat grey;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  grey.convertTo(out.grey, CV_32F);
  if (grey.cols > kWorkWidth) {
    const int height = std::max(1, static_cast<int>(std::lround(grey.rows * double(kWorkWidth) / grey.cols)));
    cv::Mat small;
    cv::resize(grey, small, cv::Size(kWorkWidth, height), 0, 0, cv::INTER_AREA);
    out.factorX = double(grey.cols) / small.cols;
    out.factorY = double(grey.rows) / small.rows;
    grey = small;
  }
  // The strongest features of each area of the frame, not of the whole
  // frame: a low-contrast area (a board's grain) would otherwise go without,
  // and the fit would know nothing of the rows there.
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create(0, 3, kContrast);
  std::vector<cv::KeyPoint> found;
  sift->detect(grey, found);
  std::sort(found.begin(), found.end(),
            [](const cv::KeyPoint& a, const cv::KeyPoint& b) { return a.response > b.response; });
  constexpr int kAreas = kAreasAcross * kAreasDown;
  std::array<int, kAreas> taken{};
  std::vector<cv::KeyPoint> rest;
  for (const cv::KeyPoint& k : found) {
    const int ax = std::clamp(static_cast<int>(k.pt.x * kAreasAcross / grey.cols), 0, kAreasAcross - 1);
    const int ay = std::clamp(static_cast<int>(k.pt.y * kAreasDown / grey.rows), 0, kAreasDown - 1);
    if (taken[ay * kAreasAcross + ax] < kMaxFeatures / kAreas) {
      ++taken[ay * kAreasAcross + ax];
      out.points.push_back(k);
    } else {
      rest.push_back(k);
    }
  }
  for (std::size_t i = 0; i < rest.size() && out.points.size() < static_cast<std::size_t>(kMaxFeatures); ++i)
    out.points.push_back(rest[i]);
  sift->compute(grey, out.points, out.descriptors);
}

void CheckFrame(const FrameBGR& frame, const char* name) {
  if (frame.Empty() || frame.pixels.size() < frame.Stride() * static_cast<std::size_t>(frame.height))
    throw TandemixError(std::string("The ") + name + " frame is empty.");
}

// A feature's place comes from the reduced copy and from the scale it was
// found at, a good part of a full-frame pixel off; the rows of a real rig
// differ by about as much. The right view's place is refined on the full
// frames: the left view's patch around the point is looked for within a
// few pixels, and the peak of the normalised correlation is placed between
// rows by a parabola through it and the rows above and below. Only the row
// is taken: a patch across a depth edge sees two parallaxes, and the
// feature's own column is the better one there. A match whose patch is not
// found (flat, or unlike) keeps its place.
constexpr int kPatchRadius = 8;
constexpr int kSearchRadius = 3;
constexpr double kPatchLikeness = 0.8;

bool RefineRight(const cv::Mat& left, const cv::Mat& right, cv::Point2d a, cv::Point2d& b) {
  const int patch = 2 * kPatchRadius + 1, area = patch + 2 * kSearchRadius;
  const int margin = kPatchRadius + kSearchRadius + 2;
  if (a.x < margin || a.y < margin || a.x > left.cols - 1 - margin || a.y > left.rows - 1 - margin) return false;
  if (b.x < margin || b.y < margin || b.x > right.cols - 1 - margin || b.y > right.rows - 1 - margin) return false;
  cv::Mat templ, search, score;
  cv::getRectSubPix(left, cv::Size(patch, patch), cv::Point2f(static_cast<float>(a.x), static_cast<float>(a.y)), templ);
  const cv::Point2d centre(std::round(b.x), std::round(b.y));
  cv::getRectSubPix(right, cv::Size(area, area),
                    cv::Point2f(static_cast<float>(centre.x), static_cast<float>(centre.y)), search);
  cv::Scalar mean, deviation;
  cv::meanStdDev(templ, mean, deviation);
  if (deviation[0] < 2.0) return false;
  cv::matchTemplate(search, templ, score, cv::TM_CCOEFF_NORMED);
  double best = 0;
  cv::Point at;
  cv::minMaxLoc(score, nullptr, &best, nullptr, &at);
  if (best < kPatchLikeness || at.x == 0 || at.y == 0 || at.x == score.cols - 1 || at.y == score.rows - 1) return false;
  auto vertex = [](float before, float peak, float after) {
    const double d = before - 2.0 * peak + after;
    return d < 0 ? 0.5 * (before - after) / d : 0.0;
  };
  const double dy =
      vertex(score.at<float>(at.y - 1, at.x), score.at<float>(at.y, at.x), score.at<float>(at.y + 1, at.x));
  b = cv::Point2d(b.x, centre.y + at.y - kSearchRadius + dy);
  return true;
}

// Ratio-tested matches of one pair, in full-frame pixels, and the refused
// ones with their two candidates.
void MatchPair(const FrameBGR& left, const FrameBGR& right, int pairIndex, std::vector<Match>& matches,
               std::vector<Ambiguous>& ambiguous) {
  std::array<Features, 2> features;
  cv::parallel_for_(cv::Range(0, 2), [&](const cv::Range& range) {
    for (int i = range.start; i < range.end; ++i) Detect(i == 0 ? left : right, features[i]);
  });
  const Features& l = features[0];
  const Features& r = features[1];
  if (l.points.size() < 2 || r.points.size() < 2) return;
  std::vector<std::vector<cv::DMatch>> knn;
  cv::BFMatcher matcher(cv::NORM_L2);
  matcher.knnMatch(l.descriptors, r.descriptors, knn, kCandidates);
  // A match counts for the parallax only when the left feature is also the
  // right one's best: a repeat of a pattern that passed the ratio test
  // seldom is both ways.
  std::vector<cv::DMatch> back;
  matcher.match(r.descriptors, l.descriptors, back);
  std::vector<int> bestLeft(r.points.size(), -1);
  for (const cv::DMatch& m : back) bestLeft[m.queryIdx] = m.trainIdx;
  auto full = [](const cv::Point2f& p, const Features& f) {
    return cv::Point2d((p.x + 0.5) * f.factorX - 0.5, (p.y + 0.5) * f.factorY - 0.5);
  };
  for (const auto& pair : knn) {
    if (pair.size() < 2) continue;
    const cv::Point2d a = full(l.points[pair[0].queryIdx].pt, l);
    const cv::Point2d b = full(r.points[pair[0].trainIdx].pt, r);
    if (pair[0].distance >= kRatio * pair[1].distance || bestLeft[pair[0].trainIdx] != pair[0].queryIdx) {
      Ambiguous refused{a.x, a.y, pairIndex, {}};
      for (const cv::DMatch& candidate : pair) {
        if (candidate.distance > kAlike * pair[0].distance) break;
        cv::Point2d c = full(r.points[candidate.trainIdx].pt, r);
        RefineRight(l.grey, r.grey, a, c);
        refused.right.push_back(c);
      }
      ambiguous.push_back(std::move(refused));
      continue;
    }
    cv::Point2d refined = b;
    RefineRight(l.grey, r.grey, a, refined);
    matches.push_back(Match{a.x, a.y, refined.x, refined.y, pairIndex});
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
bool FitOneTurn(const std::vector<Centred>& points, bool turnLeft, double threshold, std::array<double, 3>& line) {
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
  line = s;
  return true;
}

// The tilt and scale of a row line t = p·u + q·w + c of the turned view.
Fit LineFit(bool turnLeft, const std::array<double, 3>& s) {
  // t = k·sin(a)·u + k·cos(a)·w + c
  const double scale = std::hypot(s[0], s[1]);
  const double angle = std::atan2(s[0], s[1]);
  if (turnLeft) return Fit{angle, 0.0, scale, s[2]};
  // kR·y(R(aR)·r) + c = y(l), divided by kR.
  return Fit{0.0, angle, 1.0 / scale, -s[2] / scale};
}

// A match as a row line's terms: the turned view's position (u, w), the
// other view's row t, and the match's weight.
struct Row {
  double u, w, t, weight;
};

Row MakeRow(const Centred& m, bool turnLeft, double weight) {
  return turnLeft ? Row{m.lx, m.ly, m.ry, weight} : Row{m.rx, m.ry, m.ly, weight};
}

// Values with weights: the shortest interval holding half the weight. Its
// half-width is the weighted median distance from its middle, the smallest
// such median over all middles.
struct HalfInterval {
  double halfWidth = 0.0;
  double middle = 0.0;
};

HalfInterval ShortestHalf(std::vector<std::pair<double, double>>& values) {
  HalfInterval best{std::numeric_limits<double>::infinity(), 0.0};
  if (values.empty()) return HalfInterval{};
  std::sort(values.begin(), values.end());
  double total = 0.0;
  for (const auto& v : values) total += v.second;
  double held = 0.0;
  std::size_t end = 0;  // one past the interval
  for (std::size_t begin = 0; begin < values.size(); ++begin) {
    while (end < values.size() && held < total / 2) held += values[end++].second;
    if (held < total / 2) break;
    const double width = values[end - 1].first - values[begin].first;
    if (width < 2 * best.halfWidth) best = HalfInterval{width / 2, (values[begin].first + values[end - 1].first) / 2};
    held -= values[begin].second;
  }
  return best;
}

double WeightedMedian(std::vector<std::pair<double, double>> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  double total = 0.0;
  for (const auto& v : values) total += v.second;
  double held = 0.0;
  for (const auto& v : values) {
    held += v.second;
    if (held >= total / 2) return v.first;
  }
  return values.back().first;
}

HalfInterval RowSpread(const std::vector<Row>& rows, double p, double q,
                       std::vector<std::pair<double, double>>& scratch) {
  scratch.clear();
  for (const Row& r : rows) scratch.emplace_back(r.t - p * r.u - q * r.w, r.weight);
  return ShortestHalf(scratch);
}

// Weighted least squares of the row line.
bool WeightedLine(const std::vector<Row>& rows, std::array<double, 3>& line) {
  cv::Matx33d ata = cv::Matx33d::zeros();
  cv::Vec3d atb(0, 0, 0);
  for (const Row& r : rows) {
    const cv::Vec3d a(r.u, r.w, 1.0);
    ata += r.weight * (a * a.t());
    atb += r.weight * r.t * a;
  }
  cv::Vec3d x;
  if (rows.size() < 3 || !cv::solve(ata, atb, x, cv::DECOMP_CHOLESKY)) return false;
  if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) return false;
  line = {x[0], x[1], x[2]};
  return true;
}

// The row line that leaves the smallest weighted median distance of the
// rows from it: what is seen of a pair is how far most of it is off, and a
// lens's distortion or a toe-in's keystone bends the rows away from any
// line at the frame's edges. A pattern search of the slopes from each
// start, the offset the middle of the shortest half.
std::array<double, 3> MostRowsOnALine(const std::vector<Row>& rows, const std::vector<std::array<double, 3>>& starts,
                                      double* spread = nullptr) {
  std::vector<std::pair<double, double>> scratch;
  std::array<double, 3> best{0.0, 1.0, 0.0};
  double bestSpread = std::numeric_limits<double>::infinity();
  for (const auto& start : starts) {
    // Reweighted least squares with a Gaussian of the residual as the weight
    // (Welsch's): a smooth count of the rows near the line, its width the
    // current half-spread.
    std::array<double, 3> line = start;
    HalfInterval at = RowSpread(rows, line[0], line[1], scratch);
    std::vector<Row> weighted = rows;
    for (int round = 0; round < 6; ++round) {
      const double width = std::max(at.halfWidth, 0.02);
      for (int pass = 0; pass < 10; ++pass) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
          const double e = (rows[i].t - line[0] * rows[i].u - line[1] * rows[i].w - line[2]) / width;
          weighted[i].weight = rows[i].weight * std::exp(-0.5 * e * e);
        }
        if (!WeightedLine(weighted, line)) break;
      }
      at = RowSpread(rows, line[0], line[1], scratch);
    }
    const double p = line[0], q = line[1];
    if (at.halfWidth < bestSpread) {
      bestSpread = at.halfWidth;
      best = {p, q, at.middle};
    }
  }
  if (spread) *spread = bestSpread;
  return best;
}

// Each match weighs the inverse of the matches in its cell of a grid over
// the left frame, so a textured corner does not outweigh the rest of the
// picture: the fit serves the whole frame.
constexpr int kCellsAcross = 8;
constexpr int kCellsDown = 6;

int CellOf(double x, double y, FrameSize size) {
  const int cx = std::clamp(static_cast<int>((x + 0.5) * kCellsAcross / size.width), 0, kCellsAcross - 1);
  const int cy = std::clamp(static_cast<int>((y + 0.5) * kCellsDown / size.height), 0, kCellsDown - 1);
  return cy * kCellsAcross + cx;
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
  std::string text =
      std::to_string(matches) + " matches, " + Fixed(verticalDisparity, 2) + " px vertical disparity left";
  for (const std::string& caution : cautions) text += "; " + caution;
  return text;
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
  std::vector<Ambiguous> ambiguous;
  for (std::size_t index = 0; index < pairs.size(); ++index) {
    const auto& [left, right] = pairs[index];
    CheckFrame(left, "left");
    CheckFrame(right, "right");
    if (left.width != leftSize.width || left.height != leftSize.height || right.width != rightSize.width ||
        right.height != rightSize.height)
      throw TandemixError("The frames to align differ in size from the first pair.");
    if (options_.step && !options_.step(static_cast<int>(index), static_cast<int>(pairs.size())))
      throw AlignCancelled();
    MatchPair(left, right, static_cast<int>(index), matches, ambiguous);
  }

  if (options_.step && !options_.step(static_cast<int>(pairs.size()), static_cast<int>(pairs.size())))
    throw AlignCancelled();
  AlignmentProposal proposal;
  proposal.candidates = static_cast<int>(matches.size());
  const std::string tooFew = "too few matching points: ";
  if (proposal.candidates < options_.minimumMatches) throw TandemixError(tooFew + std::to_string(proposal.candidates));

  // A feature on a repeating pattern cannot say which repeat it is, but
  // on a pattern that repeats along the rows both candidates lie on the
  // row it belongs to: such features count for the rows (never for the
  // parallax) when a candidate lies on the fitted row. Tiles, fences and
  // brick walls then weigh in for the part of the frame they fill.
  const int firstRowOnly = static_cast<int>(matches.size());
  for (const Ambiguous& a : ambiguous)
    for (const cv::Point2d& c : a.right) matches.push_back(Match{a.lx, a.ly, c.x, c.y, a.pair});
  std::vector<Centred> points;
  points.reserve(matches.size());
  for (const Match& m : matches)
    points.push_back(Centred{m.lx - leftSize.width / 2, m.ly - leftSize.height / 2, m.rx - rightSize.width / 2,
                             m.ry - rightSize.height / 2});
  const std::vector<Centred> distinct(points.begin(), points.begin() + firstRowOnly);

  // Matches farther than this from the fitted row do not count; a feature
  // found on a reduced copy is placed within about a third of its pixel.
  const double scaleBack = std::max(1.0, double(std::max(leftSize.width, rightSize.width)) / kWorkWidth);
  const double threshold = 1.0 * scaleBack;

  // The weight of each match in a set: the inverse of its cell's count.
  auto cellWeights = [&](const std::vector<int>& set) {
    std::vector<double> weight(points.size(), 0.0);
    std::array<int, kCellsAcross * kCellsDown> count{};
    for (int i : set) ++count[CellOf(matches[i].lx, matches[i].ly, leftSize)];
    for (int i : set) weight[i] = 1.0 / count[CellOf(matches[i].lx, matches[i].ly, leftSize)];
    return weight;
  };
  // Matches this far from a row line are wrong matches (or a moving thing),
  // not the bend of the rows that a lens or a toe-in leaves.
  const double gate = kGate * threshold;
  auto near = [&](bool turnLeft, const std::array<double, 3>& line, double within) {
    std::vector<int> in;
    for (int i = 0; i < static_cast<int>(points.size()); ++i) {
      const Row r = MakeRow(points[i], turnLeft, 1.0);
      if (std::fabs(r.t - line[0] * r.u - line[1] * r.w - line[2]) <= within) in.push_back(i);
    }
    return in;
  };
  auto rowsOf = [&](bool turnLeft, const std::vector<int>& set, const std::vector<double>& weight) {
    std::vector<Row> rows;
    rows.reserve(set.size());
    for (int i : set) rows.push_back(MakeRow(points[i], turnLeft, weight[i]));
    return rows;
  };
  // RANSAC finds the line most matches agree with; the matches near it,
  // each weighed by its cell, then give the line most of the frame agrees
  // with.
  auto refine = [&](const std::vector<Row>& rows, const std::array<double, 3>& start, double* spread) {
    std::vector<std::array<double, 3>> starts{start};
    std::array<double, 3> weighted;
    if (WeightedLine(rows, weighted)) starts.push_back(weighted);
    return MostRowsOnALine(rows, starts, spread);
  };

  struct Candidate {
    bool ok = false;
    std::array<double, 3> line{};
    double spread = std::numeric_limits<double>::infinity();
  };
  std::array<Candidate, 2> placed;  // the turn on the left view, on the right one
  for (int k = 0; k < 2; ++k) {
    const bool turnLeft = k == 0;
    std::array<double, 3> found;
    if (!FitOneTurn(distinct, turnLeft, threshold, found)) continue;
    const std::vector<int> set = near(turnLeft, found, gate);
    if (set.size() < 3) continue;
    placed[k].line = refine(rowsOf(turnLeft, set, cellWeights(set)), found, &placed[k].spread);
    placed[k].ok = true;
  }
  if (!placed[0].ok && !placed[1].ok) throw TandemixError(tooFew + "0 consistent");
  // The turn belongs where it explains the matches: turning the wrong view
  // mixes the depth (horizontal disparity) into the rows.
  const bool turnLeft = placed[0].ok && (!placed[1].ok || placed[0].spread <= placed[1].spread);
  const std::array<double, 3> line = placed[turnLeft ? 0 : 1].line;
  Fit fit = LineFit(turnLeft, line);
  std::vector<int> in = near(turnLeft, line, gate);
  if (options_.tilt == TiltPlacement::Split) {
    fit = FitSplit(points, Consistent(distinct, fit, threshold), fit.angleLeft - fit.angleRight);
    in = Consistent(points, fit, gate);
  }
  // The matches on the fitted row, within what the features' placing
  // explains: those the proposal reports, with their parallax.
  const std::vector<int> consistent = Consistent(distinct, fit, threshold);
  proposal.matches = static_cast<int>(consistent.size());
  if (proposal.matches < options_.minimumMatches) throw TandemixError(tooFew + std::to_string(proposal.matches));
  const std::vector<double> weight = cellWeights(in);
  const double tiltDegrees = (fit.angleLeft - fit.angleRight) / kDegreesToRadians;
  if (!std::isfinite(fit.scale) || fit.scale < kMinRelativeScale || fit.scale > kMaxRelativeScale ||
      std::fabs(tiltDegrees) > kMaxTiltDegrees)
    throw TandemixError("the matches do not fit one tilt and scale (" + Fixed(tiltDegrees, 2) + " degrees, " +
                        Fixed(fit.scale * 100.0, 1) + " %)");

  // How far the rows stay apart is measured on matches the fit did not
  // see: the matches split in two halves, each half's rows measured against
  // the line fitted on the other, so a line that suits the matches it was
  // made from but not the frame shows.
  std::vector<std::pair<double, double>> heldOut;  // row difference (right - left), weight
  {
    std::mt19937 random(4321);
    std::vector<int> fold(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) fold[i] = static_cast<int>(random() & 1u);
    for (int f = 0; f < 2; ++f) {
      std::vector<int> train, test;
      for (std::size_t i = 0; i < in.size(); ++i) (fold[i] == f ? test : train).push_back(in[i]);
      if (train.size() < 3 || test.empty()) continue;
      const std::vector<double> trainWeight = cellWeights(train);
      Fit trained;
      if (options_.tilt == TiltPlacement::Split) {
        trained = FitSplit(points, train, fit.angleLeft - fit.angleRight);
      } else {
        const std::vector<Row> rows = rowsOf(turnLeft, train, trainWeight);
        std::array<double, 3> start;
        if (!WeightedLine(rows, start)) continue;
        trained = LineFit(turnLeft, MostRowsOnALine(rows, {start}));
      }
      for (int i : test) heldOut.emplace_back(-trained.Residual(points[i]), weight[i]);
    }
    if (heldOut.size() < in.size() / 2)  // too few to split: the fit's own
      for (int i : in) heldOut.emplace_back(-fit.Residual(points[i]), weight[i]);
  }

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
  // Whole-pixel shifts from where the compositor puts the matches: the
  // rows from all the fit used, the parallax from the distinct matches.
  const CanvasMapping unshifted(leftSize, rightSize, proposal, options_.autoCrop);
  std::vector<std::pair<double, double>> rowsWeighted;
  for (int i : in) {
    const Match& m = matches[i];
    rowsWeighted.emplace_back(unshifted.Right({m.rx, m.ry}).y - unshifted.Left({m.lx, m.ly}).y, weight[i]);
  }
  std::vector<double> dx;
  for (int i : consistent) {
    const Match& m = matches[i];
    dx.push_back(unshifted.Right({m.rx, m.ry}).x - unshifted.Left({m.lx, m.ly}).x);
  }
  const double rowOffset = ShortestHalf(rowsWeighted).middle;
  proposal.shiftV = RoundHalfEven(rowOffset);
  proposal.shiftVRemainder = rowOffset - proposal.shiftV;
  const double windowAt = options_.window == StereoWindow::Near     ? kPercentileNear
                          : options_.window == StereoWindow::Median ? 0.5
                                                                    : kPercentileFar;
  // Swapped views see every parallax with the other sign: the seen nearest
  // points are the farthest of the unswapped pair.
  proposal.shiftH = RoundHalfEven(Percentile(dx, options_.swapViews ? 1.0 - windowAt : windowAt));

  // The held-out rows, centred as the fit centres them, without and with
  // the whole-pixel shift.
  std::vector<std::pair<double, double>> spread = heldOut;
  const double heldOutMiddle = ShortestHalf(spread).middle;
  spread = heldOut;
  for (auto& d : spread) d.first = std::fabs(d.first - heldOutMiddle);
  proposal.fitDisparity = WeightedMedian(spread);
  spread = heldOut;
  for (auto& d : spread) d.first = std::fabs(d.first - heldOutMiddle + proposal.shiftVRemainder);
  proposal.verticalDisparity = WeightedMedian(spread);

  const CanvasMapping applied(leftSize, rightSize, proposal, options_.autoCrop);
  proposal.canvasMatches.reserve(consistent.size());
  for (int i : consistent) {
    const Match& m = matches[i];
    proposal.canvasMatches.push_back(CanvasMatch{applied.Left({m.lx, m.ly}), applied.Right({m.rx, m.ry})});
  }
  proposal.confidence = double(proposal.matches) / proposal.candidates;
  proposal.leftFrame = leftSize;
  proposal.rightFrame = rightSize;
  proposal.inliers.reserve(consistent.size());
  for (int i : consistent) {
    const Match& m = matches[i];
    proposal.inliers.push_back(AlignedMatch{m.lx, m.ly, m.rx, m.ry, m.pair});
  }

  // What makes the proposal less sure, in words.
  if (proposal.matches < kFewMatches) proposal.cautions.push_back("few matches");
  std::array<int, kCellsAcross * kCellsDown> count{};
  for (int i : consistent) ++count[CellOf(matches[i].lx, matches[i].ly, leftSize)];
  const int occupied = static_cast<int>(std::count_if(count.begin(), count.end(), [](int c) { return c > 0; }));
  if (occupied < kCellsAcross * kCellsDown / 4) proposal.cautions.push_back("matches clustered in one area");
  // Refused features whose candidates, nearly alike, lie apart: the same
  // thing seen in several places, a repeat of a pattern. Where they
  // outnumber the kept matches twice over (two thirds of what was found),
  // tiles, a fence or a wall fill the view: the rows may still be right,
  // but a repeat taken for its neighbour shifts the parallax by a period.
  int repeating = 0;
  for (const Ambiguous& a : ambiguous) {
    double apart = 0.0;
    for (const cv::Point2d& c : a.right)
      for (const cv::Point2d& d : a.right) apart = std::max(apart, std::hypot(c.x - d.x, c.y - d.y));
    if (apart > 2 * threshold) ++repeating;
  }
  if (repeating > 2 * proposal.matches) proposal.cautions.push_back("a repeating pattern dominates");
  return proposal;
}

}  // namespace tandemix
