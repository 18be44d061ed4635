#include "analysis/AutoAlign.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/Errors.h"
#include "preview/Compositor.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

using test::Misalignment;

constexpr int kWidth = 960;
constexpr int kHeight = 540;

std::pair<FrameBGR, FrameBGR> MakePair(const Misalignment& m, unsigned seed = 7, int background = 4) {
  const cv::Mat left = test::TexturedPicture(kWidth, kHeight, seed);
  const cv::Mat right = test::Misaligned(test::WithDepth(left, background, {10, 18, 26}), m);
  return {test::ToFrame(left), test::ToFrame(right)};
}

double NetTilt(const AlignmentProposal& p) { return p.angleLeft - p.angleRight; }
double ScaleRatio(const AlignmentProposal& p) { return p.scaleLeft / p.scaleRight; }

// Composes the pair with the proposal, as the preview does, and aligns the
// two canvases again: an aligned pair needs no further tilt, scale or shift.
AlignmentProposal RealignComposed(const std::pair<FrameBGR, FrameBGR>& pair, const AlignmentProposal& p) {
  PreviewCompositor compositor;
  compositor.SetFrames(Bitmap(pair.first), Bitmap(pair.second));
  compositor.ComposePreview(p.shiftH, p.shiftV, p.scaleLeft / 100.0, p.scaleRight / 100.0, p.angleLeft, p.angleRight,
                            PreviewSwitches{});
  auto canvas = [](const TPixMatrix& m) {
    FrameBGR f(m.Columns(), m.Rows());
    for (int y = 0; y < m.Rows(); ++y) std::memcpy(f.Row(y), m[y], f.Stride());
    return f;
  };
  AutoAlignOptions options;
  options.window = StereoWindow::Median;
  return AutoAligner(options).Align(canvas(compositor.LeftCanvas()), canvas(compositor.RightCanvas()));
}

class KnownMisalignment : public ::testing::TestWithParam<Misalignment> {};

TEST_P(KnownMisalignment, RecoversTiltScaleAndRowsWithinTolerance) {
  const Misalignment m = GetParam();
  const auto pair = MakePair(m);
  const AlignmentProposal p = AutoAligner().Align(pair.first, pair.second);
  // The right camera turned counter-clockwise by t: undoing it is a
  // clockwise turn of the right view, a net tilt of -t.
  EXPECT_NEAR(NetTilt(p), -m.tiltDegrees, 0.05) << p.angleLeft << " " << p.angleRight;
  EXPECT_NEAR(ScaleRatio(p), m.scale, 0.001 * m.scale) << p.scaleLeft << " " << p.scaleRight;
  // The scale goes to the smaller view only.
  EXPECT_TRUE(p.scaleLeft == 100.0 || p.scaleRight == 100.0);
  EXPECT_GE(std::min(p.scaleLeft, p.scaleRight), 100.0);
  EXPECT_LT(p.fitDisparity, 0.3);
  // Whole-pixel shifts add at most half a pixel; none when the views need
  // no scale and move by whole rows.
  EXPECT_LT(p.verticalDisparity, 0.3 + 0.5);
  if (m.scale == 1.0) {
    EXPECT_LT(p.verticalDisparity, 0.3);
  }
  EXPECT_GT(p.matches, 100);
  EXPECT_GT(p.confidence, 0.5);
  EXPECT_LE(p.confidence, 1.0);

  const AlignmentProposal again = RealignComposed(pair, p);
  EXPECT_NEAR(NetTilt(again), 0.0, 0.05);
  EXPECT_NEAR(ScaleRatio(again), 1.0, 0.001);
  EXPECT_EQ(again.shiftV, 0);
  EXPECT_LT(again.fitDisparity, 0.3);
  EXPECT_LT(again.verticalDisparity, 0.3 + 0.5);
}

INSTANTIATE_TEST_SUITE_P(Pairs, KnownMisalignment,
                         ::testing::Values(Misalignment{3.0, 1.04, 30}, Misalignment{-2.5, 0.96, -20},
                                           Misalignment{0.7, 1.0, 12}, Misalignment{-3.0, 1.05, -30},
                                           Misalignment{1.2, 0.95, 5}, Misalignment{0.0, 1.0, 0}));

TEST(AutoAlignPlacement, TiltGoesToTheTurnedViewOrIsSplit) {
  const auto pair = MakePair({3.0, 1.0, 0});
  const AlignmentProposal p = AutoAligner().Align(pair.first, pair.second);
  EXPECT_EQ(p.angleLeft, 0.0);
  EXPECT_NEAR(p.angleRight, 3.0, 0.05);

  AutoAlignOptions split;
  split.tilt = TiltPlacement::Split;
  const AlignmentProposal s = AutoAligner(split).Align(pair.first, pair.second);
  EXPECT_NEAR(s.angleLeft, -1.5, 0.05);
  EXPECT_NEAR(s.angleRight, 1.5, 0.05);
  EXPECT_LT(s.verticalDisparity, 0.3);
}

TEST(AutoAlignWindow, NearMedianAndFarPointsComeToTheScreen) {
  // Background 4 px, nearer blocks 10 to 26 px: xR - xL from -26 to -4.
  const auto pair = MakePair({0.0, 1.0, 0});
  AutoAlignOptions options;
  options.window = StereoWindow::Median;
  const AlignmentProposal median = AutoAligner(options).Align(pair.first, pair.second);
  options.window = StereoWindow::Far;
  const AlignmentProposal far = AutoAligner(options).Align(pair.first, pair.second);
  const AlignmentProposal nearest = AutoAligner().Align(pair.first, pair.second);
  EXPECT_EQ(far.shiftH, -4);
  EXPECT_LE(nearest.shiftH, -10);
  EXPECT_GE(nearest.shiftH, -26);
  EXPECT_LE(nearest.shiftH, median.shiftH);
  EXPECT_LE(median.shiftH, far.shiftH);
  EXPECT_EQ(median.shiftV, 0);
  EXPECT_EQ(median.angleLeft, 0.0);
  EXPECT_EQ(median.angleRight, 0.0);
  EXPECT_EQ(median.scaleLeft, 100.0);
  EXPECT_EQ(median.scaleRight, 100.0);

  // The kept matches on the canvas: one per consistent match, on the same
  // row, and their parallaxes span the scene's depths moved by the shift.
  ASSERT_EQ(static_cast<int>(median.canvasMatches.size()), median.matches);
  int background = 0, front = 0;
  for (const CanvasMatch& m : median.canvasMatches) {
    EXPECT_NEAR(m.right.y, m.left.y, 1.0);
    const double parallax = m.right.x - m.left.x + median.shiftH;  // back to the views' own
    if (std::fabs(parallax + 4) < 1.0) ++background;
    if (std::fabs(parallax + 26) < 1.0) ++front;
  }
  EXPECT_GT(background, median.matches / 4);
  EXPECT_GT(front, 10);
}

TEST(AutoAlignFrames, SeveralPairsAreFittedTogether) {
  const Misalignment m{-1.5, 1.02, 9};
  std::vector<std::pair<FrameBGR, FrameBGR>> pairs{MakePair(m, 1), MakePair(m, 2), MakePair(m, 3)};
  const AlignmentProposal one = AutoAligner().Align(pairs[0].first, pairs[0].second);
  const AlignmentProposal all = AutoAligner().Align(pairs);
  EXPECT_GT(all.candidates, 2 * one.candidates);
  EXPECT_NEAR(NetTilt(all), 1.5, 0.05);
  EXPECT_NEAR(ScaleRatio(all), 1.02, 0.00102);
  EXPECT_LT(all.fitDisparity, 0.3);
  EXPECT_LT(all.verticalDisparity, 0.3 + 0.5);
  char disparity[32];
  std::snprintf(disparity, sizeof disparity, "%.2f", all.verticalDisparity);
  EXPECT_EQ(all.Summary(), std::to_string(all.matches) + " matches, " + disparity + " px vertical disparity left");
}

TEST(AutoAlignFailures, FlatUnrelatedAndBadFramesGiveAReason) {
  const FrameBGR flat = test::ToFrame(cv::Mat(kHeight, kWidth, CV_8UC3, cv::Scalar(40, 90, 160)));
  try {
    AutoAligner().Align(flat, flat);
    FAIL() << "a flat pair was aligned";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()), "too few matching points: 0");
  }
  const FrameBGR a = test::ToFrame(test::TexturedPicture(kWidth, kHeight, 11));
  const FrameBGR b = test::ToFrame(test::TexturedPicture(kWidth, kHeight, 12));
  try {
    AutoAligner().Align(a, b);
    FAIL() << "two unrelated pictures were aligned";
  } catch (const TandemixError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("too few matching points: ", 0), 0u) << e.what();
  }
  EXPECT_THROW(AutoAligner().Align(FrameBGR(), a), TandemixError);
  std::vector<std::pair<FrameBGR, FrameBGR>> mixed{MakePair({}), {a, test::ToFrame(test::TexturedPicture(64, 64, 1))}};
  EXPECT_THROW(AutoAligner().Align(mixed), TandemixError);
  EXPECT_THROW(AutoAligner().Align(std::vector<std::pair<FrameBGR, FrameBGR>>{}), TandemixError);
}

TEST(CanvasMappingTest, FollowsTheCompositorsCentringAndShift) {
  AlignmentProposal p;
  p.shiftH = 5;
  p.shiftV = -3;
  // Same sizes, no tilt or scale: the left view moves by the shifts.
  const CanvasMapping same({100, 80}, {100, 80}, p, false);
  const CanvasPoint l = same.Left({10, 20}), r = same.Right({10, 20});
  EXPECT_DOUBLE_EQ(l.x - r.x, 5.0);
  EXPECT_DOUBLE_EQ(l.y - r.y, -3.0);
  // A 90 degree clockwise tilt of a 100 x 80 view: the top-left corner
  // goes to the top right of the 80 x 100 box.
  AlignmentProposal turned;
  turned.angleLeft = 90.0;
  const CanvasMapping quarter({100, 80}, {80, 100}, turned, false);
  const CanvasPoint corner = quarter.Left({0, 0});
  EXPECT_NEAR(corner.x, 80.0, 1e-6);
  EXPECT_NEAR(corner.y, 0.0, 1e-6);
}

}  // namespace
}  // namespace tandemix
