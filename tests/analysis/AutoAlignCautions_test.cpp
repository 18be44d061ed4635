// What Auto align says about its own footing: cautions in words when the
// matches are few or clustered in one area, and several frames pooled so that one frame's moving thing does
// not pull the fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "analysis/AutoAlign.h"
#include "tests/support/RigScene.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 540;

bool Says(const AlignmentProposal& p, const std::string& caution) {
  return std::find(p.cautions.begin(), p.cautions.end(), caution) != p.cautions.end() &&
         p.Summary().find("; " + caution) != std::string::npos;
}

// A flat picture with texture in `area` only; the right view 6 px to the
// left and 3 px down.
std::pair<FrameBGR, FrameBGR> TexturedIn(cv::Rect area, unsigned seed) {
  cv::Mat left(kHeight, kWidth, CV_8UC3, cv::Scalar(90, 120, 150));
  test::TexturedPicture(area.width, area.height, seed).copyTo(left(area));
  const cv::Mat right = test::Misaligned(test::WithDepth(left, 6, {}), {0.0, 1.0, 3.0});
  return {test::ToFrame(left), test::ToFrame(right)};
}

TEST(AutoAlignCautions, FewAndClusteredAreSaid) {
  const auto plain = TexturedIn(cv::Rect(0, 0, kWidth, kHeight), 3);
  const AlignmentProposal all = AutoAligner().Align(plain.first, plain.second);
  EXPECT_TRUE(all.cautions.empty()) << all.Summary();

  const auto corner = TexturedIn(cv::Rect(20, 20, 220, 160), 4);
  const AlignmentProposal clustered = AutoAligner().Align(corner.first, corner.second);
  EXPECT_TRUE(Says(clustered, "matches clustered in one area")) << clustered.Summary();
  EXPECT_EQ(clustered.shiftV, 3);

  AutoAlignOptions lenient;
  lenient.minimumMatches = 8;
  const auto speck = TexturedIn(cv::Rect(400, 200, 34, 30), 5);
  const AlignmentProposal few = AutoAligner(lenient).Align(speck.first, speck.second);
  EXPECT_LT(few.matches, 60);
  EXPECT_TRUE(Says(few, "few matches")) << few.Summary();
}

// A misaligned pair of scene `seed`; in `moving`, a large thing that moved
// down between the two exposures covers most of the frame.
std::pair<FrameBGR, FrameBGR> Scene(unsigned seed, bool moving) {
  const test::Misalignment m{0.8, 1.01, 6};
  cv::Mat left = test::TexturedPicture(kWidth, kHeight, seed);
  cv::Mat right = test::Misaligned(test::WithDepth(left, 4, {}), m);
  if (moving) {
    const cv::Mat thing = test::TexturedPicture(620, 400, seed + 50);
    thing.copyTo(left(cv::Rect(150, 40, 620, 400)));
    thing.copyTo(right(cv::Rect(142, 40 + 14, 620, 400)));
  }
  return {test::ToFrame(left), test::ToFrame(right)};
}

TEST(AutoAlignFrames, AMovingThingInOneFrameDoesNotPullThePooledFit) {
  const AlignmentProposal still = AutoAligner().Align(Scene(1, false).first, Scene(1, false).second);
  const auto movingPair = Scene(2, true);
  const AlignmentProposal alone = AutoAligner().Align(movingPair.first, movingPair.second);
  // Alone, the moving thing decides the rows.
  EXPECT_GE(std::abs(alone.shiftV - still.shiftV), 5) << alone.Summary();

  std::vector<std::pair<FrameBGR, FrameBGR>> pairs{Scene(1, false), movingPair, Scene(3, false), Scene(4, false)};
  const AlignmentProposal pooled = AutoAligner().Align(pairs);
  EXPECT_NEAR(pooled.shiftV, still.shiftV, 1);  // the row offset of the scenes is near 5.5
  EXPECT_NEAR(pooled.angleLeft - pooled.angleRight, still.angleLeft - still.angleRight, 0.05);
  EXPECT_NEAR(pooled.scaleLeft / pooled.scaleRight, still.scaleLeft / still.scaleRight, 0.001);
  EXPECT_LT(pooled.fitDisparity, 0.3);

  // The work says how far it came: before each pair, then before the fit;
  // false stops it.
  std::vector<std::pair<int, int>> steps;
  AutoAlignOptions counted;
  counted.step = [&](int done, int total) {
    steps.emplace_back(done, total);
    return true;
  };
  const AlignmentProposal again = AutoAligner(counted).Align(pairs);
  EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
  EXPECT_EQ(again.shiftV, pooled.shiftV);
  for (int stopAt : {0, 2, 4}) {
    AutoAlignOptions stopping;
    stopping.step = [stopAt](int done, int) { return done < stopAt; };
    EXPECT_THROW(AutoAligner(stopping).Align(pairs), AlignCancelled) << stopAt;
  }
}

// A rig filming a wall: tiles (or bricks) fill the view but for a small
// poster. The matches that pass are few beside the features that cannot
// tell one tile from the next, and the proposal says so; a street scene,
// which has tiles, a fence and bricks among other things, does not.
std::vector<test::RigPlane> PatternWall(test::Pattern pattern, unsigned seed) {
  std::vector<test::RigPlane> s;
  s.push_back({{-4, -3, 4}, {8, 0, 0}, {0, 6, 0}, test::PatternTexture(pattern, 3200, 2400, 40, seed)});
  s.push_back({{0.2, -0.7, 3.9}, {1.0, 0, 0}, {0, 0.8, 0}, test::TexturedPicture(500, 400, seed + 1)});
  return s;
}

TEST(AutoAlignCautions, ARepeatingPatternThatDominatesIsSaid) {
  test::RigErrors e;
  e.width = 640;
  e.height = 480;
  for (test::Pattern pattern : {test::Pattern::Tiles, test::Pattern::Bricks}) {
    const test::RigPair wall = test::MakeRigPair(PatternWall(pattern, 7), e, 2, 64);
    const AlignmentProposal p = AutoAligner().Align(test::ToFrame(wall.leftView), test::ToFrame(wall.rightView));
    EXPECT_TRUE(Says(p, "a repeating pattern dominates")) << p.Summary();
    // The poster still sets the rows.
    EXPECT_LT(p.fitDisparity, 1.0) << p.Summary();
  }
  const test::RigPair street = test::MakeRigPair(test::RigStreetScene(21), e, 2, 64);
  const AlignmentProposal normal = AutoAligner().Align(test::ToFrame(street.leftView), test::ToFrame(street.rightView));
  EXPECT_FALSE(Says(normal, "a repeating pattern dominates")) << normal.Summary();
  EXPECT_TRUE(normal.cautions.empty()) << normal.Summary();
}

}  // namespace
}  // namespace tandemix
