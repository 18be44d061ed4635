#include "viewer/ViewerLayout.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(ViewerLayout, SmallOutputTakesTheMinimumWindow) {
  const ViewerGeometry g = ComputeViewerGeometry(320, 200, 1024, 768, 100, 100);
  EXPECT_EQ(g.panelWidth, 360);
  EXPECT_EQ(g.panelHeight, 240);
  EXPECT_EQ(g.width, 420);
  EXPECT_EQ(g.height, 356);
  EXPECT_EQ(g.trackBarWidth, 174);
  EXPECT_EQ(g.offsetBarWidth, 158);
  EXPECT_EQ(g.left, 100);
}

TEST(ViewerLayout, PalOutputOnASmallScreen) {
  const ViewerGeometry g = ComputeViewerGeometry(720, 576, 1024, 768, 0, 0);
  EXPECT_EQ(g.panelWidth, 720);
  EXPECT_EQ(g.panelHeight, 576);
  EXPECT_EQ(g.width, 780);
  EXPECT_EQ(g.height, 692);
}

TEST(ViewerLayout, LargeOutputFillsTheScreen) {
  const ViewerGeometry g = ComputeViewerGeometry(1920, 1080, 1280, 1024, 300, 200);
  EXPECT_EQ(g.panelWidth, 1220);
  EXPECT_EQ(g.panelHeight, 908);
  EXPECT_EQ(g.width, 1280);
  EXPECT_EQ(g.height, 1024);
  EXPECT_EQ(g.left, 0);
  EXPECT_EQ(g.top, 0);
}

TEST(ViewerLayout, WindowIsPulledBackOntoTheScreen) {
  const ViewerGeometry g = ComputeViewerGeometry(720, 576, 1024, 768, 600, 500);
  EXPECT_EQ(g.left, 1024 - 780);
  EXPECT_EQ(g.top, 768 - 692);
  const ViewerGeometry empty = ComputeViewerGeometry(0, 0, 1024, 768, 10, 10);
  EXPECT_EQ(empty.width, 420);
}

}  // namespace
}  // namespace tandemix
