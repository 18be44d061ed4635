#include "analysis/DepthBudget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/SceneCuts.h"
#include "base/Errors.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

constexpr int kWidth = 1920;

// Both views side by side on a 1920-wide canvas, no shift.
CanvasViews FullViews() { return CanvasViews{0.0, double(kWidth), 0.0, double(kWidth), kWidth}; }

// `count` points of one parallax, spread over the middle of the picture
// (away from the edges) unless `x` places them.
void AddPlane(std::vector<ParallaxPoint>& points, int count, double parallax, double x = -1.0) {
  for (int i = 0; i < count; ++i) {
    const double at = x >= 0.0 ? x + i % 3 : 400.0 + 10.0 * i;
    points.push_back(ParallaxPoint{at - parallax, at, 100.0 + i});
  }
}

bool Has(const DepthReport& r, DepthWarningKind kind) {
  for (const DepthWarning& w : r.warnings)
    if (w.kind == kind) return true;
  return false;
}

std::string TextOf(const DepthReport& r, DepthWarningKind kind) {
  for (const DepthWarning& w : r.warnings)
    if (w.kind == kind) return w.text;
  return {};
}

TEST(DepthBudget, PercentilesOfPlanesAtKnownParallax) {
  // 50 points 10 px in front of the screen, 30 at 4 px and 20 at 30 px
  // behind it. Sorted, the 2 % percentile lies between points 1 and 2
  // (both -10), the median between points 49 (-10) and 50 (4), the 98 %
  // one between 97 and 98 (both 30).
  std::vector<ParallaxPoint> points;
  AddPlane(points, 50, -10);
  AddPlane(points, 30, 4);
  AddPlane(points, 20, 30);
  const DepthReport r = MeasureDepth(points, FullViews(), DepthLimits{});
  EXPECT_EQ(r.points, 100);
  EXPECT_EQ(r.width, 1920);
  EXPECT_DOUBLE_EQ(r.nearPx, -10.0);
  EXPECT_DOUBLE_EQ(r.medianPx, -3.0);
  EXPECT_DOUBLE_EQ(r.farPx, 30.0);
  // 65 mm of a 2 m screen is 3.25 % of 1920 px; 2 % of it is 38.4 px.
  EXPECT_DOUBLE_EQ(r.farLimitPx, 62.4);
  EXPECT_DOUBLE_EQ(r.nearLimitPx, 38.4);
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(r.Summary(), "near -0.52 % (-10 px), median -0.16 % (-3 px), far 1.56 % (30 px)");
}

TEST(DepthBudget, ARareWrongMatchDoesNotSetTheEnds) {
  std::vector<ParallaxPoint> points;
  AddPlane(points, 99, 5);
  AddPlane(points, 1, 400);  // one wild match
  const DepthReport r = MeasureDepth(points, FullViews(), DepthLimits{});
  EXPECT_DOUBLE_EQ(r.farPx, 5.0);
  EXPECT_TRUE(r.warnings.empty());
}

struct BudgetCase {
  const char* name;
  double near, far;
  double screenMetres;
  double nearPercent;
  bool divergence, nearComfort;
  const char* words;  // part of the first warning
};

TEST(DepthBudget, FarAndNearLimits) {
  const BudgetCase cases[] = {
      {"within", -30, 60, 2.0, 2.0, false, false, ""},
      // 80 px of 1920 on a 2 m screen: 83 mm; 65 mm suits 1.56 m at most.
      {"diverges", -5, 80, 2.0, 2.0, true, false, "on a 2 m wide screen that is 83 mm, more than the 65 mm"},
      {"suits up to", -5, 80, 2.0, 2.0, true, false, "(it suits 1.56 m at most)"},
      // The same picture on a 1.5 m screen is fine: 62.5 mm.
      {"smaller screen", -5, 80, 1.5, 2.0, false, false, ""},
      // A 4 m screen: 40 px is 83 mm.
      {"larger screen", -5, 40, 4.0, 2.0, true, false, "on a 4 m wide screen that is 83 mm"},
      // 50 px in front is 2.60 % of the width, beyond 2 % (38 px).
      {"too near", -50, 10, 2.0, 2.0, false, true, "stand 2.60 % (50 px) in front of the screen, beyond the 2 %"},
      {"near budget raised", -50, 10, 2.0, 3.0, false, false, ""},
      {"both", -60, 88, 2.0, 2.0, true, true, "The farthest points are 4.58 % (88 px) apart"},
  };
  for (const BudgetCase& c : cases) {
    std::vector<ParallaxPoint> points;
    AddPlane(points, 20, c.near);
    AddPlane(points, 60, (c.near + c.far) / 2);
    AddPlane(points, 20, c.far);
    DepthLimits limits;
    limits.screenWidthMetres = c.screenMetres;
    limits.nearComfortPercent = c.nearPercent;
    const DepthReport r = MeasureDepth(points, FullViews(), limits);
    EXPECT_DOUBLE_EQ(r.nearPx, c.near) << c.name;
    EXPECT_DOUBLE_EQ(r.farPx, c.far) << c.name;
    EXPECT_EQ(Has(r, DepthWarningKind::Divergence), c.divergence) << c.name;
    EXPECT_EQ(Has(r, DepthWarningKind::NearComfort), c.nearComfort) << c.name;
    EXPECT_FALSE(Has(r, DepthWarningKind::BrokenWindow)) << c.name;
    if (*c.words) {
      ASSERT_FALSE(r.warnings.empty()) << c.name;
      EXPECT_NE(r.warnings[0].text.find(c.words), std::string::npos) << c.name << ": " << r.warnings[0].text;
    }
  }
}

TEST(DepthBudget, BrokenStereoWindowAndTheShiftThatMendsIt) {
  // 20 px in front of the screen at the left edge (x 10..12 < 4 % of 1920).
  std::vector<ParallaxPoint> points;
  AddPlane(points, 80, 10);
  AddPlane(points, 5, -20, 10);
  DepthReport r = MeasureDepth(points, FullViews(), DepthLimits{});
  EXPECT_TRUE(r.brokenLeft);
  EXPECT_FALSE(r.brokenRight);
  EXPECT_DOUBLE_EQ(r.brokenParallaxPx, -20.0);
  ASSERT_TRUE(r.windowFix.has_value());
  EXPECT_EQ(*r.windowFix, -20);
  EXPECT_EQ(TextOf(r, DepthWarningKind::BrokenWindow),
            "Something 1.04 % (20 px) in front of the screen is cut by the left frame edge: the stereo window is "
            "broken. Moving the left view 20 px to the left puts it behind the screen within the far limit.");

  // At the right edge, near the end of the right view.
  points.clear();
  AddPlane(points, 80, 10);
  AddPlane(points, 5, -7.5, 1900);
  r = MeasureDepth(points, FullViews(), DepthLimits{});
  EXPECT_FALSE(r.brokenLeft);
  EXPECT_TRUE(r.brokenRight);
  ASSERT_TRUE(r.windowFix.has_value());
  EXPECT_EQ(*r.windowFix, -8);  // whole pixels, enough to reach the screen

  // The far points leave no room: 50 + 20 > 62.4.
  points.clear();
  AddPlane(points, 80, 50);
  AddPlane(points, 5, -20, 10);
  r = MeasureDepth(points, FullViews(), DepthLimits{});
  EXPECT_TRUE(r.brokenLeft);
  EXPECT_FALSE(r.windowFix.has_value());
  EXPECT_NE(TextOf(r, DepthWarningKind::BrokenWindow)
                .find("No horizontal shift puts it behind the screen within the far limit (62 px)"),
            std::string::npos);

  // Behind the screen at the edge, or a single stray point: nothing broken.
  for (double parallax : {5.0, -0.5}) {
    points.clear();
    AddPlane(points, 80, 10);
    AddPlane(points, 5, parallax, 10);
    EXPECT_TRUE(MeasureDepth(points, FullViews(), DepthLimits{}).warnings.empty()) << parallax;
  }
  points.clear();
  AddPlane(points, 80, 10);
  AddPlane(points, 1, -20, 10);
  EXPECT_TRUE(MeasureDepth(points, FullViews(), DepthLimits{}).warnings.empty());

  // The edges are each view's own: 200 px from the canvas's edge is far
  // from it, but close to the edge of a left view moved 160 px right.
  points.clear();
  AddPlane(points, 80, 10);
  AddPlane(points, 5, -20, 200);  // the left view's x is 220
  EXPECT_FALSE(MeasureDepth(points, FullViews(), DepthLimits{}).brokenLeft);
  const CanvasViews shifted{160.0, 2080.0, 0.0, 1920.0, 1920};
  EXPECT_TRUE(MeasureDepth(points, shifted, DepthLimits{}).brokenLeft);
}

TEST(DepthBudget, EmptyInputAndBadLimits) {
  const DepthReport none = MeasureDepth({}, FullViews(), DepthLimits{});
  EXPECT_EQ(none.points, 0);
  EXPECT_EQ(none.Summary(), "no depth measured");
  std::vector<ParallaxPoint> one;
  AddPlane(one, 1, 5);
  EXPECT_EQ(MeasureDepth(one, FullViews(), DepthLimits{}).points, 0);

  DepthLimits bad;
  bad.screenWidthMetres = 0.0;
  EXPECT_THROW(MeasureDepth(one, FullViews(), bad), TandemixError);
  bad.screenWidthMetres = std::nan("");
  EXPECT_THROW(CheckDepthLimits(bad), TandemixError);
  bad = DepthLimits{};
  bad.nearComfortPercent = -1;
  try {
    CheckDepthLimits(bad);
    ADD_FAILURE() << "a negative budget passed";
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "The near comfort budget must be above 0 and at most 50 % of the width.");
  }
}

TEST(DepthBudget, Histogram) {
  std::vector<ParallaxPoint> points;
  AddPlane(points, 3, -10);  // bin 0 of [-10, 10) in 4: [-10, -5)
  AddPlane(points, 2, 0);    // bin 2: [0, 5)
  AddPlane(points, 1, 9.9);  // bin 3
  AddPlane(points, 4, 50);   // beyond: the last bin
  AddPlane(points, 1, -99);  // before: the first bin
  EXPECT_EQ(ParallaxHistogram(points, -10, 10, 4), (std::vector<int>{4, 0, 2, 5}));
  EXPECT_EQ(ParallaxHistogram(points, 10, -10, 4), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_TRUE(ParallaxHistogram(points, -10, 10, 0).empty());
}

// A textured picture seen by two cameras: the right view sees the whole
// scene `background` px to the left (parallax -background) and an area of
// it `nearer` px to the left.
std::pair<FrameBGR, FrameBGR> PairWithArea(int background, int nearer, cv::Rect area, unsigned seed = 3) {
  const cv::Mat left = test::TexturedPicture(960, 540, seed);
  cv::Mat right(left.size(), left.type());
  for (int y = 0; y < left.rows; ++y)
    for (int x = 0; x < left.cols; ++x) {
      const int d = area.contains({x, y}) ? nearer : background;
      right.at<cv::Vec3b>(y, x) = left.at<cv::Vec3b>(y, std::min(left.cols - 1, x + d));
    }
  return {test::ToFrame(left), test::ToFrame(right)};
}

TEST(DepthBudget, MeasuredOnAnAlignedSyntheticPair) {
  // Background at parallax -4, a block in the middle at -24.
  const auto pair = PairWithArea(4, 24, cv::Rect(300, 150, 300, 250));
  AutoAlignOptions options;
  options.window = StereoWindow::Median;
  const AlignmentProposal p = AutoAligner(options).Align(pair.first, pair.second);
  ASSERT_GT(p.inliers.size(), 50u);
  CanvasViews views;
  const FrameSize size{960, 540};
  const auto points = PlaceOnCanvas(p.inliers, size, size, ValuesOf(p, false), views);
  EXPECT_EQ(points.size(), p.inliers.size());
  EXPECT_EQ(views.width, 960);
  // The proposal's shift moves every parallax by -shiftH.
  const DepthReport r = MeasureDepth(points, views, DepthLimits{});
  EXPECT_NEAR(r.nearPx, -24 - p.shiftH, 0.5) << r.Summary();
  EXPECT_NEAR(r.farPx, -4 - p.shiftH, 0.5) << r.Summary();
  // Any other alignment: the user moved the left view 10 px to the left.
  ViewAlignment moved = ValuesOf(p, false);
  moved.shiftH -= 10;
  const DepthReport after = MeasureDepth(PlaceOnCanvas(p.inliers, size, size, moved, views), views, DepthLimits{});
  EXPECT_NEAR(after.nearPx, r.nearPx + 10, 1e-9);
  EXPECT_NEAR(after.farPx, r.farPx + 10, 1e-9);
  // Only the matches of one frame pair.
  EXPECT_TRUE(PlaceOnCanvas(p.inliers, size, size, moved, views, 1).empty());
}

// Swap L-R shows each eye the other view after the displacement: the
// parallax seen has the other sign, the edges are the other view's, and
// moving the left view right raises the parallax instead of lowering it.
TEST(DepthBudget, SwappedViewsAreMeasuredAsSeen) {
  const auto pair = PairWithArea(4, 24, cv::Rect(300, 150, 300, 250));
  AutoAlignOptions options;
  options.window = StereoWindow::Median;
  const AlignmentProposal p = AutoAligner(options).Align(pair.first, pair.second);
  const FrameSize size{960, 540};
  ViewAlignment values = ValuesOf(p, false);
  values.shiftH += 30;  // the views apart on the canvas, so that their edges differ
  CanvasViews plain, swapped;
  const auto straight = PlaceOnCanvas(p.inliers, size, size, values, plain);
  values.swapViews = true;
  const auto seen = PlaceOnCanvas(p.inliers, size, size, values, swapped);
  ASSERT_EQ(seen.size(), straight.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].leftX, straight[i].rightX);
    EXPECT_EQ(seen[i].rightX, straight[i].leftX);
  }
  EXPECT_TRUE(swapped.swapped);
  EXPECT_FALSE(plain.swapped);
  EXPECT_EQ(swapped.leftBegin, plain.rightBegin);
  EXPECT_EQ(swapped.rightEnd, plain.leftEnd);
  EXPECT_EQ(plain.leftBegin - plain.rightBegin, p.shiftH + 30.0);
  const DepthReport a = MeasureDepth(straight, plain, DepthLimits{});
  const DepthReport b = MeasureDepth(seen, swapped, DepthLimits{});
  EXPECT_NEAR(b.nearPx, -a.farPx, 1e-9);
  EXPECT_NEAR(b.farPx, -a.nearPx, 1e-9);
  EXPECT_NEAR(b.medianPx, -a.medianPx, 1e-9);
  // Unswapped the block stands 20 px nearer than the background; swapped
  // it stands 20 px farther.
  EXPECT_NEAR(a.farPx - a.nearPx, 20.0, 0.5);
  EXPECT_NEAR(b.farPx - b.nearPx, 20.0, 0.5);
  EXPECT_NEAR(b.nearPx, 4 + p.shiftH + 30, 0.5) << b.Summary();
  values.shiftH += 10;
  const DepthReport c = MeasureDepth(PlaceOnCanvas(p.inliers, size, size, values, swapped), swapped, DepthLimits{});
  EXPECT_NEAR(c.nearPx, b.nearPx + 10, 1e-9);
  EXPECT_NEAR(c.farPx, b.farPx + 10, 1e-9);

  // A broken window is mended by moving the left view to the right.
  std::vector<ParallaxPoint> points;
  AddPlane(points, 80, 10);
  AddPlane(points, 5, -20, 10);
  CanvasViews views = FullViews();
  views.swapped = true;
  const DepthReport r = MeasureDepth(points, views, DepthLimits{});
  ASSERT_TRUE(r.windowFix.has_value());
  EXPECT_EQ(*r.windowFix, 20);
  EXPECT_EQ(TextOf(r, DepthWarningKind::BrokenWindow),
            "Something 1.04 % (20 px) in front of the screen is cut by the left frame edge: the stereo window is "
            "broken. Moving the left view 20 px to the right puts it behind the screen within the far limit.");
}

// Auto align places the window for the parallax as the swapped pair shows
// it: with the far window the background seen comes to the screen, which
// unswapped is the block.
TEST(DepthBudget, AutoAlignPlacesTheWindowForSwappedViews) {
  const auto pair = PairWithArea(4, 24, cv::Rect(300, 150, 300, 250));
  const FrameSize size{960, 540};
  for (StereoWindow window : {StereoWindow::Near, StereoWindow::Far}) {
    AutoAlignOptions options;
    options.window = window;
    options.swapViews = true;
    const AlignmentProposal p = AutoAligner(options).Align(pair.first, pair.second);
    CanvasViews views;
    const DepthReport r =
        MeasureDepth(PlaceOnCanvas(p.inliers, size, size, ValuesOf(p, false, true), views), views, DepthLimits{});
    // Seen swapped, the background (unswapped -4) is the nearest, the block
    // (-24) the farthest, 20 px behind it.
    if (window == StereoWindow::Near) {
      EXPECT_EQ(p.shiftH, -4);
      EXPECT_NEAR(r.nearPx, 0.0, 0.5) << r.Summary();
      EXPECT_NEAR(r.farPx, 20.0, 0.5) << r.Summary();
    } else {
      EXPECT_EQ(p.shiftH, -24);
      EXPECT_NEAR(r.nearPx, -20.0, 0.5) << r.Summary();
      EXPECT_NEAR(r.farPx, 0.0, 0.5) << r.Summary();
    }
  }
}

TEST(DepthBudget, BrokenWindowFoundOnASyntheticPair) {
  // A near area against the left edge, 20 px nearer than the background;
  // the screen plane on the background (the far end).
  const auto pair = PairWithArea(4, 24, cv::Rect(0, 100, 200, 340));
  AutoAlignOptions options;
  options.window = StereoWindow::Far;
  const AlignmentProposal p = AutoAligner(options).Align(pair.first, pair.second);
  CanvasViews views;
  const FrameSize size{960, 540};
  const DepthReport r =
      MeasureDepth(PlaceOnCanvas(p.inliers, size, size, ValuesOf(p, false), views), views, DepthLimits{});
  EXPECT_NEAR(r.farPx, 0.0, 0.5) << r.Summary();
  EXPECT_NEAR(r.nearPx, -20.0, 0.5) << r.Summary();
  EXPECT_TRUE(r.brokenLeft) << r.Summary();
  EXPECT_FALSE(r.brokenRight);
  ASSERT_TRUE(r.windowFix.has_value());
  EXPECT_NEAR(*r.windowFix, -20, 1);
}

TEST(SceneCuts, FoundAboveTheFloorAndTheNeighbourhood) {
  // Steady motion of 5 with a cut of 60 after sample 4, and faster motion
  // of 15 (below the floor) from 10 to 14.
  std::vector<double> d = {5, 5, 5, 5, 60, 5, 5, 5, 5, 5, 15, 15, 15, 15, 15, 5, 5};
  EXPECT_EQ(FindSceneCuts(d), (std::vector<int>{5}));
  // Below the floor nothing is a cut, however quiet the rest.
  EXPECT_TRUE(FindSceneCuts({0, 0, 10, 0, 0}).empty());
  // Two cuts, and a first difference that is a cut.
  EXPECT_EQ(FindSceneCuts({40, 2, 2, 2, 2, 50, 2, 2}), (std::vector<int>{1, 6}));
  EXPECT_TRUE(FindSceneCuts({}).empty());
}

TEST(SceneCuts, SignatureDifference) {
  FrameBGR black(64, 36), white(64, 36);
  std::fill(white.pixels.begin(), white.pixels.end(), std::uint8_t{255});
  EXPECT_DOUBLE_EQ(FrameSignature(black).Difference(FrameSignature(black)), 0.0);
  EXPECT_DOUBLE_EQ(FrameSignature(black).Difference(FrameSignature(white)), 255.0);
  // Sizes need not agree.
  FrameBGR small(10, 10);
  EXPECT_DOUBLE_EQ(FrameSignature(small).Difference(FrameSignature(white)), 255.0);
}

}  // namespace
}  // namespace tandemix
