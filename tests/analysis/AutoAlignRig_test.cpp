// Auto align on pairs as real rigs film them (tests/support/RigScene.h):
// lens distortion, toe-in, roll, pitch and focal lengths that differ leave
// vertical disparity no tilt, scale and shift removes entirely. The proposal
// is measured on the scene's true correspondences over the whole overlap,
// points the fit never saw, against the best such correction fitted on
// those very points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/AutoAlign.h"
#include "tests/support/RigScene.h"

namespace tandemix {
namespace {

using test::RigErrors;
using test::RigPair;

struct RigCase {
  const char* name;
  RigErrors errors;
  int supersample;
  int gridStep;
};

RigErrors Rig(int width, int height, double fov, double baseline, double focalRatio, double toeIn, double roll,
              double pitch, double principalDown, double k1Left, double k1Right) {
  RigErrors e;
  e.width = width;
  e.height = height;
  e.horizontalFov = fov;
  e.baseline = baseline;
  e.focalRatio = focalRatio;
  e.toeInDegrees = toeIn;
  e.rollDegrees = roll;
  e.pitchDegrees = pitch;
  e.principalDown = principalDown;
  e.k1Left = k1Left;
  e.k1Right = k1Right;
  return e;
}

const std::vector<RigCase>& Cases() {
  static const std::vector<RigCase> cases{
      {"hd_2pc", Rig(1920, 1080, 60, 0.065, 1.02, 0.6, 0.4, 0.25, 3, -0.06, -0.05), 2, 16},
      {"hd_3pc_wide", Rig(1920, 1080, 66, 0.10, 0.97, 1.0, -0.8, -0.35, -4, -0.09, -0.08), 2, 16},
      {"vga_4pc", Rig(640, 480, 55, 0.065, 1.04, 0.4, 0.6, 0.3, 2, -0.04, -0.05), 3, 7},
      {"vga_1pc", Rig(640, 480, 60, 0.08, 0.99, 0.8, -0.3, -0.5, -1, -0.08, -0.07), 3, 7},
  };
  return cases;
}

// The pairs are rendered once for all the tests of this file.
const RigPair& Pair(std::size_t i) {
  static std::vector<RigPair> made(Cases().size());
  static std::vector<bool> done(Cases().size(), false);
  if (!done[i]) {
    const RigCase& c = Cases()[i];
    made[i] =
        test::MakeRigPair(test::RigStreetScene(20 + static_cast<unsigned>(i)), c.errors, c.supersample, c.gridStep);
    done[i] = true;
  }
  return made[i];
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// Vertical disparities of the true correspondences on the canvas with the
// proposal applied, the fitted sub-pixel shift included.
std::vector<double> TrueRows(const RigPair& pair, const AlignmentProposal& p) {
  const CanvasMapping mapping({pair.left.width, pair.left.height}, {pair.right.width, pair.right.height}, p, false);
  std::vector<double> dy;
  dy.reserve(pair.truth.size());
  for (const auto& [l, r] : pair.truth)
    dy.push_back(mapping.Right({r.x, r.y}).y - mapping.Left({l.x, l.y}).y - p.shiftVRemainder);
  return dy;
}

double TrueResidual(const RigPair& pair, const AlignmentProposal& p) {
  std::vector<double> dy = TrueRows(pair, p);
  for (double& d : dy) d = std::fabs(d);
  return Median(dy);
}

// The vertical shift that leaves the smallest median |row difference|: the
// middle of the shortest interval holding half the values.
double ShortestHalfMiddle(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t h = v.size() / 2 + 1;
  std::size_t at = 0;
  for (std::size_t i = 0; i + h <= v.size(); ++i)
    if (v[i + h - 1] - v[i] < v[at + h - 1] - v[at]) at = i;
  return (v[at] + v[at + h - 1]) / 2;
}

// A tilt and scale of one view as the compositor's terms, from the row of
// the turned view as p·x + q·y of its centred position.
AlignmentProposal AsProposal(bool turnLeft, double p, double q) {
  const double k = std::hypot(p, q);
  AlignmentProposal proposal;
  (turnLeft ? proposal.angleLeft : proposal.angleRight) = std::atan2(p, q) * 180 / CV_PI;
  const double scale = turnLeft ? k : 1 / k;  // left against right
  if (scale >= 1)
    proposal.scaleLeft = scale * 100;
  else
    proposal.scaleRight = 100 / scale;
  return proposal;
}

double MedianResidual(const RigPair& pair, const AlignmentProposal& p) {
  std::vector<double> dy = TrueRows(pair, p);
  const double offset = ShortestHalfMiddle(dy);
  for (double& d : dy) d = std::fabs(d - offset);
  return Median(dy);
}

// The best tilt, scale and vertical shift of one view on the true points,
// by the measure used here (the median residual), the tilt on either view.
// The row of the turned view is p·x + q·y + c of its centred position; for
// given p and q the best c is the middle of the shortest half. Starts: the
// least squares fit, three-point fits of spread-out points and the
// proposal's own tilt and scale; each improved by a pattern search of p
// and q, and the best measured on the canvas as the proposal is.
double BestSimilarityResidual(const RigPair& pair, const AlignmentProposal& proposal) {
  const double lw = pair.left.width / 2.0, lh = pair.left.height / 2.0;
  const double rw = pair.right.width / 2.0, rh = pair.right.height / 2.0;
  double best = MedianResidual(pair, proposal);
  cv::RNG rng(5);
  for (bool turnLeft : {true, false}) {
    std::vector<cv::Vec3d> rows;  // x, y of the turned view, row of the other
    for (const auto& [l, r] : pair.truth)
      rows.push_back(turnLeft ? cv::Vec3d(l.x - lw, l.y - lh, r.y - rh) : cv::Vec3d(r.x - rw, r.y - rh, l.y - lh));
    std::vector<double> t(rows.size());
    auto cost = [&](double p, double q) {
      for (std::size_t i = 0; i < rows.size(); ++i) t[i] = rows[i][2] - p * rows[i][0] - q * rows[i][1];
      const double c = ShortestHalfMiddle(t);
      for (double& v : t) v = std::fabs(v - c);
      return Median(t);
    };
    std::vector<std::pair<double, double>> starts;
    cv::Matx33d ata = cv::Matx33d::zeros();
    cv::Vec3d atb(0, 0, 0), s;
    for (const cv::Vec3d& row : rows) {
      const cv::Vec3d a(row[0], row[1], 1);
      ata += a * a.t();
      atb += row[2] * a;
    }
    cv::solve(ata, atb, s, cv::DECOMP_CHOLESKY);
    starts.push_back({s[0], s[1]});
    for (int i = 0; i < 60; ++i) {
      const cv::Vec3d& a = rows[rng.uniform(0, static_cast<int>(rows.size()))];
      const cv::Vec3d& b = rows[rng.uniform(0, static_cast<int>(rows.size()))];
      const cv::Vec3d& c = rows[rng.uniform(0, static_cast<int>(rows.size()))];
      const cv::Matx33d m(a[0], a[1], 1, b[0], b[1], 1, c[0], c[1], 1);
      cv::Vec3d x;
      if (cv::solve(m, cv::Vec3d(a[2], b[2], c[2]), x) && std::fabs(x[0]) < 0.3 && std::fabs(x[1] - 1) < 0.3)
        starts.push_back({x[0], x[1]});
    }
    const double k = (turnLeft ? proposal.scaleLeft / proposal.scaleRight : proposal.scaleRight / proposal.scaleLeft);
    const double a =
        (turnLeft ? proposal.angleLeft - proposal.angleRight : proposal.angleRight - proposal.angleLeft) * CV_PI / 180;
    starts.push_back({k * std::sin(a), k * std::cos(a)});
    std::sort(starts.begin(), starts.end(),
              [&](const auto& x, const auto& y) { return cost(x.first, x.second) < cost(y.first, y.second); });
    starts.resize(std::min<std::size_t>(starts.size(), 4));
    for (auto [p, q] : starts) {
      double value = cost(p, q);
      for (double step = 1e-3; step > 1e-6; step /= 2) {
        for (bool moved = true; moved;) {
          moved = false;
          for (auto [dp, dq] : {std::pair{step, 0.0}, {-step, 0.0}, {0.0, step}, {0.0, -step}}) {
            const double c = cost(p + dp, q + dq);
            if (c < value) {
              value = c;
              p += dp;
              q += dq;
              moved = true;
            }
          }
        }
      }
      best = std::min(best, MedianResidual(pair, AsProposal(turnLeft, p, q)));
    }
  }
  return best;
}

class RigPairs : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RigPairs, ProposalComesWithinAFifthOfTheBestSimilarity) {
  const RigCase& c = Cases()[GetParam()];
  const RigPair& pair = Pair(GetParam());
  ASSERT_GT(pair.truth.size(), 1000u);
  const AlignmentProposal p = AutoAligner().Align(test::ToFrame(pair.leftView), test::ToFrame(pair.rightView));
  const double before = TrueResidual(pair, AlignmentProposal{});
  const double best = BestSimilarityResidual(pair, p);
  const double got = TrueResidual(pair, p);
  std::printf("%s: before %.2f px, best similarity %.3f px, proposal %.3f px (ratio %.2f), reported %.3f px, %s\n",
              c.name, before, best, got, got / best, p.fitDisparity, p.Summary().c_str());
  // The rig is far off before, and no similarity makes it exact.
  EXPECT_GT(before, 4 * best);
  EXPECT_GT(best, 0.1);
  EXPECT_LE(got, 1.2 * best);
  // What it reports is what is left over the frame, not what is left on
  // the matches it kept.
  EXPECT_GT(p.fitDisparity, 0.8 * got);
  EXPECT_LT(p.fitDisparity, 1.5 * got + 0.1);
  EXPECT_GE(p.verticalDisparity, p.fitDisparity - 0.5);
  EXPECT_LE(p.verticalDisparity, p.fitDisparity + 0.5);
}

INSTANTIATE_TEST_SUITE_P(Rigs, RigPairs, ::testing::Range<std::size_t>(0, 4),
                         [](const ::testing::TestParamInfo<std::size_t>& rig) {
                           return std::string(Cases()[rig.param].name);
                         });

// A rig without errors (parallel cameras, the same lens, no distortion): the
// rows already agree and nothing vertical is proposed.
TEST(RectifiedRig, GetsNoTiltScaleOrVerticalShift) {
  RigErrors e = Rig(640, 480, 60, 0.065, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0);
  const RigPair pair = test::MakeRigPair(test::RigStreetScene(31), e, 3, 8);
  const AlignmentProposal p = AutoAligner().Align(test::ToFrame(pair.leftView), test::ToFrame(pair.rightView));
  EXPECT_EQ(p.angleLeft, 0.0);
  EXPECT_EQ(p.angleRight, 0.0);
  EXPECT_EQ(p.scaleLeft, 100.0);
  EXPECT_EQ(p.scaleRight, 100.0);
  EXPECT_EQ(p.shiftV, 0);
  EXPECT_LT(TrueResidual(pair, p), 0.1);
  EXPECT_LT(p.verticalDisparity, 0.25);
  // The nearest things (the box at 1.2 m) are 0.065 m x 554 px / 1.2 m =
  // 30 px apart; the near window brings the scene's near points to the screen.
  EXPECT_LE(p.shiftH, -10);
  EXPECT_GE(p.shiftH, -31);
}

}  // namespace
}  // namespace tandemix
